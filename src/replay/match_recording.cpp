// The recorder and the player: both take a hash at the pump of every replayHashInterval-th
// frame, before that frame's input, and one when the match returns.
#include "replay/match_recording.h"

#include <cstdio>

#include "replay/state_hash.h"

namespace kokurin {

MatchRecorder::MatchRecorder(FrameInputSource& inner, const MatchState& state,
                             const MatchStart& start)
    : inner_(inner), state_(state) {
    replay_.gameVersion = gameVersion();
    replay_.start = start;
    // Two minutes of frames, so that a usual match never reallocates while it is played.
    replay_.inputs.reserve(2 * 60 * 60);
    replay_.hashes.reserve(2 * 60 + 1);
}

InputState MatchRecorder::nextInput(const bool localDown[keyboardKeys], FrameInput& input) {
    const InputState state = inner_.nextInput(localDown, input);
    if (state != InputState::Ready || overflowed_) {
        return state;
    }
    if (replay_.inputs.size() >= replayMaxFrames) {
        overflowed_ = true;
        return state;
    }
    const std::size_t frame = replay_.inputs.size() + 1;
    if (frame % replayHashInterval == 0) {
        replay_.hashes.push_back(hashMatchState(state_, sharedRandom));
    }
    replay_.inputs.push_back(input);
    return state;
}

bool MatchRecorder::finish(ReplayResult result, Replay& replay) {
    if (overflowed_) {
        return false;
    }
    replay_.result = result;
    replay_.hashes.push_back(hashMatchState(state_, sharedRandom));
    replay = replay_;
    return true;
}

ReplayPlayer::ReplayPlayer(const Replay& replay, const MatchState& state)
    : replay_(replay), state_(state) {}

InputState ReplayPlayer::nextInput(const bool[keyboardKeys], FrameInput& input) {
    if (divergedAt_ != 0 || next_ >= replay_.inputs.size()) {
        return InputState::End;
    }
    const std::uint32_t frame = next_ + 1;
    if (frame % replayHashInterval == 0) {
        const std::size_t k = frame / replayHashInterval - 1;
        if (k >= replay_.hashes.size() ||
            replay_.hashes[k] != hashMatchState(state_, sharedRandom)) {
            divergedAt_ = frame;
            return InputState::End;
        }
    }
    input = replay_.inputs[next_++];
    return InputState::Ready;
}

bool ReplayPlayer::finish(ReplayResult result, std::string& error) const {
    char message[200];
    if (divergedAt_ != 0) {
        std::snprintf(message, sizeof message,
                      "the replay does not match the game at frame %u: it was recorded by "
                      "another version or is damaged",
                      static_cast<unsigned>(divergedAt_));
        error = message;
        return false;
    }
    if (next_ < replay_.inputs.size()) {
        std::snprintf(message, sizeof message,
                      "the replay goes on after its match ended at frame %u of %u",
                      static_cast<unsigned>(next_), static_cast<unsigned>(replay_.inputs.size()));
        error = message;
        return false;
    }
    if (replay_.hashes.empty() || replay_.hashes.back() != hashMatchState(state_, sharedRandom) ||
        result != replay_.result) {
        std::snprintf(message, sizeof message,
                      "the replay does not match the game at its end (frame %u)",
                      static_cast<unsigned>(next_));
        error = message;
        return false;
    }
    return true;
}

ReplayResult matchResult(const MatchState& state, bool quit) {
    if (state.hp[0] <= 0.0f || state.hp[1] <= 0.0f) {
        // The winner screen's own rule.
        return state.hp[0] > 0.0f ? ReplayResult::FirstWon : ReplayResult::SecondWon;
    }
    return quit ? ReplayResult::Stopped : ReplayResult::Left;
}

} // namespace kokurin
