// The streams merged as every client merges them, stepped on a match value exactly as a client's
// recorder sees them: the hash of every 60th frame before its input, the inputs up to the winner
// screen's first frame (or ESC, or the frames the client reported), the end's hash.
#include "match_check.h"

#include "match/match.h"
#include "net/seat_input.h"

namespace kokurin {

Replay replayStreams(const MatchStart& start, const std::vector<FrameInput>& first,
                     const std::vector<FrameInput>& second, std::uint32_t frames) {
    Replay replay;
    replay.gameVersion = gameVersion();
    replay.start = start;
    if (frames > first.size()) {
        frames = static_cast<std::uint32_t>(first.size());
    }
    if (frames > second.size()) {
        frames = static_cast<std::uint32_t>(second.size());
    }
    if (frames > replayMaxFrames) {
        frames = replayMaxFrames;
    }
    if (!validMatchStart(start)) {
        replay.result = ReplayResult::Stopped;
        return replay;
    }
    replay.inputs.reserve(frames);
    replay.hashes.reserve(frames / replayHashInterval + 1);
    Match match(start);
    MatchListener& silent = silentListener();
    match.begin(silent);
    bool cut = false;
    for (std::uint32_t f = 0; !match.over() && match.phase() != MatchPhase::Winner; ++f) {
        if (f >= frames) {
            // The frames ended before the match did: as when a client's game closes.
            cut = true;
            break;
        }
        if ((f + 1) % replayHashInterval == 0) {
            replay.hashes.push_back(match.hash());
        }
        const FrameInput input =
            net::mergeSeatInputs(first[f], second[f], match.state().currentPlayer);
        replay.inputs.push_back(input);
        match.step(input, silent);
    }
    switch (match.outcome()) {
    case MatchOutcome::FirstWon:
        replay.result = ReplayResult::FirstWon;
        break;
    case MatchOutcome::SecondWon:
        replay.result = ReplayResult::SecondWon;
        break;
    default:
        replay.result = cut ? ReplayResult::Stopped : ReplayResult::Left;
        break;
    }
    replay.hashes.push_back(match.hash());
    return replay;
}

} // namespace kokurin
