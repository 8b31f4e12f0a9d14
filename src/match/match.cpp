// A match, frame by frame. Each frame is the input read after the last frame was shown, then the
// logic up to the next frame to show: the turns (a human's keys and pick, or the computer's
// thinking and travel), the cascade with its pauses, the clash with its pauses and strikes, the
// bare frame between turns and the winner screen. ESC is tested where the game has always tested
// it: after a human's frame and in the pauses it ends the match; in the computer's turn and the
// clash it ends only that step (kept: escape-step).
#include "match/match.h"

#include "cpu/cursor_travel.h"
#include "match/state_hash.h"
#include "rules/board.h"
#include "rules/clash.h"
#include "rules/turn_budget.h"

namespace kokurin {

namespace {

constexpr int cascadePauseFrames = 30;
constexpr int clashStepFrames = 10;
constexpr int damagePauseFrames = 20;
constexpr int strikeFrames = 10;

// Where the computer's cursor and mark stand, to hear them move.
struct Marks {
    int cursor;
    int mark;
    bool raised;
};

Marks marksOf(const MatchState& state, const ComputerTurn& turn) {
    return {cellIndex(state.cursorCol, state.cursorRow), cellIndex(turn.markX, turn.markY),
            turn.markActive};
}

} // namespace

Element strongestElement(const ClearedTally& tally, int player) {
    if (player < 0 || player > 1) {
        return Earth;
    }
    int best = -1;
    int most = 0;
    for (int e = Fire; e <= Water; ++e) {
        if (tally.counts[player][e] > most) {
            best = e;
            most = tally.counts[player][e];
        }
    }
    // A winner who cleared nothing gets 宮, the scale's first tone.
    return best < 0 ? Earth : static_cast<Element>(best);
}

MatchListener& silentListener() {
    static MatchListener silent;
    return silent;
}

Match::Match(const MatchStart& start, std::int32_t firstSeatType)
    : random_(startGenerator(start)), rotation_(start.rotation) {
    setKeyHolds(start.keyHolds);
    state_.opponentType = start.opponent;
    state_.firstSeatType = firstSeatType;
    fillBoard(state_, random_);
}

Match Match::fromPosition(const MatchState& state, const Sfmt19937& random,
                          std::int32_t rotation, std::uint32_t keyHolds, MatchEntry entry) {
    Match match;
    match.state_ = state;
    match.random_ = random;
    match.rotation_ = rotation;
    match.setKeyHolds(keyHolds);
    match.entry_ = entry;
    return match;
}

void Match::setKeyHolds(std::uint32_t keyHolds) {
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        keys_[bit] = static_cast<std::int32_t>((keyHolds >> (2 * bit)) & 3u);
    }
}

MatchOutcome Match::outcome() const {
    if (state_.hp[0] <= 0.0f || state_.hp[1] <= 0.0f) {
        // The winner screen's own rule.
        return state_.hp[0] > 0.0f ? MatchOutcome::FirstWon : MatchOutcome::SecondWon;
    }
    return over() ? MatchOutcome::Left : MatchOutcome::Playing;
}

std::uint32_t Match::hash() const {
    return hashMatchState(state_, random_);
}

void Match::sound(SoundCue::Kind kind) {
    SoundCue cue;
    cue.kind = kind;
    listener_->sound(cue);
}

void Match::begin(MatchListener& listener) {
    if (begun_) {
        return;
    }
    begun_ = true;
    listener_ = &listener;
    if (entry_ == MatchEntry::Clash) {
        clashSteps();
    } else if (entry_ == MatchEntry::ComputerTurn) {
        listener_->turnStarted(state_);
        beginComputerTurn();
    } else {
        sound(SoundCue::Kind::MatchBegins);
        beginTurn();
    }
    listener_ = nullptr;
}

