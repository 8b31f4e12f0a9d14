// Watching replays: the watcher's keys (pause, a frame on or back, ten seconds earlier or later,
// speed, restart, leave) are read from the local devices and never reach the match, which plays
// the recorded frames alone. The replay's match is a value of its own: watching changes nothing
// of the game's series or keys, and a jump is a snapshot copied and stepped on without drawing.
#include "screens/replay_screens.h"

#include <cstdio>
#include <string>
#include <vector>

#include "gfx/text_format.h"
#include "input/input_route.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "platform/platform.h"
#include "replay/match_recording.h"
#include "replay/replay_library.h"
#include "screens/bound_key_texts.h"
#include "screens/frame_flow.h"
#include "screens/game_texts.h"
#include "screens/match_loop.h"
#include "screens/match_screen.h"
#include "screens/match_view.h"
#include "screens/palette.h"
#include "screens/replay_texts.h"
#include "screens/title_screen.h"

namespace kokurin {

static_assert(rosterSize == replayOpponents, "a replay names the roster's entries");

namespace {

constexpr int textHeight = 14;
constexpr int speeds[] = {1, 2, 4, 8};
constexpr Colour statusYellow = 0xFFFFFF80u;
// PAGE UP and PAGE DOWN jump this far.
constexpr std::uint32_t jumpFrames = 600;

enum WatchKey {
    watchPause,
    watchStep,
    watchBack,
    watchFaster,
    watchSlower,
    watchRestart,
    watchHome,
    watchEarlier,
    watchLater,
    watchLeave,
};
constexpr int watchKeys[] = {keySpace, keyRight, keyLeft,     keyUp,       keyDown,
                             keyReturn, keyHome, keyPageUp, keyPageDown, keyEscape};
constexpr int watchKeyCount = 10;

// The watch's buttons: three on the status line right of the status, six on the line below,
// picked as targets from buttonTargets on (apart from the board's cells).
constexpr int buttonTargets = 200;
constexpr PickGrid statusLineButtons{232, 442, 136, 18, 3, 1, buttonTargets};
constexpr PickGrid secondLineButtons{8, 458, 104, 20, 6, 1, buttonTargets + 3};
// The key each button presses, in ReplayButton's order.
constexpr WatchKey buttonKeys[replayButtonCount] = {
    watchPause,   watchBack,  watchStep,   watchEarlier, watchLater,
    watchSlower,  watchFaster, watchRestart, watchLeave};

void drawButtons(const PickGrid& grid, const char* const* labels, int count) {
    for (int i = 0; i < count; ++i) {
        drawText(grid.left + grid.width * i + grid.width / 2, grid.top + 2,
                 withBoundKeys(labels[i]), statusYellow, textHeight, gameFace, textCentre);
    }
    offerPicks(grid);
}

class ReplayWatch : public FrameInputSource {
  public:
    ReplayWatch(ReplayPlayer& player, Match& match, const ReplayTexts& texts, int speedIndex,
                std::uint32_t startFrame)
        : player_(player), match_(match), texts_(texts), speedIndex_(speedIndex),
          startFrame_(startFrame) {}

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override {
        bool pressed[watchKeyCount];
        for (int k = 0; k < watchKeyCount; ++k) {
            const bool down = localDown[watchKeys[k]];
            pressed[k] = down && !held_[k];
            held_[k] = down;
        }
        // A button is its key pressed; a frame's button pauses a playing watch first.
        const int button = static_cast<int>(input.pointer) - 1 - buttonTargets;
        if (button >= 0 && button < replayButtonCount) {
            const WatchKey key = buttonKeys[button];
            pressed[key] = true;
            if ((key == watchStep || key == watchBack) && !paused_) {
                paused_ = true;
            }
        }
        const std::uint32_t at = player_.framesPlayed();
        if (pressed[watchLeave]) {
            ended_ = true;
            return InputState::End;
        }
        if (pressed[watchPause]) {
            paused_ = !paused_;
        }
        if (pressed[watchFaster] && speedIndex_ < 3) {
            ++speedIndex_;
        }
        if (pressed[watchSlower] && speedIndex_ > 0) {
            --speedIndex_;
        }
        if (!started_) {
            // The match as it begins is the first snapshot; a watch asked to start later jumps
            // there before the match's first frame is played.
            started_ = true;
            snapshots_.offer(match_, 0);
            if (startFrame_ > 0) {
                return seek(startFrame_);
            }
        }
        if (pressed[watchRestart] || pressed[watchHome]) {
            return seek(0);
        }
        if (pressed[watchEarlier]) {
            return seek(at > jumpFrames ? at - jumpFrames : 0);
        }
        if (pressed[watchLater]) {
            return seek(at + jumpFrames);
        }
        if (paused_ && pressed[watchBack]) {
            return seek(at > 0 ? at - 1 : 0);
        }
        if (paused_ && !pressed[watchStep]) {
            return InputState::Pending;
        }
        snapshots_.offer(match_, at);
        const InputState state = player_.nextInput(localDown, input);
        if (state == InputState::End) {
            ended_ = true;
        }
        return state;
    }

