// An online match on screen. The frames come from the rollback session alone: this player's own
// moves are shown at once, the other's as soon as the server's stream brings them (the cursor
// gliding to where a late move put it); what is drawn over them (names, ping, the late player's
// notice, the local hint) is this player's own and never reaches the match, so every client and
// the server play the same frames.
#include "screens/online_match.h"

#include <cstdio>

#include "gfx/text_format.h"
#include "input/input_route.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "net/rollback_session.h"
#include "platform/platform.h"
#include "replay/match_recording.h"
#include "screens/bound_key_texts.h"
#include "screens/eased_cursor.h"
#include "screens/hint.h"
#include "screens/match_loop.h"
#include "screens/match_screen.h"
#include "screens/match_view.h"
#include "screens/online_leave.h"
#include "screens/online_replay_keeper.h"
#include "screens/online_screens.h"
#include "screens/online_texts.h"
#include "screens/palette.h"
#include "screens/title_screen.h"

namespace kokurin {

namespace {

constexpr int textHeight = 14;
constexpr Colour statusYellow = 0xFFFFFF80u;
// Half a second of waiting before the notice: a late frame or two is not worth a word.
constexpr long noticeAfterFrames = 30;
constexpr int hintShownFrames = 180;
// How long the verdict is waited for before the match's own end is shown alone.
constexpr std::uint32_t verdictWaitMs = 10000;
// The notices are drawn between the board (to y 384) and the queues (from y 416), never over
// either; the names, the ping and the hint have the lines below the queues.
constexpr int noticeY = 390;
constexpr int noticeHeight = 16;
constexpr int verdictY = 388;
constexpr int verdictHeight = 20;
constexpr int choicesY = 440;
constexpr int answerY = 460;
// A ranked match's rating change, between the verdict and the choices.
constexpr int ratedY = 414;
// A server that has said nothing this long (it answers a ping every second) is taken for lost,
// even before the connection says so.
constexpr std::uint32_t serverSilentMs = 3000;
// A player silent this long is counted down to the stall timeout.
constexpr std::uint32_t countdownAfterMs = 3000;

std::uint32_t clockNow() {
    return clockMilliseconds();
}

// The session's frames, ended once the confirmed match reaches the winner screen (where every
// client and the server's check stop), with the overlays.
class OnlineMatchSource : public FrameInputSource {
  public:
    OnlineMatchSource(net::OnlineClient& client, net::RollbackSession& session)
        : client_(client), session_(session), texts_(onlineTexts()) {}

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override {
        readHintKey(localDown[keyH]);
        const InputState state = session_.nextInput(localDown, input);
        if (state == InputState::End) {
            ended_ = true;
        }
        return state;
    }

    bool drawWhileHeld(long held) override {
        if (held < noticeAfterFrames) {
            return false;
        }
        drawShown();
        drawOverFrame();
        drawText(screenWidth / 2, noticeY, heldNotice(), statusYellow, noticeHeight, gameFace,
                 textCentre);
        return true;
    }

    int framesPerShownFrame() const override { return session_.framesPerShownFrame(); }

    void drawOverFrame() override {
        const net::Message& start = client_.start();
        drawText(8, 444,
                 formatText(texts_.namesLine, start.names[0].c_str(), start.names[1].c_str()),
                 statusYellow, textHeight, gameFace, textLeftTop);
        const char* right =
            client_.seat() < 2
                ? formatText(texts_.pingLine, static_cast<unsigned>(client_.roundTripMs()))
                : texts_.watching;
        drawText(456, 444, right, statusYellow, textHeight, gameFace, textLeftTop);
        if (hintLeft_ > 0) {
            drawText(8, 460, hint_, statusYellow, textHeight, gameFace, textLeftTop);
        }
    }

    // The shown match; the other player's cursor glides where a rollback moved it. Left with
    // ESC and not yet confirmed, the match screen stays as it was left.
    void drawShown() {
        const Match& shown = session_.shown();
        const bool corrected = session_.stats().rollbacks != rollbacksDrawn_;
        rollbacksDrawn_ = session_.stats().rollbacks;
        CursorPlace place;
        const bool eased = cursor_.place(shown, corrected, client_.seat(), place);
        if (shown.over() && !shown.leavesMatchScreen()) {
            drawMatchScreen(shown.state());
            return;
        }
        drawMatch(shown, eased ? &place : nullptr);
    }

    // Another player drives the frames: nothing may stop them.
    bool allowsModalBoxes() const override { return false; }

    // Whether the frames ended because of the session (decided, the server, a failure) rather
    // than the game closing.
    bool ended() const { return ended_; }