void Match::step(const FrameInput& input, MatchListener& listener) {
    if (!begun_ || phase_ == MatchPhase::Over) {
        return;
    }
    ++frame_;
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        keys_[bit] = ((input.keys >> bit) & 1u) != 0 ? keys_[bit] + 1 : 0;
    }
    pick_ = static_cast<int>(input.pointer) - 1;
    listener_ = &listener;
    const bool escape = pressed(bitEscape);
    switch (phase_) {
    case MatchPhase::HumanTurn:
        if (escape) {
            humanTurnEnded();
        } else if (state_.turnTimer == 0) {
            // Time out: the last frame was shown with 0 left; no exchange is made
            // (kept: odd-blink).
            state_.turnTimer = -1;
            humanTurnEnded();
        } else {
            humanFrame();
        }
        break;
    case MatchPhase::ComputerTurn:
        if (escape) {
            // ESC ends only this turn, without an exchange; the cursor stays where it got to.
            computerTurnEnded();
        } else if (state_.turnTimer <= 0) {
            finalSwap(state_, turn_);
            computerExchanged();
        } else {
            computerFrame();
        }
        break;
    case MatchPhase::CascadeHoles:
        if (escape) {
            finish(false);
        } else if (--pauseLeft_ > 0) {
            // The holes stay on show.
        } else {
            applyGravity(state_);
            refillBoard(state_, random_);
            pauseLeft_ = cascadePauseFrames;
            phase_ = MatchPhase::CascadeRefilled;
        }
        break;
    case MatchPhase::CascadeRefilled:
        if (escape) {
            finish(false);
        } else if (--pauseLeft_ == 0) {
            ++cascadeStep_;
            clearStep();
        }
        break;
    case MatchPhase::ClashPause:
        if (escape) {
            clashEnded();
        } else if (--pauseLeft_ == 0) {
            clashSteps();
        }
        break;
    case MatchPhase::DamagePause:
        if (escape) {
            clashEnded();
        } else if (--pauseLeft_ == 0) {
            damage_ = StrikeDamage{};
            nextStrike();
        }
        break;
    case MatchPhase::Strike:
        if (escape) {
            clashEnded();
        } else if (++strikeFrame_ == strikeFrames) {
            nextStrike();
        }
        break;
    case MatchPhase::Between:
        if (escape) {
            finish(false);
        } else {
            beginTurn();
        }
        break;
    case MatchPhase::Winner:
        if (escape) {
            finish(false);
        } else if (pick_ >= 0) {
            // A click or a tap anywhere on the winner screen leaves it as SPACE does.
            finish(true);
        } else {
            winnerFrame();
        }
        break;
    case MatchPhase::Over:
        break;
    }
    listener_ = nullptr;
}

void Match::beginTurn() {
    listener_->turnStarted(state_);
    if (computerPlaysTurn(state_)) {
        beginComputerTurn();
        return;
    }
    const int self = state_.currentPlayer;
    // The player who is behind gets more time.
    state_.turnTimer = turnBudget(state_.hp[self], state_.hp[1 - self]);
    // A budget of no frames is no turn at all; hit points cannot give a negative one
    // (kept: empty-budget).
    if (state_.turnTimer <= 0) {
        state_.turnTimer = -1;
        humanTurnEnded();
        return;
    }
    selected_ = false;
    selectedCol_ = 0;
    selectedRow_ = 0;
    humanFrame();
}

void Match::beginComputerTurn() {
    startComputerTurn(state_, turn_, random_, rotation_, listener_);
    if (state_.turnTimer <= 0) {
        // No time at all: the cursor and the mark's random start are exchanged as they stand.
        finalSwap(state_, turn_);
        computerExchanged();
        return;
    }
    computerFrame();
}

