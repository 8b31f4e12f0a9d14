// The shape of what the desktop games write for the player outside the window: the command
// line's usage, version and refusals. Each language's table (game_texts.h) holds one, so that
// these follow the game's language too.
#pragma once

namespace kokurin {

struct ConsoleTexts {
    // The usage, in pieces: the replay lines only where the front end watches replay files.
    const char* usageHead;
    const char* usageReplayLine;
    const char* usageBody;
    const char* usageReplayOptions;
    const char* usageTail;
    // printf formats; %s is the argument, the option or the value named.
    const char* unknownOption;
    const char* needsValue;
    const char* badLanguage;
    const char* badSpeed;
    const char* badFrom;
    const char* notServer;
    const char* notRoom;
    const char* oneOnlineMode;
    const char* onlineNeedsServer;
    // After a refusal, where the options are listed.
    const char* tryHelp;
    // %s: the file.
    const char* replayUnreadable;
};

} // namespace kokurin
