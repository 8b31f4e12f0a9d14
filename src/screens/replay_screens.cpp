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
        drawText(8, 460, withBoundKeys(texts_.watchHelp), statusYellow, textHeight, gameFace,
                 textLeftTop);
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

bool runReplayList() {
    const ReplayTexts& texts = replayTexts();
    std::vector<ReplayEntry> entries = listMatchReplays();
    constexpr int rowsShown = 20;
    int selected = 0;
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
        if (count > 0 && (keyPressed(keySpace) || keyPressed(keyReturn))) {
            const ReplayEntry& entry = entries[static_cast<std::size_t>(selected)];
            Replay replay;
            std::string error;
            if (!loadMatchReplay(entry.name, replay, error)) {
                showMessageBox(error.c_str());
            } else if (watchReplay(replay, 1)) {
                return true;
            }
            entries = listMatchReplays();
        }

        drawText(64, 24, texts.heading, textWhite, 20, gameFace, textLeftTop);
        drawText(64, 448, withBoundKeys(texts.help), textWhite, textHeight, gameFace, textLeftTop);
        if (count == 0) {
            drawText(64, 64, texts.empty, textGrey, textHeight, gameFace, textLeftTop);
        }
        const int first = selected >= rowsShown ? selected - rowsShown + 1 : 0;
        for (int i = first; i < count && i < first + rowsShown; ++i) {
            const ReplayEntry& entry = entries[static_cast<std::size_t>(i)];
            const Colour colour = i == selected ? textWhite : textGrey;
            const int y = 64 + 18 * (i - first);
            // The date from the name: YYYYMMDD-HHMMSS.
            const std::string& n = entry.name;
            const std::string date = n.size() >= 15 ? n.substr(0, 4) + "-" + n.substr(4, 2) + "-" +
                                                          n.substr(6, 2) + " " + n.substr(9, 2) +
                                                          ":" + n.substr(11, 2)
                                                    : n;
            drawText(64, y, date.c_str(), colour, textHeight, gameFace, textLeftTop);
            if (!entry.readable) {
                drawText(240, y, texts.cannotRead, colour, textHeight, gameFace, textLeftTop);
                continue;
            }
            drawText(240, y,
                     entry.opponent == 0 ? texts.humanOpponent
                                         : gameTexts().rosterNames[entry.opponent],
                     colour, textHeight, gameFace, textLeftTop);
            drawText(400, y, texts.results[static_cast<int>(entry.result)], colour, textHeight,
                     gameFace, textLeftTop);
            const unsigned seconds = entry.frames / 60;
            drawText(540, y, formatText("%u:%02u", seconds / 60, seconds % 60), colour, textHeight,
                     gameFace, textLeftTop);
        }
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