void Match::humanFrame() {
    const int* keys = seatKeyBitsInOrder[state_.currentPlayer];
    --state_.turnTimer;
    if (state_.turnTimer >= 0 && state_.turnTimer < 300 && state_.turnTimer % 60 == 0) {
        sound(SoundCue::Kind::SecondLeft);
    }
    if (pressed(bitHint)) {
        listener_->hintAsked(state_);
    }

    const int cursorBefore = cellIndex(state_.cursorCol, state_.cursorRow);
    // The cursor wraps at every edge; opposite keys in one frame cancel, and select acts on the
    // cell moved to (kept: cancelling-keys).
    if (pressed(keys[0])) {
        state_.cursorCol = (state_.cursorCol + 5) % boardSize;
    }
    if (pressed(keys[1])) {
        state_.cursorCol = (state_.cursorCol + 1) % boardSize;
    }
    if (pressed(keys[2])) {
        state_.cursorRow = (state_.cursorRow + 5) % boardSize;
    }
    if (pressed(keys[3])) {
        state_.cursorRow = (state_.cursorRow + 1) % boardSize;
    }
    // A picked cell is the cursor moved there and select pressed, after the keys.
    const bool picked = pick_ >= 0 && pick_ < cellCount;
    if (picked) {
        state_.cursorCol = pick_ % boardSize;
        state_.cursorRow = pick_ / boardSize;
    }
    if (cellIndex(state_.cursorCol, state_.cursorRow) != cursorBefore) {
        sound(SoundCue::Kind::CursorMoved);
    }

    if (pressed(keys[4]) || picked) {
        if (!selected_) {
            selected_ = true;
            selectedCol_ = state_.cursorCol;
            selectedRow_ = state_.cursorRow;
            sound(SoundCue::Kind::CellSelected);
        } else if (selectedCol_ != state_.cursorCol || selectedRow_ != state_.cursorRow) {
            // Any two cells may be exchanged; the exchange stands even if nothing clears.
            const int first = cellIndex(selectedCol_, selectedRow_);
            const int second = cellIndex(state_.cursorCol, state_.cursorRow);
            swapCells(state_, first, second);
            selected_ = false;
            sound(SoundCue::Kind::CellsExchanged);
            listener_->swapMade(state_, first, second);
            // The turn ends in this frame, which is not shown.
            humanTurnEnded();
            return;
        } else {
            selected_ = false;
            sound(SoundCue::Kind::SelectionDropped);
        }
    }
    phase_ = MatchPhase::HumanTurn;
}

void Match::humanTurnEnded() {
    selected_ = false;
    listener_->turnEnded(state_, false);
    if (pressed(bitEscape)) {
        finish(false);
        return;
    }
    startCascade();
}

void Match::computerFrame() {
    const Marks before = marksOf(state_, turn_);
    if (advanceComputerTurn(state_, turn_, scratch_, listener_)) {
        // The completing step's frame is not shown.
        computerExchanged();
        return;
    }
    const Marks after = marksOf(state_, turn_);
    if (after.raised && !before.raised) {
        sound(SoundCue::Kind::CellSelected);
    } else if (after.cursor != before.cursor || (after.raised && after.mark != before.mark)) {
        sound(SoundCue::Kind::CursorMoved);
    }
    phase_ = MatchPhase::ComputerTurn;
}

void Match::computerExchanged() {
    sound(SoundCue::Kind::CellsExchanged);
    listener_->swapMade(state_, turn_.swapFirst, turn_.swapSecond);
    computerTurnEnded();
}

void Match::computerTurnEnded() {
    listener_->turnEnded(state_, true);
    // ESC inside the computer's turn ends only that turn; the match goes on
    // (kept: escape-step).
    startCascade();
}

void Match::startCascade() {
    heard_ = state_.queues[state_.currentPlayer].size();
    cascadeStep_ = 0;
    clearStep();
}

