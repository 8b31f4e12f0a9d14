// The seat mapping and the merge; bit positions follow matchKeys (ESC, H, 1P's five, 2P's five).
#include "net/seat_input.h"

namespace kokurin::net {

namespace {

constexpr std::uint16_t escapeBit = 0x0001;
constexpr int seatShift[2] = {2, 7};

} // namespace

FrameInput seatInput(const FrameInput& local, int seat) {
    const unsigned first = (local.keys >> seatShift[0]) & 0x1fu;
    const unsigned second = (local.keys >> seatShift[1]) & 0x1fu;
    FrameInput out;
    out.keys = static_cast<std::uint16_t>((local.keys & escapeBit) |
                                          ((first | second) << seatShift[seat == 0 ? 0 : 1]));
    out.pointer = local.pointer;
    return out;
}

FrameInput mergeSeatInputs(const FrameInput& first, const FrameInput& second, int mover) {
    FrameInput out;
    out.keys = static_cast<std::uint16_t>((first.keys & (seatKeyBits[0] | escapeBit)) |
                                          (second.keys & (seatKeyBits[1] | escapeBit)));
    out.pointer = mover == 0 ? first.pointer : second.pointer;
    return out;
}

} // namespace kokurin::net
