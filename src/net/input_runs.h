// A seat's input stream in the form the Inputs message carries it: runs of frames with one input,
// and the frame the stream reaches (the frames past the last run repeat its input). The server
// and every client read and write streams through these two functions, so all of them hold the
// same frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/protocol.h"

namespace kokurin::net {

// Adds what an Inputs message says of its seat's stream to the frames held of it, up to `most`
// frames in all: the frames from the last held to the message's first repeat the last held
// (blank when none is), the runs follow, and the last run's input (without runs, the last frame
// held) repeats to the frame the stream reaches. Frames already held stay as they are. Returns
// the frames added.
std::size_t extendStream(std::vector<FrameInput>& stream, const Message& inputs, std::size_t most);

// Writes frames [from, to) of a seat's stream as an Inputs message: its seat, first frame, runs
// and the seat's reach (the other seat's entry is left at 0 for the caller). `lastKnown`: the
// receiver holds frame from - 1 as stream[from - 1] (always so for frame 0), so the frames that
// repeat it need no run. A message holds at most maxInputRuns runs; the frame it reaches is
// returned (`to`, unless another message must follow from there).
std::uint32_t writeStream(const std::vector<FrameInput>& stream, int seat, std::uint32_t from,
                          std::uint32_t to, bool lastKnown, Message& out);

} // namespace kokurin::net
