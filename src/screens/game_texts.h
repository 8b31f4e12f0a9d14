// Every text the game shows, one table per language (texts_ja.cpp, texts_en.cpp), and the
// language the screens draw in. Japanese is the game's own; the screens never hold a text.
#pragma once

#include <string>

#include "screens/console_texts.h"
#include "screens/settings_texts.h"

namespace kokurin {

enum class Language { Japanese = 0, English = 1 };

constexpr int titleHelpLines = 6;
constexpr int gameTextsRosterSize = 16;
constexpr int helpKeyLines = 3;

// What the help overlay (F1, ?) writes over a match and over the title.
struct HelpTexts {
    const char* hitPoints[2];
    const char* queues[2];
    const char* queueOrder;
    const char* timer;
    const char* cursor;
    const char* mark;
    const char* board;
    const char* keys[helpKeyLines];
    const char* title[helpKeyLines];
    // The ring of the five phases: what its arrows mean, and each phase's name under its
    // symbol in Element's order from Fire ("" where the symbol is the word).
    const char* ringCaption;
    const char* elementNames[5];
};

struct GameTexts {
    // The title screen's help lines, top to bottom, and the roster's names in entry order.
    const char* titleHelp[titleHelpLines];
    const char* rosterNames[gameTextsRosterSize];
    // printf formats: the seat number (1 or 2); the seconds left.
    const char* turnBanner;
    const char* timer;
    const char* winner[2];
    // Under the winner, how to go back ("" where the screen says nothing).
    const char* winnerBack;
    const char* noGoodExchange;
    const char* secondInstance;
    HelpTexts help;
    SettingsTexts settings;
    ConsoleTexts console;
    // The window's title (and the message boxes' caption).
    const char* windowTitle;
};

extern const GameTexts japaneseTexts;
extern const GameTexts englishTexts;

const GameTexts& textsOf(Language language);
// The language the screens draw in (Japanese until set) and its table.
void setGameLanguage(Language language);
Language gameLanguage();
const GameTexts& gameTexts();

// The language to start in: one asked for outside the settings ("ja", "en"; the SDL game's
// --lang, the page's ?lang=) wins, then the setting unless it is "auto", then the system's.
// Only a Japanese system language ("ja", "ja_JP.UTF-8", "ja-JP") gives Japanese; any other,
// also one that says nothing ("", "C", "POSIX"), gives English.
Language chooseLanguage(const std::string& requested, const std::string& setting,
                        const std::string& system);
// "ja" or "en".
const char* languageCode(Language language);

} // namespace kokurin
