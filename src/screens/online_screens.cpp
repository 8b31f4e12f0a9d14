// The online lobby: one connection to the server for the visit, a menu (name, create, join by
// code, quick match) above the server's public rooms, a waiting room, and the matches. Typed
// names and codes come from the key table's letters and digits, so every front end types alike.
#include "screens/online_screens.h"

#include <memory>
#include <string>

#include "gfx/text_format.h"
#include "input/key_state.h"
#include "input/pick_targets.h"
#include "net/player_key.h"
#include "net/transport.h"
#include "platform/platform.h"
#include "match/match_start.h"
#include "screens/online_match.h"
#include "screens/online_request.h"
#include "screens/bound_key_texts.h"
#include "screens/online_texts.h"
#include "screens/palette.h"
#include "screens/text_entry.h"
#include "settings/settings.h"
#include "sound/sound_schedule.h"

namespace kokurin {

namespace {

constexpr int textHeight = 14;
constexpr Colour statusYellow = 0xFFFFFF80u;
constexpr Colour errorRed = 0xFFFF6060u;
constexpr std::uint32_t connectTimeoutMs = 10000;
constexpr std::uint32_t roomListEveryMs = 2000;
constexpr std::size_t nameLimit = 16;
constexpr std::size_t codeLimit = 8;

// The ranked line is there only when the server knows the player's key.
enum Item { itemName, itemCreate, itemJoin, itemQuick, itemRanked };
constexpr int casualItems = itemRanked;
constexpr int roomsShown = 10;
// The menu's lines, the rooms' heading (no target) and the rooms, one grid for the pointer.
constexpr int lineTop = 96;
constexpr int lineHeight = 20;
// The grid's row of the bottom line (y 456 .. 476), the help that names ESC: a pick there is ESC.
constexpr int backTarget = (460 - lineTop) / lineHeight;
// Where the name is drawn after its caption (the captions of both languages are narrower).
constexpr int nameValueX = 120;
// Ranked play: the player's standing under the server's line, the top ten in a column on the
// right (outside the lines' pick boxes), the standing asked for again this often.
constexpr int standingY = 80;
constexpr int leadersX = 420;
constexpr int leaderHeight = 16;
constexpr int rankedPickWidth = 372;
constexpr std::uint32_t standingEveryMs = 30000;

// One visit's connection; made again when the player changes their name (the server learns a
// name when a connection greets it).
struct Connection {
    std::unique_ptr<net::Transport> transport;
    std::unique_ptr<net::OnlineClient> client;

    // False (the old connection kept) when the front end has no network. A resume token asks
    // for that seat back once welcomed; the player key (none: empty) names the player.
    bool open(const std::string& url, const std::string& name, const net::PlayerKey& key,
              std::uint64_t resumeToken = 0, const std::string& room = "") {
        std::unique_ptr<net::Transport> fresh = openOnlineTransport();
        if (!fresh) {
            return false;
        }
        client.reset();
        transport = std::move(fresh);
        client = std::make_unique<net::OnlineClient>(*transport, name);
        client->setPlayerKey(key);
        if (resumeToken != 0) {
            client->openToResume(url, resumeToken, room);
        } else {
            client->open(url);
        }
        return true;
    }
};

OnlineSeatKeeper seatKeeper = nullptr;

// Why the session ended, in the game's words.
const char* failureText(const net::OnlineClient& client, const OnlineTexts& texts) {
    if (client.transport().certificateRefused()) {
        return texts.untrustedServer;
    }
    if (client.refusalsReceived() != 0 &&
        client.lastRefusal().reason ==
            static_cast<std::uint8_t>(net::RefusalReason::WrongVersion)) {
        return formatText(texts.wrongVersion, client.lastRefusal().text.c_str());
    }
    if (client.refusalsReceived() != 0 && client.phase() == net::OnlineClient::Phase::Failed &&
        client.welcomed()) {
        return texts.refused;
    }
    return client.welcomed() ? texts.connectionLost : texts.cannotConnect;
}

const char* refusalNotice(const net::Message& refusal, const OnlineTexts& texts) {
    switch (static_cast<net::RefusalReason>(refusal.reason)) {
    case net::RefusalReason::RoomFull:
        return texts.roomFull;
    case net::RefusalReason::RoomUnknown:
        return texts.roomUnknown;
    case net::RefusalReason::ResumeUnknown:
        return texts.resumedTooLate;
    case net::RefusalReason::NameTaken:
        return texts.nameTaken;
    case net::RefusalReason::RankedRefused:
        return refusal.text == net::rankedRefusal::sameKey  ? texts.rankedSameKey
               : refusal.text == net::rankedRefusal::noKey  ? texts.rankedNoKey
               : refusal.text == net::rankedRefusal::notHere ? texts.rankedNotHere
                                                             : texts.rankedStoreFailed;
    default:
        return texts.refused;
    }
}

// The player's key from the settings, or one made now (the first online visit) and kept there;
// none when the system has no random source.
net::PlayerKey playerKeyOf(Settings& settings) {
    net::PlayerKey key;
    if (net::readPlayerKeyHex(settings.playerKey, key)) {
        return key;
    }
    if (net::makePlayerKey(key)) {
        settings.playerKey = net::playerKeyHex(key);
        saveSettings(settings);
    }
    return key;
}

class LobbyScreen {
  public:
    LobbyScreen(Settings& settings, const OnlineRequest& request, MatchObserver* observer)
        : settings_(settings), request_(request), observer_(observer), texts_(onlineTexts()),
          name_(settings.playerName.empty() ? texts_.defaultName : settings.playerName),
          key_(playerKeyOf(settings)), pending_(request.mode) {}

