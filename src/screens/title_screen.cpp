// The title screen: the roster of opponents with their portraits, the help lines, and the outer
// loop that starts one match after another on a fresh match record.
#include "screens/title_screen.h"

#include "gfx/text_format.h"
#include "input/input_route.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "platform/platform.h"
#include "replay/match_recording.h"
#include "replay/replay_library.h"
#include "match/match.h"
#include "screens/bound_key_texts.h"
#include "screens/element_ring.h"
#include "screens/frame_flow.h"
#include "screens/game_texts.h"
#include "screens/help_overlay.h"
#include "screens/match_loop.h"
#include "screens/online_request.h"
#include "screens/online_screens.h"
#include "screens/online_texts.h"
#include "screens/palette.h"
#include "screens/replay_screens.h"
#include "screens/settings_screen.h"
#include "settings/settings.h"
#include "sound/game_sounds.h"

namespace kokurin {

// Entry 0, the second human, shares its picture with entry 5.
const char* const rosterNames[rosterSize] = {
#define ROSTER_ENTRY(entry, name, picture) name,
#include "screens/roster.def"
#undef ROSTER_ENTRY
};

const char* const rosterPortraits[rosterSize] = {
#define ROSTER_ENTRY(entry, name, picture) picture,
#include "screens/roster.def"
#undef ROSTER_ENTRY
};

namespace {

constexpr int listHeight = 14;
// The roster's lines, wide enough for the longest name.
constexpr PickGrid rosterPicks{128, 32, 192, 16, 1, rosterSize};

// The help lines' tops; their texts are the language's.
constexpr int helpLineY[titleHelpLines] = {328, 344, 360, 376, 392, 408};

void loadPortrait(int entry) {
    loadBackground(formatText("data/%s", rosterPortraits[entry]));
}

// A fresh match from the session's series for every match; the series goes on from where the
// match left it. Every match is recorded and saved when it returns, however it ended.
bool playMatch(PlaySession& session, int opponent, int replaysKept) {
    const MatchStart start = nextMatchStart(session.series, opponent, matchKeyHoldsNow());
    Match match(start);
    MatchRecorder recorder(frameInputSource(), match, start);
    bool quit = false;
    {
        ScopedFrameInput route(recorder);
        quit = runMatch(match, session.observer);
    }
    session.series.random = match.random();
    session.series.rotation = match.rotation();
    Replay replay;
    if (recorder.finish(matchResult(match, quit), replay)) {
        saveMatchReplay(replay, replaysKept);
    }
    return quit;
}

// Without settings (null) the title starts on entry 0, remembers nothing and has no O or N.
bool runTitle(PlaySession& session, Settings* settings, const OnlineRequest* online) {
    int selectedEntry = 0;
    if (settings != nullptr && settings->lastOpponent >= 0 && settings->lastOpponent < rosterSize) {
        selectedEntry = settings->lastOpponent;
    }

    // N plays online, and says so on the title, only where a server is known: without one the
    // title is drawn as it always was. A request for the lobby, a room or the queue goes first.
    OnlineRequest server;
    if (settings != nullptr && online != nullptr) {
        server = *online;
        if (server.server.empty()) {
            normalizeServerList(settings->serverAddress, server.server);
        }
        if (!server.server.empty() && server.mode != OnlineRequest::Mode::None &&
            runOnline(*settings, server, session.observer)) {
            return true;
        }
        server.mode = OnlineRequest::Mode::Lobby;
    }
    const bool offersOnline = !server.server.empty();
    loadPortrait(selectedEntry);

    for (;;) {
        // W and S in one frame both act, W first: the selection stays and loads twice
        // (kept: double-load).
        if (keyPressed(keyW)) {
            selectedEntry = (selectedEntry + rosterSize - 1) % rosterSize;
            loadPortrait(selectedEntry);
            soundRosterSelected(selectedEntry);
        }
        if (keyPressed(keyS)) {
            selectedEntry = (selectedEntry + 1) % rosterSize;
            loadPortrait(selectedEntry);
            soundRosterSelected(selectedEntry);
        }

        // A pick on another entry selects it, as W and S do (one on the selected entry starts,
        // below with SPACE).
        const int pick = framePick();
        if (pick >= 0 && pick < rosterSize && pick != selectedEntry) {
            selectedEntry = pick;
            loadPortrait(selectedEntry);
            soundRosterSelected(selectedEntry);
        }

        // Drawn before the pump, over whatever the last frame left (kept: mixed-frame).
        for (int i = 0; i < rosterSize; ++i) {
            drawText(128, 32 + 16 * i, gameTexts().rosterNames[i],
                     i == selectedEntry ? textWhite : textGrey, listHeight, gameFace, textLeftTop);
        }

        offerPicks(rosterPicks);
        showingForHelp(HelpScene::Title);
        const Flow flow = pumpFrameThenCheckEscape();
        if (flow != Flow::Go) {
            return quitting(flow);
        }

        drawBackground(300, 100, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f);

        if (keyPressed(keySpace) || framePick() == selectedEntry) {
            // One more frame, so that a SPACE still held reads 2 and does not select a cell in
            // the match's first frame (kept: held-space).
            const Flow extra = pumpFrameThenCheckEscape();
            if (extra != Flow::Go) {
                return quitting(extra);
            }
            if (settings != nullptr && settings->lastOpponent != selectedEntry) {
                settings->lastOpponent = selectedEntry;
                saveSettings(*settings);
            }
            if (playMatch(session, selectedEntry,
                          settings != nullptr ? settings->replaysKept : Settings{}.replaysKept)) {
                return true;
            }
        }

        // O: the settings screen, a key the title had no use for; back on the title it carries on
        // where it was.
        if (settings != nullptr && keyPressed(keyO)) {
            if (runSettingsScreen(*settings)) {
                return true;
            }
            loadPortrait(selectedEntry);
        }

        if (offersOnline && keyPressed(keyN)) {
            if (runOnline(*settings, server, session.observer)) {
                return true;
            }
            loadPortrait(selectedEntry);
        }

        // R: the saved replays, another key the title had no use for.
        if (keyPressed(keyR)) {
            // Online rows name the opponent: the player is the name the lobby greets with.
            const std::string me = settings == nullptr || settings->playerName.empty()
                                       ? std::string(onlineTexts().defaultName)
                                       : settings->playerName;
            if (runReplayList(me)) {
                return true;
            }
            loadPortrait(selectedEntry);
        }

        for (int line = 0; line < titleHelpLines; ++line) {
            drawText(8, helpLineY[line], withBoundKeys(gameTexts().titleHelp[line]), textWhite,
                     listHeight, gameFace, textLeftTop);
        }
        // The English title shows the phases' ring beside its rule line; the Japanese title
        // stays as it always was (its reader knows the symbols; F1 shows the ring).
        if (gameLanguage() == Language::English) {
            drawElementRing(titleRingX, titleRingY);
        }
        if (offersOnline) {
            drawText(8, helpLineY[titleHelpLines - 1] + 16, onlineTexts().titleLine, textWhite,
                     listHeight, gameFace, textLeftTop);
        }
    }
}

} // namespace

bool runTitleScreen(PlaySession& session) {
    return runTitle(session, nullptr, nullptr);
}

bool runTitleScreen(PlaySession& session, Settings& settings) {
    return runTitle(session, &settings, nullptr);
}

bool runTitleScreen(PlaySession& session, Settings& settings, const OnlineRequest& online) {
    return runTitle(session, &settings, &online);
}

} // namespace kokurin