    // Paused (or just moved): the whole scene as it stands (the selection, the computer's
    // mark), with the status line.
    bool drawWhileHeld(long) override {
        drawMatch(match_);
        drawOverFrame();
        return true;
    }

    int framesPerShownFrame() const override { return paused_ ? 1 : speeds[speedIndex_]; }

    void drawOverFrame() override {
        char speed[8];
        std::snprintf(speed, sizeof speed, "%d", speeds[speedIndex_]);
        const char* line =
            paused_
                ? formatText(texts_.paused, player_.framesPlayed(), player_.frameCount())
                : formatText(texts_.playing, speed, player_.framesPlayed(), player_.frameCount());
        drawText(8, 444, line, statusYellow, textHeight, gameFace, textLeftTop);
        const char* first[3] = {paused_ ? texts_.play : texts_.buttons[buttonPause],
                                texts_.buttons[buttonFrameBack], texts_.buttons[buttonFrameOn]};
        drawButtons(statusLineButtons, first, 3);
        drawButtons(secondLineButtons, texts_.buttons + buttonEarlier, 6);
    }

    bool allowsModalBoxes() const override { return false; }

    bool ended() const { return ended_; }
    int speedIndex() const { return speedIndex_; }

  private:
    // Brings the match to `frame` (never past the recording's last frame, so the watch stays in
    // it) and shows it there.
    InputState seek(std::uint32_t frame) {
        const std::uint32_t count = player_.frameCount();
        if (count > 0 && frame >= count) {
            frame = count - 1;
        }
        bool diverged = false;
        const std::uint32_t reached = snapshots_.seek(player_.replay(), match_, frame, diverged);
        if (diverged) {
            player_.divergedAt(reached);
            ended_ = true;
            return InputState::End;
        }
        player_.seekTo(reached);
        return InputState::Pending;
    }

