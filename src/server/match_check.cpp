// One match at a time on the headless front end: the server is single-threaded, and a whole
// match re-plays in milliseconds.
#include "match_check.h"

#include "headless/headless.h"
#include "input/input_route.h"
#include "net/stream_source.h"
#include "replay/match_recording.h"
#include "screens/match_loop.h"
#include "screens/match_observer.h"
#include "screens/title_screen.h"

namespace kokurin {

namespace {

// Stops the match at the winner screen, where a client's match returns too.
class StopAtWinner : public MatchObserver {
  public:
    void winnerScreen(const MatchState&) override { headless::setPollLimit(headless::pollCount()); }
};

} // namespace

Replay replayStreams(const MatchStart& start, const std::vector<FrameInput>& first,
                     const std::vector<FrameInput>& second, std::uint32_t frames) {
    headless::reset();
    headless::setRecording(false);
    headless::setMessageHandler([](const char*) {});
    StopAtWinner stop;
    setMatchObserver(&stop);
    restoreMatchStart(start);
    MatchState state;
    setUpMatch(state, start.opponent);
    net::StreamInputSource streams(first, second, state, frames);
    MatchRecorder recorder(streams, state, start);
    bool quit = false;
    {
        ScopedFrameInput route(recorder);
        quit = runMatch(state);
    }
    setMatchObserver(nullptr);
    Replay replay;
    recorder.finish(matchResult(state, quit), replay);
    return replay;
}

bool replayHashAt(const Replay& replay, std::uint32_t frame, std::uint32_t& hash) {
    if (frame == 0 || frame % replayHashInterval != 0) {
        return false;
    }
    // A second's hash is taken at the frame's input, so only frames the replay played have
    // one (the last hash is the end's).
    const std::size_t k = frame / replayHashInterval - 1;
    if (frame > replay.inputs.size() || k >= replay.hashes.size()) {
        return false;
    }
    hash = replay.hashes[k];
    return true;
}

} // namespace kokurin
