// Each frame: read the client; step the confirmed match over every frame both streams now hold
// (up to the shown one), comparing each with the input the shown match played it on first, and
// rolling back to it on a disagreement; then, unless the shown match is too far ahead, send
// this seat's input and ready the shown match's next frame.
#include "net/rollback_session.h"

#include <algorithm>
#include <chrono>
#include <iterator>

#include "net/seat_input.h"
#include "replay/replay_file.h"

namespace kokurin::net {

namespace {

constexpr bool noKeys[keyboardKeys] = {};
// Frames the other player's inputs may run late beyond this player's round trip before a frame
// is held to let them catch up, and the fewest frames between two such holds. A stream whose
// input does not change comes only as far as it reaches every keep-alive: that much later is
// not behind.
constexpr std::int64_t catchUpSlack =
    3 + static_cast<std::int64_t>((OnlineClient::keepAliveMs * 60u + 999u) / 1000u);
constexpr std::uint32_t holdSpacing = 15;
// Frames behind the streams past which the shown match is played fast to catch up (after a
// resume, or a spectator arriving late), one shown frame in eight.
constexpr std::uint32_t catchUpFrames = 90;
constexpr int catchUpSpeed = 8;

std::uint32_t framesOfMs(std::uint32_t ms) {
    return (ms * 60u + 999u) / 1000u;
}

} // namespace

std::uint32_t framesAheadBound(std::uint32_t roundTripMs) {
    const std::uint32_t frames = framesOfMs(std::min<std::uint32_t>(roundTripMs, 10000u)) + 20u;
    return std::clamp<std::uint32_t>(frames, 40u, 120u);
}

void RollbackSession::Confirmed::sound(const SoundCue& cue) {
    if (sounds_ != nullptr) {
        sounds_->sound(cue);
    }
}

RollbackSession::RollbackSession(OnlineClient& client, const MatchStart& start,
                                 LocalSeatInput& local, std::function<std::uint32_t()> clock,
                                 MatchObserver& observer, MatchListener& sounds, int inputDelay)
    : client_(client), local_(local), clock_(std::move(clock)), seat_(client.seat()),
      delay_(inputDelay < 0 ? 0 : inputDelay), shownSounds_(sounds),
      confirmedListener_(observer, client.seat() >= 2 ? &sounds : nullptr), confirmed_(start),
      speculative_(start), shown_(client.seat() >= 2 ? &confirmed_ : &speculative_),
      recorder_(given_, confirmed_, start) {
    // A resumed match goes on from what the server already holds of this seat.
    firstSent_ = spectator() ? 0 : client_.start().held[seat_];
    nextSend_ = firstSent_;
    // Two minutes of frames, so that a usual match never reallocates while it is played.
    sent_.reserve(2 * 60 * 60);
    sent_.resize(firstSent_);
    starts_ = client_.startsReceived();
}

void RollbackSession::begin() {
    confirmed_.begin(confirmedListener_);
    if (!spectator()) {
        speculative_.begin(shownSounds_);
    }
}

bool RollbackSession::decided() const {
    return confirmed_.over() || confirmed_.phase() == MatchPhase::Winner;
}

std::uint32_t RollbackSession::bound() const {
    return framesAheadBound(client_.roundTripMs());
}

int RollbackSession::framesPerShownFrame() const {
    const std::uint32_t ready = client_.framesReady();
    return ready > shownFrames_ + catchUpFrames ? catchUpSpeed : 1;
}

bool RollbackSession::ownInput(std::uint32_t frame, FrameInput& input) const {
    const std::vector<FrameInput>& mine = client_.stream(seat_);
    if (frame < mine.size()) {
        input = mine[frame];
        return true;
    }
    if (frame >= firstSent_ && frame < nextSend_) {
        input = sent_[frame];
        return true;
    }
    return false;
}

bool RollbackSession::shownInput(std::uint32_t frame, const Match& at, FrameInput& merged) const {
    FrameInput own;
    if (!ownInput(frame, own)) {
        return false;
    }
    const std::vector<FrameInput>& theirs = client_.stream(1 - seat_);
    const FrameInput other = frame < theirs.size() ? theirs[frame] : predictedSeatInput(theirs);
    const int mover = at.state().currentPlayer;
    merged = seat_ == 0 ? mergeSeatInputs(own, other, mover) : mergeSeatInputs(other, own, mover);
    return true;
}

void RollbackSession::resendAfterResume() {
    if (spectator() || client_.startsReceived() == starts_) {
        return;
    }
    // Resumed on a new connection: what the old one lost in flight goes again.
    starts_ = client_.startsReceived();
    for (std::uint32_t f = std::max(client_.start().held[seat_], firstSent_); f < nextSend_; ++f) {
        client_.sendInput(f, sent_[f]);
    }
}

void RollbackSession::sendLocalInputs(const bool localDown[keyboardKeys], std::uint8_t pick) {
    // Keys pressed and a pick made while the frames are held go with the next frame sent (a tap
    // of ESC during a wait is not lost).
    for (int key = 0; key < keyboardKeys; ++key) {
        heldDown_[key] = heldDown_[key] || localDown[key];
    }
    if (pick != 0 && heldPickCount_ < static_cast<int>(std::size(heldPicks_))) {
        heldPicks_[heldPickCount_++] = pick;
    }
}

FrameInput RollbackSession::streamsInput() const {
    const std::uint32_t frame = confirmedFrames_;
    return mergeSeatInputs(client_.stream(0)[frame], client_.stream(1)[frame],
                           confirmed_.state().currentPlayer);
}

bool RollbackSession::shownAgrees() const {
    const std::uint32_t frame = confirmedFrames_;
    // The inputs of the frame before count too: a key the shown match took for held on may have
    // been let go and pressed again.
    const FrameInput none;
    return readAlike(used_[frame % ringFrames], frame == 0 ? none : used_[(frame - 1) % ringFrames],
                     streamsInput(), frame == 0 ? none : confirmedInput_, inputReads(confirmed_));
}

void RollbackSession::confirmOne() {
    const std::uint32_t frame = confirmedFrames_;
    const FrameInput input = streamsInput();
    // The hash is taken where a replay takes it: before the input of every 60th frame.
    const std::uint32_t number = frame + 1;
    if (!spectator() && number % replayHashInterval == 0) {
        std::uint32_t hash = confirmed_.hash();
        if (number == corruptAt_) {
            hash ^= 0x5a5a5a5au;
        }
        client_.sendHash(number, hash);
    }
    given_.next = input;
    FrameInput recorded;
    recorder_.nextInput(noKeys, recorded);
    confirmed_.step(input, confirmedListener_);
    confirmedInput_ = input;
    ++confirmedFrames_;
}

void RollbackSession::rollBack() {
    const auto began = std::chrono::steady_clock::now();
    speculative_ = confirmed_;
    const std::uint32_t from = confirmedFrames_;
    // From here on the shown match's past is the confirmed one.
    if (from > 0) {
        used_[(from - 1) % ringFrames] = confirmedInput_;
    }
    for (std::uint32_t frame = from; frame < shownFrames_; ++frame) {
        FrameInput& used = used_[frame % ringFrames];
        // Every frame below shownFrames_ had its own input when it was first stepped.
        shownInput(frame, speculative_, used);
        shownSounds_.beginFrame(frame, true);
        speculative_.step(used, shownSounds_);
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - began)
                            .count();
    const std::uint32_t frames = shownFrames_ - from;
    ++stats_.rollbacks;
    stats_.framesStepped += frames;
    stats_.longestFrames = std::max(stats_.longestFrames, frames);
    stats_.longestMicros = std::max(stats_.longestMicros, static_cast<std::uint32_t>(micros));
}

InputState RollbackSession::wait() {
    client_.transport().waitForTraffic(1);
    return InputState::Pending;
}

InputState RollbackSession::nextInput(const bool localDown[keyboardKeys], FrameInput& input) {
    client_.update(clock_());
    if (client_.phase() == OnlineClient::Phase::Failed) {
        return InputState::End;
    }
    const bool over = client_.phase() == OnlineClient::Phase::Over;
    const std::uint32_t ready = client_.framesReady();
    resendAfterResume();

    if (spectator()) {
        if (decided() || (over && confirmedFrames_ >= ready)) {
            return InputState::End;
        }
        // Played from a small buffer: once it ran dry, it fills again before play goes on.
        if (confirmedFrames_ >= ready) {
            flowing_ = false;
        } else if (ready >= confirmedFrames_ + spectatorDelay || over) {
            flowing_ = true;
        }
        if (!flowing_) {
            return wait();
        }
        ready_ =
            mergeSeatInputs(client_.stream(0)[confirmedFrames_],
                            client_.stream(1)[confirmedFrames_], confirmed_.state().currentPlayer);
        input = ready_;
        return InputState::Ready;
    }

    sendLocalInputs(localDown, input.pointer);
    // A frame the shown match played on an input the match reads otherwise is where it parted:
    // it is stepped again from there, on every input known now, and the frames after agree.
    while (confirmedFrames_ < std::min(ready, shownFrames_) && !decided()) {
        if (!shownAgrees()) {
            rollBack();
        }
        confirmOne();
    }
    if (decided()) {
        return InputState::End;
    }
    if (over && confirmedFrames_ >= ready) {
        // The server ended the match (a player gone): nothing more comes.
        return InputState::End;
    }
    if (shown_->over()) {
        // Left here (ESC): the server's stream says whether it stands.
        return wait();
    }
    if (shownFrames_ - confirmedFrames_ >= bound()) {
        ++stats_.boundWaits;
        return wait();
    }
    // The other player's inputs lag this one's by more than the round trip: this player is
    // ahead, and a frame held now and then lets the other catch up before the bound is reached.
    const std::int64_t lead = static_cast<std::int64_t>(shownFrames_) -
                              static_cast<std::int64_t>(client_.stream(1 - seat_).size());
    ++sinceHold_;
    if (lead > static_cast<std::int64_t>(framesOfMs(client_.roundTripMs())) + catchUpSlack &&
        sinceHold_ > holdSpacing) {
        sinceHold_ = 0;
        ++stats_.catchUpHolds;
        return wait();
    }
    // This seat's frames up to this one's plus the delay are sent; those before the first
    // sampled one are blank, as nobody could have pressed anything for them yet.
    if (!over && client_.phase() == OnlineClient::Phase::Playing) {
        const std::uint32_t target = shownFrames_ + static_cast<std::uint32_t>(delay_);
        while (nextSend_ <= target) {
            FrameInput mine;
            if (nextSend_ == target) {
                std::uint8_t pick = 0;
                if (heldPickCount_ > 0) {
                    pick = heldPicks_[0];
                    std::copy(heldPicks_ + 1, heldPicks_ + heldPickCount_, heldPicks_);
                    --heldPickCount_;
                }
                mine = seatInput(local_.inputFor(nextSend_, heldDown_, pick), seat_);
                std::fill(std::begin(heldDown_), std::end(heldDown_), false);
            }
            client_.sendInput(nextSend_, mine);
            sent_.push_back(mine);
            ++nextSend_;
        }
    }
    if (!shownInput(shownFrames_, *shown_, ready_)) {
        return wait();
    }
    input = ready_;
    return InputState::Ready;
}

void RollbackSession::stepShown() {
    if (spectator()) {
        // A spectator's frames are the confirmed ones, heard as they are played.
        confirmOne();
        shownFrames_ = confirmedFrames_;
        return;
    }
    used_[shownFrames_ % ringFrames] = ready_;
    // A frame met for the first time: rollbacks step only frames below it again.
    shownSounds_.beginFrame(shownFrames_, false);
    speculative_.step(ready_, shownSounds_);
    ++shownFrames_;
}

void RollbackSession::settle(std::uint32_t timeoutMs) {
    const std::uint32_t began = clock_();
    for (;;) {
        client_.update(clock_());
        const std::uint32_t ready = client_.framesReady();
        while (confirmedFrames_ < std::min(ready, shownFrames_) && !decided()) {
            confirmOne();
        }
        const bool over = client_.phase() == OnlineClient::Phase::Over;
        if (decided() || confirmedFrames_ >= shownFrames_ || (over && confirmedFrames_ >= ready) ||
            client_.phase() == OnlineClient::Phase::Failed || clock_() - began > timeoutMs) {
            return;
        }
        client_.transport().waitForTraffic(5);
    }
}

} // namespace kokurin::net