    // True when the game is closing.
    bool run() {
        const bool resuming = request_.mode == OnlineRequest::Mode::Resume;
        if (!connection_.open(request_.server, name_, key_,
                              resuming ? request_.resumeToken : 0, request_.room)) {
            showMessageBox(texts_.noNetwork);
            return false;
        }
        for (;;) {
            net::OnlineClient& client = *connection_.client;
            client.update(clockMilliseconds());
            timeOutConnecting(client);
            announceRoom(client);
            keepServer(client);
            showRankedLine(client);
            if (client.phase() == net::OnlineClient::Phase::Playing) {
                const AfterMatch after = playMatches(client);
                if (after == AfterMatch::Closing) {
                    return true;
                }
                // Back in the lobby: the rank and the top ten have moved since.
                standingStale_ = true;
                continue;
            }
            if (client.phase() == net::OnlineClient::Phase::Lobby) {
                carryOutRequest(client);
                refreshRooms(client);
                refreshStanding(client);
            }
            if (client.refusalsReceived() != refusalsSeen_) {
                refusalsSeen_ = client.refusalsReceived();
                notice_ = refusalNotice(client.lastRefusal(), texts_);
                waitingQuick_ = false;
                waitingRanked_ = false;
                if (notice_ == texts_.resumedTooLate) {
                    // The seat is gone: a page loaded again must not ask for it again.
                    keepOnlineSeat("", "", 0);
                }
            }

            const bool inLobby =
                client.phase() == net::OnlineClient::Phase::Lobby && !waiting();
            if (!inLobby && entry_.active()) {
                entry_ = TextEntry();
            }
            // M is the sound's switch everywhere but on a line being typed into.
            const bool typing = inLobby && (onTypedLine() || entry_.active());
            setMuteKeyEnabled(!typing);
            if (entry_.active()) {
                drawText(32, 24, texts_.heading, textWhite, 24, gameFace, textLeftTop);
                entry_.draw(entryCaption(), lineTop);
            } else {
                draw(client);
            }
            const bool closing = pumpFrame();
            setMuteKeyEnabled(true);
            if (closing) {
                return true;
            }
            if (entry_.active()) {
                finishEntry(client, entry_.update());
                continue;
            }
            // The bottom line (the help, ESC's) is a button that does what ESC does.
            if (keyPressed(keyEscape) || framePick() == backTarget) {
                if (client.phase() == net::OnlineClient::Phase::InRoom || waiting()) {
                    client.leave();
                    waitingQuick_ = false;
                    waitingRanked_ = false;
                    forgetRoomLink();
                } else {
                    keepName();
                    forgetRoomLink();
                    return false;
                }
            } else if (client.phase() == net::OnlineClient::Phase::Lobby && !waiting()) {
                useMenu(client);
            }
        }
    }

  private:
    bool waiting() const { return waitingQuick_ || waitingRanked_; }

    // The ranked line joins the menu once the server knows the player's key; a room line
    // selected then stays the same room.
    void showRankedLine(const net::OnlineClient& client) {
        const int items = client.ranked() ? itemRanked + 1 : casualItems;
        if (items > menuItems_ && selected_ >= itemRanked) {
            selected_ += items - menuItems_;
        }
        menuItems_ = items;
    }

