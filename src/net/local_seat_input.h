// Where an online player's own input comes from, asked once for each frame it is sent for: the
// local devices in the game, a key script or the novice in kokurin-sim.
#pragma once

#include <cstdint>

#include "input/frame_input.h"
#include "input/match_input.h"

namespace kokurin::net {

// Asked once for each frame of this seat's stream; pointer is the local pointer's pick in the
// frame it is asked from (0: none).
class LocalSeatInput {
  public:
    virtual ~LocalSeatInput() = default;
    virtual FrameInput inputFor(std::uint32_t frame, const bool localDown[keyboardKeys],
                                std::uint8_t pointer) = 0;
};

// The local devices: the match keys and the pointer's pick (a click or a tap on a cell).
class DeviceSeatInput : public LocalSeatInput {
  public:
    FrameInput inputFor(std::uint32_t, const bool localDown[keyboardKeys],
                        std::uint8_t pointer) override {
        FrameInput input = frameInputOfKeys(localDown);
        input.pointer = pointer;
        return input;
    }
};

} // namespace kokurin::net
