// Lockstep over the server's relay: the pump holds the match (Pending) while a frame's inputs
// are on their way, and every client plays the same merged frames in the same order.
#include "net/lockstep_source.h"

#include <algorithm>
#include <iterator>

#include "net/seat_input.h"
#include "replay/replay_file.h"

namespace kokurin::net {

int inputDelayForRoundTrip(std::uint32_t roundTripMs) {
    // The other player's frames come through the server (about one round trip) and, while its
    // keys do not change, as far as its stream reaches every keep-alive.
    constexpr std::uint32_t keepAliveFrames = (OnlineClient::keepAliveMs * 60u + 999u) / 1000u;
    const std::uint32_t frames = (roundTripMs * 60u + 999u) / 1000u + 2u + keepAliveFrames;
    return frames > 36u ? 36 : static_cast<int>(frames);
}

LockstepInputSource::LockstepInputSource(OnlineClient& client, const Match& match,
                                         LocalSeatInput& local,
                                         std::function<std::uint32_t()> clock, int inputDelay)
    : client_(client), match_(match), local_(local), clock_(std::move(clock)), delay_(inputDelay) {
    const std::uint8_t seat = client_.seat();
    // A resumed match goes on from what the server already holds of this seat.
    nextSend_ = seat < 2 ? client_.start().held[seat] : 0;
    sent_.resize(nextSend_);
    starts_ = client_.startsReceived();
}

InputState LockstepInputSource::nextInput(const bool localDown[keyboardKeys], FrameInput& input) {
    client_.update(clock_());
    const bool over = client_.phase() == OnlineClient::Phase::Over;
    if (client_.phase() == OnlineClient::Phase::Failed) {
        return InputState::End;
    }
    const std::uint8_t seat = client_.seat();
    const std::uint32_t frame = next_;
    if (seat < 2 && client_.startsReceived() != starts_) {
        // Resumed on a new connection: what the old one lost in flight goes again.
        starts_ = client_.startsReceived();
        for (std::uint32_t f = client_.start().held[seat]; f < nextSend_ && f < sent_.size(); ++f) {
            client_.sendInput(f, sent_[f]);
        }
    }
    // Keys pressed and a pick made while the frames are held go with the next frame sent (a
    // tap of ESC during a wait is not lost); the screen a pick was made on is still the one
    // shown.
    for (int key = 0; key < keyboardKeys; ++key) {
        heldDown_[key] = heldDown_[key] || localDown[key];
    }
    if (input.pointer != 0) {
        heldPick_ = input.pointer;
    }
    if (seat < 2 && !over && client_.phase() == OnlineClient::Phase::Playing) {
        // The frames up to this one's plus the delay are sent; those before the first sampled
        // one are blank, as nobody could have pressed anything for them yet.
        const std::uint32_t target = frame + static_cast<std::uint32_t>(delay_);
        while (nextSend_ <= target) {
            FrameInput mine;
            if (nextSend_ == target) {
                mine = seatInput(local_.inputFor(nextSend_, heldDown_, heldPick_), seat);
                std::fill(std::begin(heldDown_), std::end(heldDown_), false);
                heldPick_ = 0;
            }
            client_.sendInput(nextSend_, mine);
            sent_.push_back(mine);
            ++nextSend_;
        }
    }
    if (client_.framesReady() <= frame) {
        if (over) {
            // The server ended the match (a player gone): nothing more comes.
            return InputState::End;
        }
        ++held_;
        client_.transport().waitForTraffic(1);
        return InputState::Pending;
    }
    held_ = 0;
    // The hash is taken where a replay takes it: before the input of every 60th frame.
    const std::uint32_t number = frame + 1;
    if (number % replayHashInterval == 0 && seat < 2) {
        std::uint32_t hash = match_.hash();
        if (number == corruptAt_) {
            hash ^= 0x5a5a5a5au;
        }
        client_.sendHash(number, hash);
    }
    input = mergeSeatInputs(client_.stream(0)[frame], client_.stream(1)[frame],
                            match_.state().currentPlayer);
    ++next_;
    return InputState::Ready;
}

} // namespace kokurin::net