    ReplayPlayer& player_;
    Match& match_;
    const ReplayTexts& texts_;
    int speedIndex_;
    std::uint32_t startFrame_;
    ReplaySnapshots snapshots_;
    bool held_[watchKeyCount] = {true, true, true, true, true, true, true, true, true, true};
    bool paused_ = false;
    bool ended_ = false;
    bool started_ = false;
};

// The list's rows (from y 64, 18 apart) and its back button right of the help line, as picks.
constexpr int listRowsShown = 20;
constexpr PickGrid listRowPicks{64, 63, 560, 18, 1, listRowsShown, 0};
constexpr int listBackTarget = 100;
constexpr PickGrid listBackPicks{512, 444, 120, 22, 1, 1, listBackTarget};
// Names in a row are cut to so many characters, to keep to their column (the widest
// characters, CJK, counted).
constexpr std::size_t nameCharacters = 10;
constexpr std::size_t bothCharacters = 4;
constexpr std::size_t winnerCharacters = 6;

// The name's first characters, "…" standing for the rest.
std::string shortName(const std::string& name, std::size_t characters) {
    std::size_t seen = 0;
    for (std::size_t at = 0; at < name.size(); ++at) {
        // A character begins at every byte that is not a UTF-8 continuation.
        if ((static_cast<unsigned char>(name[at]) & 0xC0) != 0x80 && seen++ == characters) {
            return name.substr(0, at) + "…";
        }
    }
    return name;
}

// Who the player met: the name that is not their own, or both players (a match they watched).
std::string opponentOf(const ReplayEntry& entry, const std::string& playerName,
                       const ReplayTexts& texts) {
    const bool first = entry.names[0] == playerName;
    const bool second = entry.names[1] == playerName;
    if (first != second) {
        return shortName(entry.names[first ? 1 : 0], nameCharacters);
    }
    return formatText(texts.bothPlayers, shortName(entry.names[0], bothCharacters).c_str(),
                      shortName(entry.names[1], bothCharacters).c_str());
}

// How an online match ended as the server decided it; the replay's own result when no verdict
// came.
std::string verdictOf(const ReplayEntry& entry, const ReplayTexts& texts) {
    const bool won = entry.verdictWinner < 2;
    const std::string winner = won ? shortName(entry.names[entry.verdictWinner], winnerCharacters)
                                   : std::string();
    switch (entry.verdict) {
    case ReplayVerdict::Left:
        return won ? formatText(texts.wonOtherLeft, winner.c_str())
                   : texts.results[static_cast<int>(ReplayResult::Left)];
    case ReplayVerdict::Gone:
        return won ? formatText(texts.wonOtherGone, winner.c_str())
                   : texts.results[static_cast<int>(ReplayResult::Stopped)];
    case ReplayVerdict::Parted:
        return won ? formatText(texts.wonBy, winner.c_str()) : texts.parted;
    case ReplayVerdict::TooLong:
        return texts.tooLong;
    case ReplayVerdict::Winner:
        if (won) {
            return formatText(texts.wonBy, winner.c_str());
        }
        break;
    case ReplayVerdict::None:
        break;
    }
    const int result = static_cast<int>(entry.result);
    if (result < 2 && !entry.names[result].empty()) {
        return formatText(texts.wonBy, shortName(entry.names[result], winnerCharacters).c_str());
    }
    return texts.results[result];
}

void drawListRow(const ReplayEntry& entry, const ReplayTexts& texts,
                 const std::string& playerName, Colour colour, int y) {
    // The date from the name: YYYYMMDD-HHMMSS.
    const std::string& n = entry.name;
    const std::string date = n.size() >= 15 ? n.substr(0, 4) + "-" + n.substr(4, 2) + "-" +
                                                  n.substr(6, 2) + " " + n.substr(9, 2) + ":" +
                                                  n.substr(11, 2)
                                            : n;
    drawText(64, y, date.c_str(), colour, textHeight, gameFace, textLeftTop);
    if (!entry.readable) {
        drawText(184, y, texts.cannotRead, colour, textHeight, gameFace, textLeftTop);
        return;
    }
    const bool online = !entry.names[0].empty() || !entry.names[1].empty();
    const std::string opponent = online ? opponentOf(entry, playerName, texts)
                                 : entry.opponent == 0
                                     ? std::string(texts.humanOpponent)
                                     : std::string(gameTexts().rosterNames[entry.opponent]);
    drawText(184, y, opponent.c_str(), colour, textHeight, gameFace, textLeftTop);
    const std::string result = online ? verdictOf(entry, texts)
                                      : std::string(texts.results[static_cast<int>(entry.result)]);
    drawText(352, y, result.c_str(), colour, textHeight, gameFace, textLeftTop);
    const unsigned seconds = entry.frames / 60;
    drawText(576, y, formatText("%u:%02u", seconds / 60, seconds % 60), colour, textHeight,
             gameFace, textLeftTop);
}

const ReplayTexts& replayTexts() {
    return gameLanguage() == Language::English ? englishReplayTexts() : japaneseReplayTexts();
}

int speedIndexOf(int speed) {
    for (int i = 3; i > 0; --i) {
        if (speed >= speeds[i]) {
            return i;
        }
    }
    return 0;
}

} // namespace

bool watchReplay(const Replay& replay, int speed, std::uint32_t startFrame) {
    const ReplayTexts& texts = replayTexts();
    if (!validMatchStart(replay.start)) {
        showMessageBox("the replay's start is damaged");
        replayWatched(false, "the replay's start is damaged");
        return false;
    }
    Match match(replay.start);
    ReplayPlayer player(replay, match);
    ReplayWatch watch(player, match, texts, speedIndexOf(speed), startFrame);
    bool quit = false;
    {
        ScopedFrameInput route(watch);
        quit = runMatch(match);
    }
    // Frames that ended without the watch ending them: the game is closing.
    if (quit && !watch.ended()) {
        return true;
    }
    std::string error;
    if (player.diverged() || player.framesPlayed() == player.frameCount()) {
        if (player.finish(matchResult(match, quit), error)) {
            replayWatched(true, texts.ended);
        } else {
            replayWatched(false, error.c_str());
            showMessageBox(error.c_str());
        }
    }
    return false;
}

bool runReplayList(const std::string& playerName) {
    const ReplayTexts& texts = replayTexts();
    std::vector<ReplayEntry> entries = listMatchReplays();
    int selected = 0;
    // The first row shown by the frame on screen, which a pick of a row refers to.
    int shownFirst = 0;
    bool shown = false;
    // The key that opened the list is still down: it counts from its next press.
    for (;;) {
        const int count = static_cast<int>(entries.size());
        if (count > 0) {
            if (keyPressed(keyW) || keyPressed(keyUp)) {
                selected = (selected + count - 1) % count;
            }
            if (keyPressed(keyS) || keyPressed(keyDown)) {
                selected = (selected + 1) % count;
            }
        }
        // A pick on a row selects it; one on the selected row watches it, as SPACE does.
        const int pick = shown ? framePick() : -1;
        if (pick == listBackTarget) {
            return false;
        }
        bool watch = count > 0 && (keyPressed(keySpace) || keyPressed(keyReturn));
        if (pick >= 0 && pick < listRowsShown && shownFirst + pick < count) {
            if (shownFirst + pick == selected) {
                watch = true;
            } else {
                selected = shownFirst + pick;
            }
        }
        if (watch) {
            const ReplayEntry& entry = entries[static_cast<std::size_t>(selected)];
            Replay replay;
            std::string error;
            if (!loadMatchReplay(entry.name, replay, error)) {
                showMessageBox(error.c_str());
            } else if (watchReplay(replay, 1)) {
                return true;
            }
            entries = listMatchReplays();
            if (selected >= static_cast<int>(entries.size())) {
                selected = 0;
            }
        }

        drawText(64, 24, texts.heading, textWhite, 20, gameFace, textLeftTop);
        drawText(64, 448, withBoundKeys(texts.help), textWhite, textHeight, gameFace, textLeftTop);
        drawText(listBackPicks.left + listBackPicks.width / 2, 448, withBoundKeys(texts.back),
                 statusYellow, textHeight, gameFace, textCentre);
        const int rows = static_cast<int>(entries.size());
        if (rows == 0) {
            drawText(64, 64, texts.empty, textGrey, textHeight, gameFace, textLeftTop);
        }
        const int first = selected >= listRowsShown ? selected - listRowsShown + 1 : 0;
        for (int i = first; i < rows && i < first + listRowsShown; ++i) {
            drawListRow(entries[static_cast<std::size_t>(i)], texts, playerName,
                        i == selected ? textWhite : textGrey, 64 + 18 * (i - first));
        }
        shownFirst = first;
        shown = true;
        offerPicks(listRowPicks);
        offerPicks(listBackPicks);
        const Flow flow = pumpFrameThenCheckEscape();
        if (flow == Flow::Quit) {
            return true;
        }
        if (flow == Flow::Escape) {
            return false;
        }
    }
}

} // namespace kokurin
