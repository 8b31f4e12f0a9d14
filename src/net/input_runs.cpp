// Runs in and out of a stream of frames. Expanding is bounded by the caller's `most` (a message
// may say its stream reaches far ahead; the server bounds how far before it calls this).
#include "net/input_runs.h"

#include <algorithm>

namespace kokurin::net {

std::size_t extendStream(std::vector<FrameInput>& stream, const Message& inputs,
                         std::size_t most) {
    const std::size_t held = stream.size();
    const std::size_t reach = std::min<std::size_t>(inputs.held[inputs.seat < 2 ? inputs.seat : 0],
                                                    most);
    if (reach <= held) {
        return 0;
    }
    FrameInput last = held > 0 ? stream[held - 1] : FrameInput{};
    // Appends `input` to the stream for the frames before `end` that it does not hold yet.
    auto fill = [&](std::size_t end, const FrameInput& input) {
        end = std::min(end, reach);
        if (end > stream.size()) {
            stream.insert(stream.end(), end - stream.size(), input);
        }
    };
    fill(inputs.number, last);
    std::size_t at = inputs.number;
    for (const InputRun& run : inputs.runs) {
        at += run.frames;
        fill(at, run.input);
        last = run.input;
    }
    fill(reach, last);
    return reach - held;
}

std::uint32_t writeStream(const std::vector<FrameInput>& stream, int seat, std::uint32_t from,
                          std::uint32_t to, bool lastKnown, Message& out) {
    out = Message();
    out.type = MessageType::Inputs;
    out.seat = static_cast<std::uint8_t>(seat);
    to = std::max(from, std::min<std::uint32_t>(to, static_cast<std::uint32_t>(stream.size())));
    std::uint32_t f = from;
    if (from == 0 || lastKnown) {
        // The receiver repeats its last frame up to the first run by itself.
        const FrameInput before = from > 0 ? stream[from - 1] : FrameInput{};
        while (f < to && stream[f] == before) {
            ++f;
        }
    }
    out.number = f;
    while (f < to && out.runs.size() < maxInputRuns) {
        const FrameInput input = stream[f];
        std::uint32_t end = f + 1;
        while (end < to && stream[end] == input && end - f < maxRunFrames) {
            ++end;
        }
        if (end == to) {
            // The last run needs one frame: the stream's reach repeats it.
            out.runs.push_back(InputRun{1, input});
            f = to;
            break;
        }
        out.runs.push_back(InputRun{static_cast<std::uint16_t>(end - f), input});
        f = end;
    }
    out.held[seat < 2 ? seat : 0] = f;
    return f;
}

} // namespace kokurin::net
