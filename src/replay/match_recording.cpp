// The recorder and the player: both take a hash at the pump of every replayHashInterval-th
// frame, before that frame's input, and one when the match returns.
#include "replay/match_recording.h"

#include <cstdio>


namespace kokurin {

MatchRecorder::MatchRecorder(FrameInputSource& inner, const Match& match, const MatchStart& start)
    : inner_(inner), match_(match) {
    replay_.gameVersion = gameVersion();
    replay_.start = start;
    // Two minutes of frames, so that a usual match never reallocates while it is played.
    replay_.inputs.reserve(2 * 60 * 60);
    replay_.hashes.reserve(2 * 60 + 1);
}

InputState MatchRecorder::nextInput(const bool localDown[keyboardKeys], FrameInput& input) {
    const InputState state = inner_.nextInput(localDown, input);
    // The winner screen's frames are the watcher's, not the match's.
    if (state != InputState::Ready || overflowed_ || match_.phase() == MatchPhase::Winner ||
        match_.over()) {
        return state;
    }
    if (replay_.inputs.size() >= replayMaxFrames) {
        overflowed_ = true;
        return state;
    }
    const std::size_t frame = replay_.inputs.size() + 1;
    if (frame % replayHashInterval == 0) {
        replay_.hashes.push_back(match_.hash());
    }
    replay_.inputs.push_back(input);
    return state;
}

bool MatchRecorder::finish(ReplayResult result, Replay& replay) {
    if (overflowed_) {
        return false;
    }
    replay_.result = result;
    replay_.hashes.push_back(match_.hash());
    replay = replay_;
    return true;
}

ReplayPlayer::ReplayPlayer(const Replay& replay, const Match& match)
    : replay_(replay), match_(match) {}

InputState ReplayPlayer::nextInput(const bool[keyboardKeys], FrameInput& input) {
    if (divergedAt_ != 0 || next_ >= replay_.inputs.size()) {
        return InputState::End;
    }
    const std::uint32_t frame = next_ + 1;
    if (frame % replayHashInterval == 0) {
        const std::size_t k = frame / replayHashInterval - 1;
        if (k >= replay_.hashes.size() || replay_.hashes[k] != match_.hash()) {
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
    if (replay_.hashes.empty() || replay_.hashes.back() != match_.hash() ||
        result != replay_.result) {
        std::snprintf(message, sizeof message,
                      "the replay does not match the game at its end (frame %u)",
                      static_cast<unsigned>(next_));
        error = message;
        return false;
    }
    return true;
}

void ReplaySnapshots::offer(const Match& match, std::uint32_t frame) {
    if (frame % interval == 0 && frame / interval == kept_.size()) {
        kept_.push_back(match);
    }
}

std::uint32_t ReplaySnapshots::seek(const Replay& replay, Match& match, std::uint32_t target,
                                    bool& diverged) {
    diverged = false;
    if (kept_.empty()) {
        return match.frame();
    }
    const std::uint32_t last = static_cast<std::uint32_t>(replay.inputs.size());
    if (target > last) {
        target = last;
    }
    std::size_t base = target / interval;
    if (base >= kept_.size()) {
        base = kept_.size() - 1;
    }
    match = kept_[base];
    std::uint32_t frame = static_cast<std::uint32_t>(base) * interval;
    while (frame < target && !match.over()) {
        offer(match, frame);
        const std::uint32_t number = frame + 1;
        if (number % replayHashInterval == 0) {
            const std::size_t k = number / replayHashInterval - 1;
            if (k >= replay.hashes.size() || replay.hashes[k] != match.hash()) {
                diverged = true;
                return number;
            }
        }
        match.step(replay.inputs[frame], silentListener());
        ++frame;
    }
    offer(match, frame);
    return frame;
}

ReplayResult matchResult(const Match& match, bool quit) {
    switch (match.outcome()) {
    case MatchOutcome::FirstWon:
        return ReplayResult::FirstWon;
    case MatchOutcome::SecondWon:
        return ReplayResult::SecondWon;
    default:
        return quit ? ReplayResult::Stopped : ReplayResult::Left;
    }
}

} // namespace kokurin