  private:
    // Why the frames are held, in this player's words: the server gone comes first (the other
    // player's frames cannot arrive without it), then whose frames are missing, with the time
    // left before a silent player loses.
    const char* heldNotice() const {
        const std::uint32_t now = clockNow();
        if (client_.reconnecting() || now - client_.lastHeardMs() > serverSilentMs) {
            return texts_.reconnecting;
        }
        const std::uint8_t seat = client_.seat();
        if (seat >= 2) {
            return texts_.waitingForPlayers;
        }
        const int other = 1 - seat;
        if (client_.stream(other).size() > session_.confirmedFrames()) {
            return texts_.waitingForServer;
        }
        const std::uint32_t silent = now - client_.framesArrivedMs(other);
        if (silent < countdownAfterMs) {
            return texts_.waitingForPlayer;
        }
        const std::uint32_t left = silent < net::defaultStallMs ? net::defaultStallMs - silent : 0;
        return formatText(texts_.goneCountdown, static_cast<int>((left + 999) / 1000));
    }

    // H shows the hint over the match, for this player only and only on their own turn before
    // they exchange: the match's own hint would stop both games with a box.
    void readHintKey(bool down) {
        const Match& shown = session_.shown();
        const bool ownTurn = client_.seat() < 2 && shown.phase() == MatchPhase::HumanTurn &&
                             shown.state().currentPlayer == client_.seat();
        if (down && !hintHeld_ && ownTurn) {
            writeHintText(shown.state(), hint_, sizeof hint_);
            hintLeft_ = hintShownFrames;
        }
        hintHeld_ = down;
        if (hintLeft_ > 0) {
            --hintLeft_;
        }
    }

