// Every text of the replay list and the replay watch, in one table per language.
#pragma once

namespace kokurin {

// The watch's buttons, in the order the status lines show them: the first line's three after
// the status, the second line's six.
enum ReplayButton : int {
    buttonPause,
    buttonFrameBack,
    buttonFrameOn,
    buttonEarlier,
    buttonLater,
    buttonSlower,
    buttonFaster,
    buttonRestart,
    buttonLeave,
    replayButtonCount,
};

struct ReplayTexts {
    const char* heading;
    const char* help;
    const char* empty;
    const char* cannotRead;
    // Results, in ReplayResult's order.
    const char* results[4];
    const char* humanOpponent;
    // The status line while watching: "%s" speed, frame, frames.
    const char* playing;
    const char* paused;
    // The watch's buttons, each naming its key; the pause button reads `play` while paused.
    const char* buttons[replayButtonCount];
    const char* play;
    // The list's button back to the title.
    const char* back;
    const char* ended;
    // An online match's row: "%s %s" both players (a replay the player watched, or whose
    // names are not the player's); the verdict with "%s" the winner's name: won, won as the
    // other left, won as the other was gone; the verdicts without a winner.
    const char* bothPlayers;
    const char* wonBy;
    const char* wonOtherLeft;
    const char* wonOtherGone;
    const char* parted;
    const char* tooLong;
};

const ReplayTexts& japaneseReplayTexts();
const ReplayTexts& englishReplayTexts();

} // namespace kokurin