    // The Identify's answer is fresh; later the rank and the top ten move as others play.
    void refreshStanding(net::OnlineClient& client) {
        if (!client.ranked()) {
            return;
        }
        const std::uint32_t now = clockMilliseconds();
        if (standingAt_ == 0) {
            standingAt_ = now | 1u;
        } else if (standingStale_ || now - standingAt_ >= standingEveryMs) {
            client.askStanding();
            standingAt_ = now | 1u;
            standingStale_ = false;
        }
    }

    // The name and the code are typed into: there W, S, SPACE and M are letters.
    bool onTypedLine() const { return selected_ == itemName || selected_ == itemJoin; }

    // The server that welcomed the player is the one the title offers from now on.
    void keepServer(const net::OnlineClient& client) {
        if (serverKept_ || !client.welcomed()) {
            return;
        }
        serverKept_ = true;
        if (settings_.serverAddress != request_.server) {
            settings_.serverAddress = request_.server;
            saveSettings(settings_);
        }
    }

    const char* entryCaption() const {
        return formatText(entryFor_ == itemName ? texts_.nameItem : texts_.joinItem, "");
    }

    // The on-screen keyboard's field, kept: a name greets the server anew, a code is joined.
    void finishEntry(net::OnlineClient& client, TextEntry::Outcome outcome) {
        if (outcome != TextEntry::Outcome::Done) {
            return;
        }
        if (entryFor_ == itemName) {
            typedName_ = entry_.text();
            keepName();
            return;
        }
        if (!entry_.text().empty()) {
            code_ = entry_.text();
        }
        joinTypedCode(client);
    }

    void joinTypedCode(net::OnlineClient& client) {
        std::string code;
        if (normalizeRoomCode(code_, code)) {
            client.joinRoom(code, false, false);
        } else {
            notice_ = texts_.roomUnknown;
        }
    }

    // Out of the room: the page's link to it goes.
    void forgetRoomLink() {
        announceOnlineRoom(request_.server, "");
        announced_.clear();
    }

    AfterMatch playMatches(net::OnlineClient& client) {
        waitingQuick_ = false;
        waitingRanked_ = false;
        for (;;) {
            // The seat is kept by the lobby's address (which sends a resume on to the process
            // that holds the room), so that a page loaded again on it comes back here.
            if (client.seat() < 2) {
                keepOnlineSeat(request_.server, client.roomCode(), client.resumeToken());
            }
            const AfterMatch after = playOnlineMatch(client, settings_.replaysKept, observer_);
            if (after != AfterMatch::Rematch) {
                if (after == AfterMatch::Lobby) {
                    forgetRoomLink();
                }
                return after;
            }
        }
    }

    // A connection (the first, or one the server sent the client to) that is not welcomed in
    // time is given up.
    void timeOutConnecting(net::OnlineClient& client) {
        const bool connecting = client.phase() == net::OnlineClient::Phase::Connecting;
        if (connecting && !wasConnecting_) {
            connectingSince_ = clockMilliseconds();
        }
        wasConnecting_ = connecting;
        if (connecting && clockMilliseconds() - connectingSince_ > connectTimeoutMs) {
            client.transport().close();
        }
    }

    // A session that has failed is in no room any more, whatever code it last had: a link to
    // that room must not be offered beside the failure.
    void announceRoom(const net::OnlineClient& client) {
        const bool failed = client.phase() == net::OnlineClient::Phase::Failed;
        const std::string code = failed ? std::string() : client.roomCode();
        if (code != announced_) {
            announced_ = code;
            announceOnlineRoom(request_.server, announced_);
        }
    }

    // What the command line or the link asked for, once the lobby is reached.
    void carryOutRequest(net::OnlineClient& client) {
        switch (pending_) {
        case OnlineRequest::Mode::Host:
            client.createRoom("", true);
            break;
        case OnlineRequest::Mode::Join:
        case OnlineRequest::Mode::Watch:
            client.joinRoom(request_.room, pending_ == OnlineRequest::Mode::Watch, false);
            break;
        case OnlineRequest::Mode::Quick:
            client.quickMatch();
            waitingQuick_ = true;
            break;
        case OnlineRequest::Mode::None:
        case OnlineRequest::Mode::Lobby:
        // The client asked for the seat as it was welcomed; a refusal leaves it here.
        case OnlineRequest::Mode::Resume:
            break;
        }
        pending_ = OnlineRequest::Mode::None;
    }

