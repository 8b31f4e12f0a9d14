// The reads follow the match's own steps (a key is pressed when its hold counter is 1: down now
// and up the frame before): ESC in every phase; a human's turn (and the bare frame
// before one, which begins it) its mover's keys, H and the pick; the clash and the winner screen
// 1P's select and the pick, which leave the winner screen the step that enters it or any after.
#include "net/input_reads.h"

namespace kokurin::net {

InputReads inputReads(const Match& match) {
    InputReads reads;
    if (match.over()) {
        // An ended match steps no more.
        return reads;
    }
    reads.keys = 1u << bitEscape;
    switch (match.phase()) {
    case MatchPhase::HumanTurn:
    case MatchPhase::Between:
        reads.keys |= seatKeyBits[match.state().currentPlayer == 0 ? 0 : 1] | (1u << bitHint);
        reads.pointer = true;
        break;
    case MatchPhase::ClashPause:
    case MatchPhase::DamagePause:
    case MatchPhase::Strike:
    case MatchPhase::Winner:
        // Hit points fall only in a strike, so only the clash can reach the winner screen, which
        // a pick anywhere leaves as the select does.
        reads.keys |= 1u << bitFirstSelect;
        reads.pointer = true;
        break;
    case MatchPhase::ComputerTurn:
    case MatchPhase::CascadeHoles:
    case MatchPhase::CascadeRefilled:
    case MatchPhase::Over:
        break;
    }
    return reads;
}

bool readAlike(const FrameInput& a, const FrameInput& aBefore, const FrameInput& b,
               const FrameInput& bBefore, const InputReads& reads) {
    const std::uint16_t pressedA = a.keys & ~aBefore.keys;
    const std::uint16_t pressedB = b.keys & ~bBefore.keys;
    if (((pressedA ^ pressedB) & reads.keys) != 0) {
        return false;
    }
    return !reads.pointer || a.pointer == b.pointer;
}

FrameInput predictedSeatInput(const std::vector<FrameInput>& stream) {
    FrameInput predicted;
    if (!stream.empty()) {
        predicted.keys = stream.back().keys;
    }
    return predicted;
}

} // namespace kokurin::net
