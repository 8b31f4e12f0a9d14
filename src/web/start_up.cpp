// The browser's steps of the game's start-up and shutdown, and the program's entry: the page
// has loaded the font, and learnt of its server, before main runs (the pictures follow while the
// game runs).
#include <string>
#include <vector>

#include "platform/platform.h"
#include "screens/online_screens.h"
#include "replay/replay_file.h"
#include "screens/replay_screens.h"
#include "screens/title_screen.h"
#include "settings/settings.h"
#include "web/frame_draws.h"
#include "web/page_bridge.h"
#include "web/page_language.h"
#include "web/page_online_request.h"

namespace kokurin {

namespace {

// openDisplay's exit code when the page has no canvas to draw on.
constexpr int exitNoCanvas = 2;

// One of the page's online values (online_link.js), false when it has none; one longer than
// any address or code the game takes is read as empty, which its checks refuse.
bool pageOnlineValue(const char* name, std::string& value) {
    std::vector<char> buffer(512);
    const int length =
        kokurin_page_online_value(name, buffer.data(), static_cast<int>(buffer.size()));
    if (length < 0) {
        return false;
    }
    value = static_cast<std::size_t>(length) < buffer.size() ? buffer.data() : "";
    return true;
}

web::PageOnlineValues readPageOnlineValues() {
    web::PageOnlineValues values;
    values.hasServer = pageOnlineValue("server", values.server);
    values.hasRoom = pageOnlineValue("room", values.room);
    values.hasWatch = pageOnlineValue("watch", values.watch);
    pageOnlineValue("served", values.served);
    values.hasResume = pageOnlineValue("resumeServer", values.resumeServer) &&
                       pageOnlineValue("resumeRoom", values.resumeRoom) &&
                       pageOnlineValue("resumeToken", values.resumeToken);
    return values;
}

// The tab keeps the seat of the match being played (online_link.js), in decimal: a script's
// numbers cannot hold 64 bits.
void keepSeatInPage(const std::string& server, const std::string& room, std::uint64_t token) {
    kokurin_page_keep_seat(server.c_str(), room.c_str(), std::to_string(token).c_str());
}

// A page opened at a match's link (#/match/ID) watches that match's replay first, then goes on
// to the title screen as any start does.
Replay servedReplay;
OnlineRequest servedOnline;

bool watchServedReplayThenTitle(PlaySession& session) {
    if (watchReplay(servedReplay, 1)) {
        return true;
    }
    Settings settings = loadSettings();
    return runTitleScreen(session, settings, servedOnline);
}

// The replay the page fetched for its link, decoded; false when there is none (a bad one is
// said where the page says how a watched replay ended).
bool takeServedReplay() {
    std::string bytes(replayMaxBytes + 1, '\0');
    const int length = kokurin_page_served_replay(reinterpret_cast<std::uint8_t*>(&bytes[0]),
                                                  static_cast<int>(replayMaxBytes));
    if (length < 0) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(length));
    std::string error;
    if (!decodeReplay(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                      servedReplay, error)) {
        replayWatched(false, error.c_str());
        return false;
    }
    return true;
}

} // namespace

// Every tab is a game of its own.
bool claimSingleInstance() {
    return true;
}

// The page's folder is where data/ is fetched from already.
void enterExecutableFolder() {}

// The game has chosen its language by now; the page's own texts follow it from here on.
int openDisplay() {
    web::tellPageLanguage();
    return kokurin_page_open_canvas() == 0 ? 0 : exitNoCanvas;
}

// The page listens for keys and pads from the start.
void openInput() {}

bool openSound() {
    return kokurin_page_sound_available() != 0;
}

std::uint32_t clockMilliseconds() {
    return kokurin_page_clock_ms();
}

void beginFirstFrame() {
    web::frameDraws().clear();
}

void closeDisplay() {
    web::frameDraws().clear();
}

} // namespace kokurin

int main() {
    // The page's address may name a server and a room (a link from another player).
    const kokurin::OnlineRequest online =
        kokurin::web::onlineRequestFromPage(kokurin::readPageOnlineValues());
    kokurin::setOnlineSeatKeeper(&kokurin::keepSeatInPage);
    int exitCode = 0;
    if (kokurin::takeServedReplay()) {
        kokurin::servedOnline = online;
        exitCode = kokurin::runGame(kokurin::watchServedReplayThenTitle);
    } else {
        exitCode = kokurin::runGame(nullptr, online);
    }
    kokurin_page_game_ended(exitCode);
    return exitCode;
}