    void refreshRooms(net::OnlineClient& client) {
        if (!listed_ || clockMilliseconds() - listedAt_ >= roomListEveryMs) {
            client.listRooms();
            listed_ = true;
            listedAt_ = clockMilliseconds();
        }
    }

    int lines(const net::OnlineClient& client) const {
        const int rooms = static_cast<int>(client.rooms().size());
        return menuItems_ + (rooms < roomsShown ? rooms : roomsShown);
    }

    void useMenu(net::OnlineClient& client) {
        const int count = lines(client);
        const bool typing = onTypedLine();
        const int before = selected_;
        if (keyPressed(keyUp) || (!typing && keyPressed(keyW))) {
            selected_ = (selected_ + count - 1) % count;
        }
        if (keyPressed(keyDown) || (!typing && keyPressed(keyS))) {
            selected_ = (selected_ + 1) % count;
        }
        // A pick selects its line and acts on it, as ENTER would; on a typed line it opens the
        // keyboard on the screen, for a player without keys.
        const int pick = framePick();
        bool act = keyPressed(keyReturn) || (!typing && keyPressed(keySpace));
        bool picked = false;
        if (pick >= 0 && pick != menuItems_ && pick < count + 1) {
            selected_ = pick < menuItems_ ? pick : pick - 1;
            act = true;
            picked = true;
        }
        // A new name greets the server on a new connection: this frame's client is gone.
        if (before == itemName && selected_ != itemName && keepName()) {
            return;
        }
        // The name line starts empty with the name as its hint each time it is reached.
        if (selected_ == itemName && before != itemName) {
            typedName_.clear();
        }
        if (selected_ == itemName && before == itemName) {
            typeInto(typedName_, nameLimit, TypedSet::Name);
        }
        if (selected_ == itemJoin && before == itemJoin) {
            typeInto(code_, codeLimit, TypedSet::Code);
        }
        if (picked && (selected_ == itemName || selected_ == itemJoin)) {
            entryFor_ = selected_;
            if (selected_ == itemName) {
                entry_.begin(name_, nameLimit, TypedSet::Name);
            } else {
                entry_.begin(code_, codeLimit, TypedSet::Code);
            }
            notice_ = nullptr;
            return;
        }
        if (!act) {
            return;
        }
        notice_ = nullptr;
        switch (selected_) {
        case itemName:
            keepName();
            return;
        case itemCreate:
            client.createRoom("", true);
            break;
        case itemJoin:
            joinTypedCode(client);
            break;
        case itemQuick:
            client.quickMatch();
            waitingQuick_ = true;
            break;
        default: {
            if (selected_ == itemRanked && menuItems_ > itemRanked) {
                client.rankedMatch();
                waitingRanked_ = true;
                break;
            }
            // A room with a free seat is joined; a full one, or one at play, is watched.
            const net::RoomEntry& room =
                client.rooms()[static_cast<std::size_t>(selected_ - menuItems_)];
            const bool full = !room.names[0].empty() && !room.names[1].empty();
            client.joinRoom(room.code, full || room.playing != 0, false);
            break;
        }
        }
    }

    // A typed name (none: the old one stays) is remembered, and greets the server on a new
    // connection (true when there is one).
    bool keepName() {
        if (!typedName_.empty()) {
            name_ = typedName_;
            typedName_.clear();
        }
        if (name_.empty()) {
            name_ = texts_.defaultName;
        }
        if (name_ == settings_.playerName ||
            (settings_.playerName.empty() && name_ == texts_.defaultName)) {
            return false;
        }
        settings_.playerName = name_;
        saveSettings(settings_);
        if (connection_.client->phase() != net::OnlineClient::Phase::Lobby) {
            return false;
        }
        listed_ = false;
        standingAt_ = 0;
        return connection_.open(request_.server, name_, key_);
    }