// Clears, shows the holes, lets the board fall and refill, shows it, until nothing clears. The
// cleared elements go to the mover's queue.
void Match::clearStep() {
    const int mover = state_.currentPlayer;
    const ClearedQueue& queue = state_.queues[mover];
    if (!clearLines(state_, mover)) {
        listener_->cascadeSettled(state_);
        clashSteps();
        return;
    }
    for (int i = heard_; i < queue.size(); ++i) {
        const Element e = queue[i];
        if (e >= Fire && e <= Water) {
            ++tally_.counts[mover][e];
        }
    }
    SoundCue cue;
    cue.kind = SoundCue::Kind::CellsCleared;
    cue.player = mover;
    cue.elements = queue.begin() + heard_;
    cue.count = queue.size() - heard_;
    cue.step = cascadeStep_;
    listener_->sound(cue);
    heard_ = queue.size();
    pauseLeft_ = cascadePauseFrames;
    phase_ = MatchPhase::CascadeHoles;
}

// The queues fight back against back; the step that empties a queue gets no pause of its own
// (kept: last-step).
void Match::clashSteps() {
    for (;;) {
        ClearedQueue& first = state_.queues[0];
        ClearedQueue& second = state_.queues[1];
        if (first.empty() || second.empty()) {
            break;
        }
        SoundCue cue;
        cue.kind = SoundCue::Kind::Clash;
        cue.first = first.back();
        cue.second = second.back();
        const int sizes = first.size() + second.size();
        const bool more = clashStep(state_);
        cue.bothDestroyed = first.size() + second.size() == sizes - 2;
        listener_->sound(cue);
        if (!more) {
            break;
        }
        pauseLeft_ = clashStepFrames;
        phase_ = MatchPhase::ClashPause;
        return;
    }
    afterClashSteps();
}

void Match::afterClashSteps() {
    const int other = 1 - state_.currentPlayer;
    // Nothing of the opponent's queue survived: the turn passes and the mover's survivors wait
    // as a stock the opponent must face next.
    if (state_.queues[other].empty()) {
        state_.currentPlayer = static_cast<std::uint8_t>(other);
        sound(SoundCue::Kind::TurnPassed);
        clashEnded();
        return;
    }
    pauseLeft_ = damagePauseFrames;
    phase_ = MatchPhase::DamagePause;
}

// Each surviving block hits for 0.9 of the one before; the hit points are not clamped, so every
// block strikes even after they have fallen to zero (kept: unclamped). The mover then plays
// again.
void Match::nextStrike() {
    const int mover = state_.currentPlayer;
    const int other = 1 - mover;
    if (state_.queues[other].empty()) {
        clashEnded();
        return;
    }
    state_.queues[other].popBack();
    const float hit = damage_.next();
    state_.hp[mover] -= hit;
    SoundCue cue;
    cue.kind = SoundCue::Kind::Strike;
    cue.damage = hit;
    listener_->sound(cue);
    strikeFrame_ = 0;
    phase_ = MatchPhase::Strike;
}

void Match::clashEnded() {
    listener_->clashEnded(state_);
    if (state_.hp[0] <= 0.0f || state_.hp[1] <= 0.0f) {
        enterWinner();
        return;
    }
    // One bare frame between turns.
    phase_ = MatchPhase::Between;
}

void Match::enterWinner() {
    listener_->winnerScreen(state_);
    const int winner = state_.hp[0] > 0.0f ? 0 : 1;
    SoundCue cue;
    cue.kind = SoundCue::Kind::Winner;
    cue.player = winner;
    cue.first = strongestElement(tally_, winner);
    listener_->sound(cue);
    winnerFrame();
}

// The winner screen is shown until SPACE or ESC is first pressed (or the screen is picked, from
// its second frame on); a SPACE held from before the screen does not count. SPACE leaves after
// the match screen is drawn once more.
void Match::winnerFrame() {
    if (pressed(bitFirstSelect)) {
        finish(true);
        return;
    }
    phase_ = MatchPhase::Winner;
}

void Match::finish(bool leavesMatchScreen) {
    phase_ = MatchPhase::Over;
    leavesMatchScreen_ = leavesMatchScreen;
}

} // namespace kokurin
