// The merged frames of two streams, for as long as both have them.
#include "net/stream_source.h"

#include "net/seat_input.h"

namespace kokurin::net {

StreamInputSource::StreamInputSource(const std::vector<FrameInput>& first,
                                     const std::vector<FrameInput>& second, const MatchState& state,
                                     std::uint32_t frames)
    : first_(first), second_(second), state_(state), frames_(frames) {
    if (frames_ > first_.size()) {
        frames_ = static_cast<std::uint32_t>(first_.size());
    }
    if (frames_ > second_.size()) {
        frames_ = static_cast<std::uint32_t>(second_.size());
    }
}

InputState StreamInputSource::nextInput(const bool[keyboardKeys], FrameInput& input) {
    if (next_ >= frames_) {
        return InputState::End;
    }
    input = mergeSeatInputs(first_[next_], second_[next_], state_.currentPlayer);
    ++next_;
    return InputState::Ready;
}

} // namespace kokurin::net