    void draw(const net::OnlineClient& client) {
        drawText(32, 24, texts_.heading, textWhite, 24, gameFace, textLeftTop);
        using Phase = net::OnlineClient::Phase;
        const Phase phase = client.phase();
        // The lines, the rooms and the bottom line, one grid for the pointer (beside the top ten
        // when it is shown).
        offerPicks(PickGrid{32, lineTop, client.ranked() ? rankedPickWidth : 576, lineHeight, 1,
                            backTarget + 1});
        if (phase == Phase::Failed) {
            drawText(32, 64, failureText(client, texts_), errorRed, textHeight, gameFace,
                     textLeftTop);
            drawText(32, 460, texts_.back, statusYellow, textHeight, gameFace, textLeftTop);
            return;
        }
        drawText(32, 64,
                 formatText(phase == Phase::Connecting ? texts_.connecting : texts_.connected,
                            client.url().c_str()),
                 textGrey, textHeight, gameFace, textLeftTop);
        drawStanding(client);
        if (phase == Phase::InRoom) {
            drawText(32, 120, formatText(texts_.waitingInRoom, client.roomCode().c_str()),
                     textWhite, 20, gameFace, textLeftTop);
            drawText(32, 152, texts_.shareCode, textGrey, textHeight, gameFace, textLeftTop);
            drawText(32, 460, texts_.backToLobby, statusYellow, textHeight, gameFace, textLeftTop);
            return;
        }
        if (waitingQuick_) {
            drawText(32, 120, texts_.waitingInQueue, textWhite, 20, gameFace, textLeftTop);
            drawText(32, 460, texts_.backToLobby, statusYellow, textHeight, gameFace, textLeftTop);
            return;
        }
        if (waitingRanked_) {
            drawText(32, 120,
                     formatText(texts_.waitingRanked,
                                static_cast<unsigned>(client.rankedWindow() != 0
                                                          ? client.rankedWindow()
                                                          : 100)),
                     textWhite, 20, gameFace, textLeftTop);
            drawText(32, 460, texts_.backToLobby, statusYellow, textHeight, gameFace, textLeftTop);
            return;
        }
        if (phase != Phase::Lobby) {
            return;
        }
        const std::string nameLabel = formatText(texts_.nameItem, "");
        const std::string joinLine =
            formatText(texts_.joinItem, (code_ + (selected_ == itemJoin ? "_" : "")).c_str());
        const char* items[itemRanked + 1] = {nameLabel.c_str(), texts_.createItem,
                                             joinLine.c_str(), texts_.quickItem,
                                             texts_.rankedItem};
        for (int i = 0; i < menuItems_; ++i) {
            drawText(48, lineTop + lineHeight * i, items[i], i == selected_ ? textWhite : textGrey,
                     textHeight, gameFace, textLeftTop);
        }
        drawNameValue();
        drawLeaders(client);
        const int roomsTop = lineTop + lineHeight * (menuItems_ + 1);
        drawText(32, roomsTop - lineHeight, texts_.roomsHeading, textWhite, textHeight, gameFace,
                 textLeftTop);
        const auto& rooms = client.rooms();
        if (rooms.empty()) {
            drawText(48, roomsTop, texts_.noRooms, textGrey, textHeight, gameFace, textLeftTop);
        }
        for (int i = 0; i < static_cast<int>(rooms.size()) && i < roomsShown; ++i) {
            const net::RoomEntry& room = rooms[static_cast<std::size_t>(i)];
            std::string line =
                formatText(texts_.roomLine, room.code.c_str(), room.names[0].c_str(),
                           room.names[1].c_str(), static_cast<unsigned>(room.spectators));
            if (room.playing != 0) {
                line += std::string("  ") + texts_.playing;
            }
            drawText(48, roomsTop + lineHeight * i, line.c_str(),
                     menuItems_ + i == selected_ ? textWhite : textGrey, textHeight, gameFace,
                     textLeftTop);
        }
        if (notice_ != nullptr) {
            drawText(32, 444, notice_, errorRed, textHeight, gameFace, textLeftTop);
        }
        drawText(32, 460, withBoundKeys(texts_.lobbyHelp), statusYellow, textHeight, gameFace,
                 textLeftTop);
    }

    // The player's rating, rank and games, and how the last ranked match changed the rating.
    void drawStanding(const net::OnlineClient& client) const {
        if (!client.ranked()) {
            return;
        }
        const net::RankedStanding& s = client.standing();
        std::string line =
            s.rank != 0 ? formatText(texts_.ratingLine, static_cast<unsigned>(s.rating),
                                     static_cast<unsigned>(2 * s.deviation),
                                     static_cast<unsigned>(s.rank), static_cast<unsigned>(s.games))
                        : formatText(texts_.unrankedLine, static_cast<unsigned>(s.rating),
                                     static_cast<unsigned>(2 * s.deviation));
        drawText(32, standingY, line.c_str(), textWhite, textHeight, gameFace, textLeftTop);
        if (const char* change = lastRatedChange(client, texts_.lastChange)) {
            drawText(leadersX, standingY, change, statusYellow, textHeight, gameFace, textLeftTop);
        }
    }

