// Every text of the replay list and the replay watch, in one table per language.
#pragma once

namespace kokurin {

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
    const char* watchHelp;
    const char* ended;
};

const ReplayTexts& japaneseReplayTexts();
const ReplayTexts& englishReplayTexts();

} // namespace kokurin