    net::OnlineClient& client_;
    net::RollbackSession& session_;
    const OnlineTexts& texts_;
    EasedCursor cursor_;
    std::uint32_t rollbacksDrawn_ = 0;
    bool ended_ = false;
    bool hintHeld_ = true;
    int hintLeft_ = 0;
    char hint_[64] = {};
};

// The verdict's buttons: count boxes of choiceWidth side by side, centred on the screen.
constexpr int choiceWidth = 200;

int choiceCentre(int choice, int count) {
    return screenWidth / 2 - choiceWidth * count / 2 + choiceWidth * choice + choiceWidth / 2;
}

PickGrid choicePicks(int count) {
    return PickGrid{screenWidth / 2 - choiceWidth * count / 2,
                    choicesY - 4,
                    choiceWidth,
                    textHeight + 8,
                    count,
                    1};
}

// The server's verdict in this player's words.
const char* verdictText(const net::OnlineClient& client, const OnlineTexts& texts) {
    const net::Message& end = client.matchEnd();
    const int winner = end.seat < 2 ? end.seat : -1;
    const bool playing = client.seat() < 2;
    switch (static_cast<net::MatchEnd>(end.reason)) {
    case net::MatchEnd::Left:
        if (playing) {
            return winner == client.seat() ? texts.otherLeft : texts.youLeft;
        }
        break;
    case net::MatchEnd::Gone:
        if (playing && winner == client.seat()) {
            return texts.otherGone;
        }
        break;
    case net::MatchEnd::Diverged:
        // The server's re-play named the game that parted: the other player wins.
        return playing && winner == client.seat() ? texts.winner[winner] : texts.parted;
    case net::MatchEnd::TooLong:
        return texts.tooLong;
    case net::MatchEnd::Winner:
        break;
    }
    return winner >= 0 ? texts.winner[winner] : texts.parted;
}

// ratedBefore: the ranked outcomes heard before the match began (one more is this match's).
AfterMatch showVerdict(net::OnlineClient& client, const MatchState& state,
                       std::uint32_t ratedBefore, OnlineReplayKeeper& keeper) {
    const OnlineTexts& texts = onlineTexts();
    const std::uint32_t number = client.matchNumber();
    const std::uint32_t since = clockMilliseconds();
    bool asked = false;
    // The match is over: a page loaded again from here has nothing to take back.
    keepOnlineSeat("", "", 0);
    for (;;) {
        client.update(clockMilliseconds());
        keeper.update(client, clockMilliseconds());
        if (client.phase() == net::OnlineClient::Phase::Failed) {
            return AfterMatch::Failed;
        }
        // Both asked (or, watching, the players did): the next match is on.
        if (client.phase() == net::OnlineClient::Phase::Playing && client.matchNumber() != number) {
            return AfterMatch::Rematch;
        }
        const bool over = client.phase() == net::OnlineClient::Phase::Over;
        const bool waited = clockMilliseconds() - since >= verdictWaitMs;
        const bool rematchOffered =
            over && client.seat() < 2 &&
            client.matchEnd().reason == static_cast<std::uint8_t>(net::MatchEnd::Winner);

        drawMatchScreen(state);
        const char* verdict = over     ? verdictText(client, texts)
                              : waited ? texts.connectionLost
                                       : texts.waitingForVerdict;
        drawText(screenWidth / 2, verdictY, verdict, textWhite, verdictHeight, gameFace,
                 textCentre);
        if (client.ratedReceived() > ratedBefore && client.lastRated().number == number) {
            drawText(screenWidth / 2, ratedY, lastRatedChange(client, texts.ratedChange),
                     statusYellow, textHeight, gameFace, textCentre);
        }
        // The choices, each a button for a pointer: the rematch (while it may be asked) and
        // the lobby.
        const bool canAsk = rematchOffered && !asked;
        const bool canLeave = over || waited;
        if (canAsk) {
            drawText(choiceCentre(0, 2), choicesY, withBoundKeys(texts.afterRematch),
                     statusYellow, textHeight, gameFace, textCentre);
            drawText(choiceCentre(1, 2), choicesY, texts.afterLobby, statusYellow, textHeight,
                     gameFace, textCentre);
            offerPicks(choicePicks(2));
        } else if (canLeave) {
            drawText(choiceCentre(0, 1), choicesY, texts.afterLobby, statusYellow, textHeight,
                     gameFace, textCentre);
            offerPicks(choicePicks(1));
        }
        const char* answer = asked                                     ? texts.waitingForRematch
                             : rematchOffered && client.rematchAsked() ? texts.rematchAsked
                                                                       : "";
        drawText(screenWidth / 2, answerY, answer, textWhite, textHeight, gameFace, textCentre);

        if (pumpFrame()) {
            client.leave();
            return AfterMatch::Closing;
        }
        const int pick = framePick();
        if (keyPressed(keyEscape) || (canLeave && pick == (canAsk ? 1 : 0))) {
            client.leave();
            return AfterMatch::Lobby;
        }
        if (canAsk && (keyPressed(keySpace) || keyPressed(keyReturn) || pick == 0)) {
            client.rematch();
            asked = true;
        }
    }
}

} // namespace

AfterMatch playOnlineMatch(net::OnlineClient& client, int replaysKept, MatchObserver* observer) {
    // A round trip sets how far the match may run ahead; the lobby's pings have usually
    // measured one.
    for (int frame = 0; frame < 60 && client.roundTripMs() == 0; ++frame) {
        client.update(clockMilliseconds());
        if (client.phase() == net::OnlineClient::Phase::Failed) {
            return AfterMatch::Failed;
        }
        if (pumpFrame()) {
            client.leave();
            return AfterMatch::Closing;
        }
    }
    const std::uint32_t ratedBefore = client.ratedReceived();
    const MatchStart start = client.start().start;
    if (!validMatchStart(start)) {
        client.leave();
        return AfterMatch::Failed;
    }
    // Two humans: the portrait of the title's two-player entry, on every front end whichever
    // screen it came from.
    loadBackground(formatText("data/%s", rosterPortraits[0]));
    MatchObserver unobserved;
    ScreenMatchListener sounds(nullptr);
    net::DeviceSeatInput local;
    net::RollbackSession session(client, start, local, clockNow,
                                 observer != nullptr ? *observer : unobserved, sounds);
    OnlineMatchSource source(client, session);
    // The leave button on the status line, pressed through this player's own stream.
    OnlineLeaveSource leave(source, client.seat() < 2);
    OnlineReplayKeeper keeper(replaysKept);
    session.begin();
    {
        ScopedFrameInput route(leave);
        for (;;) {
            // In catch-up the frames between the shown ones are stepped and never drawn.
            if (nextFrameShown()) {
                source.drawShown();
            }
            if (pumpFrame()) {
                break;
            }
            session.stepShown();
        }
    }
    if (leave.walkedAway()) {
        client.leave();
        return AfterMatch::Lobby;
    }
    if (!source.ended()) {
        client.leave();
        return AfterMatch::Closing;
    }
    const Match& match = session.confirmed();
    // Ended but not by the match itself: the server ended it, or the connection failed.
    const bool quit = !match.over();
    // The replay is the one the other player and the server keep, byte for byte, once the
    // server's verdict is in it.
    Replay replay;
    if (session.finish(matchResult(match, quit), replay)) {
        if (client.seat() < 2) {
            client.sendResult(static_cast<std::uint32_t>(replay.inputs.size()),
                              replay.hashes.back(), static_cast<std::uint8_t>(replay.result));
        }
        keeper.hold(std::move(replay), client, clockMilliseconds());
    }
    if (client.phase() == net::OnlineClient::Phase::Failed) {
        return AfterMatch::Failed;
    }
    return showVerdict(client, match.state(), ratedBefore, keeper);
}

} // namespace kokurin