    void drawLeaders(const net::OnlineClient& client) const {
        if (!client.ranked() || client.standing().leaders.empty()) {
            return;
        }
        drawText(leadersX, lineTop, texts_.topTen, textWhite, textHeight, gameFace, textLeftTop);
        int y = lineTop + lineHeight;
        for (const net::RankedLeader& leader : client.standing().leaders) {
            drawText(leadersX, y,
                     formatText(texts_.leaderLine, static_cast<unsigned>(leader.rank),
                                leader.name.c_str(), static_cast<unsigned>(leader.rating)),
                     leader.name == client.standing().name ? textWhite : textGrey, textHeight,
                     gameFace, textLeftTop);
            y += leaderHeight;
        }
    }

    // The name in its column: on the selected line what is typed, or while nothing is, the
    // name as a grey hint behind the cursor.
    void drawNameValue() const {
        const int y = lineTop + lineHeight * itemName;
        if (selected_ != itemName) {
            drawText(nameValueX, y, name_.c_str(), textGrey, textHeight, gameFace, textLeftTop);
        } else if (typedName_.empty()) {
            drawText(nameValueX, y, "_", textWhite, textHeight, gameFace, textLeftTop);
            drawText(nameValueX + 12, y, name_.c_str(), textGrey, textHeight, gameFace,
                     textLeftTop);
        } else {
            drawText(nameValueX, y, (typedName_ + "_").c_str(), textWhite, textHeight, gameFace,
                     textLeftTop);
        }
    }

    Settings& settings_;
    const OnlineRequest& request_;
    MatchObserver* observer_;
    const OnlineTexts& texts_;
    Connection connection_;
    std::string name_;
    net::PlayerKey key_;
    // The name line's field while it is selected (empty: the name is kept).
    std::string typedName_;
    std::string code_;
    // The on-screen keyboard, for the line it was opened on.
    TextEntry entry_;
    int entryFor_ = itemName;
    bool serverKept_ = false;
    OnlineRequest::Mode pending_;
    int selected_ = itemCreate;
    bool listed_ = false;
    std::uint32_t listedAt_ = 0;
    bool waitingQuick_ = false;
    bool waitingRanked_ = false;
    // The menu's lines now (the ranked one only with ranked play), and when the standing was
    // last asked for (0: never).
    int menuItems_ = casualItems;
    std::uint32_t standingAt_ = 0;
    bool standingStale_ = false;
    std::uint32_t refusalsSeen_ = 0;
    const char* notice_ = nullptr;
    std::string announced_;
    bool wasConnecting_ = false;
    std::uint32_t connectingSince_ = 0;
};

} // namespace

void setOnlineSeatKeeper(OnlineSeatKeeper keeper) {
    seatKeeper = keeper;
}

void keepOnlineSeat(const std::string& serverUrl, const std::string& roomCode,
                    std::uint64_t resumeToken) {
    if (seatKeeper != nullptr) {
        seatKeeper(serverUrl, roomCode, resumeToken);
    }
}

const char* lastRatedChange(const net::OnlineClient& client, const char* format) {
    if (client.ratedReceived() == 0) {
        return nullptr;
    }
    const net::Message& rated = client.lastRated();
    if (rated.reason != static_cast<std::uint8_t>(net::RatedOutcome::Rated)) {
        const int why = rated.reason - 1;
        return why >= 0 && why < 6 ? onlineTexts().unrated[why] : nullptr;
    }
    const int seat = rated.seat < 2 ? rated.seat : 0;
    return formatText(format, static_cast<unsigned>(rated.ranked.before[seat]),
                      static_cast<unsigned>(rated.ranked.after[seat]));
}

bool runOnline(Settings& settings, const OnlineRequest& request, MatchObserver* observer) {
    // Online matches are values of their own, made from the server's starts: the offline game's
    // series and key table are untouched.
    LobbyScreen lobby(settings, request, observer);
    return lobby.run();
}

} // namespace kokurin
