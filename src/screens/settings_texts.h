// The shape of the settings screen's texts; each language's table (game_texts.h) holds one.
#pragma once

#include "input/key_bindings.h"

namespace kokurin {

struct SettingsTexts {
    const char* heading;
    const char* help;
    const char* soundOn;
    const char* volume;
    const char* fullscreen;
    const char* windowScale;
    const char* reduceFlashing;
    const char* language;
    const char* replaysKept;
    const char* playerName;
    const char* serverAddress;
    // The seats' captions and the five actions, in PlayerKey's order.
    const char* seats[bindingSeats];
    const char* actions[bindingActions];
    const char* resetKeys;
    const char* leave;
    const char* on;
    const char* off;
    const char* automatic;
    const char* languageNames[2];
    const char* pressNewKey;
    const char* keysReset;
    const char* notSaved;
    const char* nextStart;
    // Why a key was refused, in BindingProblem's order from UnknownKey.
    const char* refused[4];
};

// The Japanese table's.
extern const SettingsTexts& japaneseSettingsTexts;

} // namespace kokurin
