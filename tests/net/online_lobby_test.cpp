// The online lobby driven by keys against a scripted server: the open rooms are listed, ENTER
// takes a free seat or watches a full room, a refusal is shown, a typed name is kept in the
// settings and greets the server; and what the command line may ask of online play.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "headless/headless.h"
#include "net/player_key.h"
#include "net/input_runs.h"
#include "net/protocol.h"
#include "replay/replay_file.h"
#include "net/transport.h"
#include "match/match_observer.h"
#include "match/match_start.h"
#include "screens/online_request.h"
#include "screens/online_screens.h"
#include "settings/settings.h"
#include "sound/sound_schedule.h"

using namespace kokurin;
using namespace kokurin::net;

namespace {

// A tiny server: welcomes, lists two rooms, refuses the full one's seat.
struct ScriptedServer {
    std::vector<Message> heard;
    int connections = 0;
    std::vector<std::string> addresses;
    // Set by a join of PLAY: the match the server starts (2P's seat for the client).
    bool started = false;
    // The other seat never sends; this many polls after the start the server calls it gone
    // (0: never).
    int goneAfterPolls = 0;
    int pollsSinceStart = 0;
    // The seat the client is given, and whether the other seat (idle) keeps pace with it.
    std::uint8_t seat = 1;
    bool otherKeepsPace = false;
    // A server of another version refuses every Hello, naming its own.
    std::string otherVersion;
    // This many polls after the start the server dies: the connection drops and no new one is
    // taken (0: never).
    int deadAfterPolls = 0;
    bool dead = false;
    // This many polls after the start the match is over (1P won) and the other player asks for
    // a rematch (0: never).
    int overAfterPolls = 0;
    // The token a Resume must bring to take 2P's seat of PLAY back.
    std::uint64_t resumeToken = 77;
    // Ranked play: an Identify is answered with a Standing, the ranked queue starts PLAY's
    // match, and its end brings a Rated (1512 to 1527) and the new standing.
    bool ranked = false;
    // A Result is answered with the verdict that this seat left (the other won).
    bool verdictOnResult = false;
    // Both seats' streams of the match, and the frames of the other seat's sent to the client.
    std::vector<FrameInput> streams[2];
    std::uint32_t otherGiven = 0;
};

net::Message standingMessage(std::uint16_t rating, std::uint32_t rank) {
    Message m;
    m.type = MessageType::Standing;
    m.ranked.standing.name = "kai";
    m.ranked.standing.rating = rating;
    m.ranked.standing.deviation = 60;
    m.ranked.standing.rank = rank;
    m.ranked.standing.games = rank == 0 ? 0 : 5;
    m.ranked.standing.leaders = {RankedLeader{1, "ann", 1700}, RankedLeader{2, "kai", rating}};
    return m;
}

class ScriptedTransport : public Transport {
  public:
    explicit ScriptedTransport(ScriptedServer& server) : server_(server) {}
    bool connect(const std::string& url) override {
        ++server_.connections;
        server_.addresses.push_back(url);
        closed_ = server_.dead;
        return !server_.dead;
    }
    void send(const std::vector<std::uint8_t>& bytes) override {
        if (closed_) {
            return;
        }
        Message m;
        std::string error;
        ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), m, error)) << error;
        server_.heard.push_back(m);
        Message reply;
        if (m.type == MessageType::Hello && !server_.otherVersion.empty()) {
            reply.type = MessageType::Refused;
            reply.reason = static_cast<std::uint8_t>(RefusalReason::WrongVersion);
            reply.text = server_.otherVersion;
        } else if (m.type == MessageType::Hello) {
            reply.type = MessageType::Welcome;
            reply.version = protocolVersion;
            reply.number = 1;
            reply.token = 99;
        } else if (m.type == MessageType::ListRooms) {
            reply.type = MessageType::RoomList;
            RoomEntry open;
            open.code = "OPEN";
            open.names[0] = "ann";
            RoomEntry full;
            full.code = "FULL";
            full.names[0] = "bo";
            full.names[1] = "cy";
            full.playing = 1;
            reply.rooms = {open, full};
        } else if (m.type == MessageType::Resume && m.token != server_.resumeToken) {
            reply.type = MessageType::Refused;
            reply.reason = static_cast<std::uint8_t>(RefusalReason::ResumeUnknown);
            reply.text = m.text;
        } else if (m.type == MessageType::Identify && server_.ranked) {
            reply = standingMessage(1512, 0);
        } else if (((m.type == MessageType::JoinRoom || m.type == MessageType::Resume) &&
                    m.text == "PLAY") ||
                   (m.type == MessageType::RankedQueue && server_.ranked)) {
            Message joined;
            joined.type = MessageType::Joined;
            joined.text = "PLAY";
            joined.seat = server_.seat;
            joined.names[0] = "ann";
            joined.names[1] = m.text;
            inbox_.push_back(encodeMessage(joined));
            reply.type = MessageType::Start;
            reply.number = 1;
            reply.names[0] = "ann";
            reply.names[1] = "kai";
            reply.seat = server_.seat;
            reply.lead = 300;
            reply.start = freshMatchStart(0, 7);
            server_.started = true;
            server_.streams[0].clear();
            server_.streams[1].clear();
            server_.otherGiven = 0;
        } else if (m.type == MessageType::Inputs) {
            // The server holds the client's frames and says so; the other seat's (idle) come
            // only when it keeps pace.
            std::vector<FrameInput>& mine = server_.streams[m.seat];
            std::vector<FrameInput>& other = server_.streams[1 - m.seat];
            extendStream(mine, m, replayMaxFrames);
            if (server_.otherKeepsPace && other.size() < mine.size()) {
                other.resize(mine.size());
            }
            writeStream(other, 1 - m.seat, server_.otherGiven,
                        static_cast<std::uint32_t>(other.size()), true, reply);
            server_.otherGiven = static_cast<std::uint32_t>(other.size());
            reply.held[m.seat] = static_cast<std::uint32_t>(mine.size());
        } else if (m.type == MessageType::Result && server_.verdictOnResult) {
            reply.type = MessageType::MatchOver;
            reply.reason = static_cast<std::uint8_t>(MatchEnd::Left);
            reply.seat = static_cast<std::uint8_t>(1 - server_.seat);
            reply.number = m.number;
        } else if (m.type == MessageType::Ping) {
            reply.type = MessageType::Pong;
            reply.number = m.number;
        } else if (m.type == MessageType::JoinRoom && m.text == "MOVED" &&
                   server_.addresses.back() != "ws://second.test/") {
            // The room lives on another process: the client is sent there.
            reply.type = MessageType::Refused;
            reply.reason = static_cast<std::uint8_t>(RefusalReason::WrongProcess);
            reply.text = "ws://second.test/";
        } else if (m.type == MessageType::JoinRoom && m.text == "MOVED") {
            reply.type = MessageType::Joined;
            reply.text = "MOVED";
            reply.names[0] = "ann";
        } else if (m.type == MessageType::JoinRoom && m.text == "NOPE") {
            reply.type = MessageType::Refused;
            reply.reason = static_cast<std::uint8_t>(RefusalReason::RoomUnknown);
            reply.text = "NOPE";
        } else {
            return;
        }
        inbox_.push_back(encodeMessage(reply));
    }
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        if (server_.started && !server_.dead) {
            ++server_.pollsSinceStart;
        }
        if (server_.started && server_.goneAfterPolls != 0 &&
            server_.pollsSinceStart == server_.goneAfterPolls) {
            Message over;
            over.type = MessageType::MatchOver;
            over.reason = static_cast<std::uint8_t>(MatchEnd::Gone);
            over.seat = 1;
            inbox_.push_back(encodeMessage(over));
        }
        if (server_.started && server_.overAfterPolls != 0 &&
            server_.pollsSinceStart == server_.overAfterPolls) {
            Message over;
            over.type = MessageType::MatchOver;
            over.reason = static_cast<std::uint8_t>(MatchEnd::Winner);
            over.seat = 0;
            inbox_.push_back(encodeMessage(over));
            Message asked;
            asked.type = MessageType::Rematch;
            inbox_.push_back(encodeMessage(asked));
            if (server_.ranked) {
                Message rated;
                rated.type = MessageType::Rated;
                rated.number = 1;
                rated.seat = server_.seat;
                rated.ranked.before[server_.seat] = 1512;
                rated.ranked.after[server_.seat] = 1527;
                rated.ranked.before[1 - server_.seat] = 1600;
                rated.ranked.after[1 - server_.seat] = 1585;
                inbox_.push_back(encodeMessage(rated));
                inbox_.push_back(encodeMessage(standingMessage(1527, 2)));
            }
        }
        if (server_.started && server_.deadAfterPolls != 0 &&
            server_.pollsSinceStart == server_.deadAfterPolls) {
            server_.dead = true;
            closed_ = true;
            inbox_.clear();
        }
        received.swap(inbox_);
        inbox_.clear();
        return closed_ ? Status::Closed : Status::Open;
    }
    void close() override {
        closed_ = true;
        inbox_.clear();
    }
    std::string closeReason() const override { return "closed"; }

  private:
    ScriptedServer& server_;
    std::vector<std::vector<std::uint8_t>> inbox_;
    bool closed_ = false;
};

std::vector<Message> heardOf(const ScriptedServer& server, MessageType type) {
    std::vector<Message> out;
    for (const Message& m : server.heard) {
        if (m.type == type) {
            out.push_back(m);
        }
    }
    return out;
}

// The client's own stream as the server built it from the Inputs it heard.
std::vector<FrameInput> heardStream(const ScriptedServer& server) {
    std::vector<FrameInput> stream;
    for (const Message& m : heardOf(server, MessageType::Inputs)) {
        extendStream(stream, m, replayMaxFrames);
    }
    return stream;
}

class OnlineLobby : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        headless::setMessageHandler([](const char*) {});
        headless::setTransportFactory(
            [this] { return std::make_unique<ScriptedTransport>(server_); });
    }
    void TearDown() override { headless::reset(); }

    ScriptedServer server_;
};

} // namespace

TEST_F(OnlineLobby, RoomsAreJoinedOrWatchedCodesTypedAndTheNameKept) {
    headless::KeyScript keys;
    // From "create": down to the first room (a free seat), then the second (full, playing).
    keys.tap(5, keyDown);
    keys.tap(7, keyDown);
    keys.tap(9, keyDown);
    keys.tap(11, keyReturn);
    keys.tap(13, keyDown);
    keys.tap(15, keyReturn);
    // Up to the code line, "nope" typed, ENTER: the server knows no such room.
    for (int i = 0; i < 3; ++i) {
        keys.tap(17 + 2 * i, keyUp);
    }
    keys.tap(23, keyN);
    keys.tap(25, keyO);
    keys.tap(27, keyP);
    keys.tap(29, keyE);
    keys.tap(31, keyReturn);
    // Up twice to the name, "kai" typed after the default is erased, down keeps it.
    keys.tap(33, keyUp);
    keys.tap(35, keyUp);
    for (int i = 0; i < 8; ++i) {
        keys.tap(37 + 2 * i, keyBackspace);
    }
    keys.tap(53, keyK);
    keys.tap(55, keyA);
    keys.tap(57, keyI);
    keys.tap(59, keyDown);
    keys.tap(70, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(200);
    bool refusalShown = false;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        for (const auto& draw : frame) {
            refusalShown = refusalShown || draw.text == "そのルームはありません";
        }
    });

    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test:8620/";
    request.mode = OnlineRequest::Mode::Lobby;
    EXPECT_FALSE(runOnline(settings, request));
    EXPECT_LT(headless::pollCount(), 200) << "ESC left the lobby";

    const std::vector<Message> joins = heardOf(server_, MessageType::JoinRoom);
    ASSERT_EQ(joins.size(), 3u);
    EXPECT_EQ(joins[0].text, "OPEN");
    EXPECT_EQ(joins[0].flag, 0) << "a free seat is taken";
    EXPECT_EQ(joins[1].text, "FULL");
    EXPECT_EQ(joins[1].flag, 1) << "a full room is watched";
    EXPECT_EQ(joins[2].text, "NOPE") << "a typed code, upper-cased";
    EXPECT_TRUE(refusalShown);

    // The new name is kept and greets the server on a new connection.
    EXPECT_EQ(settings.playerName, "kai");
    const std::vector<Message> hellos = heardOf(server_, MessageType::Hello);
    ASSERT_EQ(hellos.size(), 2u);
    EXPECT_EQ(hellos[0].text, "名無し");
    EXPECT_EQ(hellos[1].text, "kai");
    EXPECT_EQ(server_.connections, 2);
}

TEST_F(OnlineLobby, ALatePlayerIsWaitedForWithANoticeAndAGoneOneLosesTheMatch) {
    server_.goneAfterPolls = 150;
    headless::KeyScript keys;
    keys.tap(400, keyEscape);
    keys.tap(420, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(600);
    // Frames shown; the notice's, counted in the client's polls of the connection (one a frame,
    // held ones too) since the match started.
    long shown = 0;
    long matchAt = 0;
    int noticeAt = 0;
    long verdictAt = 0;
    std::string names;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long) {
        ++shown;
        for (const auto& draw : frame) {
            if (noticeAt == 0 && draw.text == "相手を待っています…") {
                noticeAt = server_.pollsSinceStart;
            }
            if (verdictAt == 0 && draw.text == "相手の応答がなくなりました") {
                verdictAt = shown;
            }
            if (draw.text.rfind("1P ", 0) == 0) {
                matchAt = matchAt == 0 ? shown : matchAt;
                names = draw.text;
            }
        }
    });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test/";
    request.mode = OnlineRequest::Mode::Join;
    request.room = "PLAY";
    EXPECT_FALSE(runOnline(settings, request));
    ASSERT_TRUE(server_.started);
    // The match runs ahead of the silent player as far as the bound (40 frames, a frame held
    // now and then for the other to catch up), then half a second of waiting before the notice;
    // nothing of it was confirmed.
    EXPECT_NE(matchAt, 0);
    EXPECT_GE(noticeAt, 40 + 30);
    EXPECT_LE(noticeAt, 40 + 36);
    EXPECT_NE(verdictAt, 0) << "the server's word on the gone player is shown";
    EXPECT_EQ(names, "1P ann　2P kai");
    // The match never got past its first frame: no Result, and no replay of frames nobody had.
    EXPECT_TRUE(heardOf(server_, MessageType::Result).empty() ||
                heardOf(server_, MessageType::Result)[0].number == 0);
    EXPECT_EQ(heardOf(server_, MessageType::Leave).size(), 1u) << "ESC on the verdict leaves";
}

OnlineRequest joinPlay() {
    OnlineRequest request;
    request.server = "ws://example.test/";
    request.mode = OnlineRequest::Mode::Join;
    request.room = "PLAY";
    return request;
}

// The texts drawn that start with one of the prefixes, in the order they first show; every
// one must leave the board's cells (y 96 .. 384) and the queues' row (y 416 .. 432) alone.
struct NoticeLog {
    explicit NoticeLog(std::vector<std::string> prefixes) : prefixes(std::move(prefixes)) {
        headless::setFrameHook([this](const std::vector<headless::DrawCall>& frame, long) {
            for (const auto& draw : frame) {
                for (const std::string& prefix : this->prefixes) {
                    const int bottom = draw.y + draw.height;
                    if (draw.text.rfind(prefix, 0) != 0 ||
                        std::find(seen.begin(), seen.end(), draw.text) != seen.end()) {
                        continue;
                    }
                    EXPECT_FALSE(draw.y < 384 && bottom > 96) << draw.text << " over the board";
                    EXPECT_FALSE(draw.y < 432 && bottom > 416) << draw.text << " over the queues";
                    seen.push_back(draw.text);
                }
            }
        });
    }
    std::vector<std::string> prefixes;
    std::vector<std::string> seen;
};

class SwapsSeen : public MatchObserver {
  public:
    void swapMade(const MatchState&, int first, int second) override {
        swaps.emplace_back(first, second);
    }
    std::vector<std::pair<int, int>> swaps;
};

TEST_F(OnlineLobby, APointerPlaysItsCellsAnswersARematchAndTheNextRoomStartsAfresh) {
    server_.seat = 0;
    server_.otherKeepsPace = true;
    server_.overAfterPolls = 250;
    headless::KeyScript keys;
    // The second cell of the first row, then the third (48-pixel cells from (176, 96)); after
    // the verdict its left button, "SPACE: rematch" on y 440.
    keys.click(200, 176 + 48 + 24, 96 + 24);
    keys.click(210, 176 + 96 + 24, 96 + 24);
    keys.click(360, 220, 446);
    // Then ESC, and the same room's code typed in the lobby: a second match, nothing clicked.
    keys.tap(380, keyEscape);
    keys.tap(390, keyDown);
    const int code[] = {keyP, keyL, keyA, keyY, keyReturn};
    for (int i = 0; i < 5; ++i) {
        keys.tap(392 + 2 * i, code[i]);
    }
    headless::setKeySource(&keys);
    headless::setPollLimit(700);
    NoticeLog log({"1Pのかち", "相手"});
    SwapsSeen seen;
    Settings settings;
    EXPECT_TRUE(runOnline(settings, joinPlay(), &seen));
    std::vector<std::uint8_t> picks;
    for (const Message& m : heardOf(server_, MessageType::Inputs)) {
        for (const InputRun& run : m.runs) {
            if (run.input.pointer != 0) {
                picks.push_back(run.input.pointer);
            }
        }
    }
    EXPECT_EQ(picks, (std::vector<std::uint8_t>{1 + 1, 1 + 2})) << "each pick once, in 1P's stream";
    // Once: the second match starts from streams of its own, not the first one's.
    EXPECT_EQ(seen.swaps, (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_EQ(heardOf(server_, MessageType::JoinRoom).size(), 2u);
    // Two humans: the title's two-player portrait, wherever the match was started from.
    EXPECT_EQ(headless::loadedPictures(), std::vector<std::string>(2, "data/mira.bmp"));
    EXPECT_EQ(log.seen, (std::vector<std::string>{"1Pのかち", "相手が再戦を申し込んでいます",
                                                  "相手の返事を待っています…"}));
    EXPECT_EQ(heardOf(server_, MessageType::Rematch).size(), 1u);
}

TEST_F(OnlineLobby, ASilentPlayerIsCountedDownToTheServersStallTimeout) {
    server_.goneAfterPolls = 700;
    headless::setPollLimit(760);
    NoticeLog log({"相手"});
    Settings settings;
    runOnline(settings, joinPlay());
    // Waiting; from three seconds on, every second down (the server called it at 11.7 s).
    std::vector<std::string> expected = {"相手を待っています…"};
    for (int left = 17; left >= 9; --left) {
        expected.push_back("相手の応答がありません。あと " + std::to_string(left) +
                           " 秒で相手の負けになります");
    }
    expected.push_back("相手の応答がなくなりました");
    EXPECT_EQ(log.seen, expected);
}

TEST_F(OnlineLobby, ADeadServerIsALostConnectionNeverAPlayerWaitedFor) {
    server_.otherKeepsPace = true;
    server_.deadAfterPolls = 200;
    headless::setPollLimit(1200);
    NoticeLog log({"相手", "サーバー"});
    Settings settings;
    EXPECT_TRUE(runOnline(settings, joinPlay()));
    // Tried again for ten seconds, then the lobby says so.
    EXPECT_EQ(log.seen,
              (std::vector<std::string>{"サーバーとの接続が切れました。つなぎ直しています…",
                                        "サーバーとの接続が切れました"}));
    EXPECT_GE(server_.connections, 10);
}

TEST_F(OnlineLobby, APageLoadedAgainTakesItsSeatBackOrHearsTheMatchIsOver) {
    static std::vector<std::string> kept;
    kept.clear();
    setOnlineSeatKeeper(
        [](const std::string& server, const std::string& room, std::uint64_t token) {
            kept.push_back(server + " " + room + " " + std::to_string(token));
        });
    OnlineRequest request = joinPlay();
    request.mode = OnlineRequest::Mode::Resume;
    request.resumeToken = 77;
    headless::setPollLimit(150);
    Settings settings;
    EXPECT_TRUE(runOnline(settings, request));
    ASSERT_EQ(heardOf(server_, MessageType::Resume).size(), 1u);
    EXPECT_EQ(heardOf(server_, MessageType::Resume)[0].token, 77u);
    EXPECT_TRUE(heardOf(server_, MessageType::JoinRoom).empty());
    EXPECT_EQ(kept, std::vector<std::string>{"ws://example.test/ PLAY 77"}) << "kept to come back";

    // Too late: the lobby says so, and the page forgets the seat.
    headless::setPollLimit(headless::pollCount() + 60);
    NoticeLog log({"その対戦"});
    request.resumeToken = 78;
    EXPECT_TRUE(runOnline(settings, request));
    EXPECT_EQ(log.seen, std::vector<std::string>{"その対戦はもう終わっています"});
    EXPECT_EQ(kept.back(), "  0");
    setOnlineSeatKeeper(nullptr);
}

TEST_F(OnlineLobby, ThePointerTypesOnTheScreensKeyboardAndLeavesByTheBottomLine) {
    headless::KeyScript keys;
    // The name line (y 96) opens the keyboard, keys of 56 x 36 from (40, 152): k, a, i, OK.
    keys.click(10, 100, 100);
    const int name[][2] = {{2, 7}, {2, 0}, {1, 7}, {4, 6}};
    // The code line (y 136): n, o, p, e, OK, a code the server does not know.
    keys.click(40, 100, 140);
    const int code[][2] = {{3, 5}, {1, 8}, {1, 9}, {1, 2}, {4, 6}};
    for (int i = 0; i < 5; ++i) {
        if (i < 4) {
            keys.click(20 + 2 * i, 40 + 56 * name[i][1] + 5, 152 + 36 * name[i][0] + 5);
        }
        keys.click(50 + 2 * i, 40 + 56 * code[i][1] + 5, 152 + 36 * code[i][0] + 5);
    }
    // The bottom line: back to the title.
    keys.click(80, 100, 462);
    headless::setKeySource(&keys);
    headless::setPollLimit(200);
    bool hinted = false;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long) {
        for (const auto& draw : frame) {
            // The field starts empty, the old name a grey hint behind the cursor.
            hinted =
                hinted || (draw.text == "名無し" && draw.colour == 0xFF808080u && draw.y == 118);
        }
    });
    Settings settings;
    OnlineRequest request = joinPlay();
    request.mode = OnlineRequest::Mode::Lobby;
    EXPECT_FALSE(runOnline(settings, request));
    EXPECT_LT(headless::pollCount(), 200) << "the bottom line left the lobby";
    EXPECT_TRUE(hinted);
    EXPECT_EQ(settings.playerName, "kai");
    ASSERT_EQ(heardOf(server_, MessageType::JoinRoom).size(), 1u);
    EXPECT_EQ(heardOf(server_, MessageType::JoinRoom)[0].text, "NOPE");
    EXPECT_EQ(settings.serverAddress, "ws://example.test/") << "the server that welcomed is kept";
}

TEST_F(OnlineLobby, HShowsTheHintOnTheLineBelowForThisPlayerAndNeverABox) {
    server_.seat = 0;
    server_.otherKeepsPace = true;
    headless::KeyScript keys;
    keys.tap(100, keyH);
    headless::setKeySource(&keys);
    headless::setPollLimit(200);
    std::vector<std::string> boxes;
    headless::setMessageHandler([&](const char* text) { boxes.emplace_back(text); });
    long hintFrom = 0;
    long hintFrames = 0;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        for (const auto& draw : frame) {
            if (draw.y == 460 && draw.text.rfind("(", 0) == 0) {
                hintFrom = hintFrom == 0 ? poll : hintFrom;
                ++hintFrames;
            }
        }
    });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test/";
    request.mode = OnlineRequest::Mode::Join;
    request.room = "PLAY";
    EXPECT_TRUE(runOnline(settings, request)) << "the poll limit closes the game";
    EXPECT_GE(hintFrom, 100);
    EXPECT_LE(hintFrom, 102);
    EXPECT_GT(hintFrames, 90) << "the hint stays a while";
    EXPECT_TRUE(boxes.empty()) << "no box stops the other player's game";
    // H never reaches the stream.
    const std::vector<FrameInput> sent = heardStream(server_);
    EXPECT_GT(sent.size(), 100u);
    for (const FrameInput& input : sent) {
        EXPECT_EQ(input.keys & 0x0002u, 0u);
    }
}

TEST_F(OnlineLobby, ARoomOnAnotherServerProcessIsJoinedThereLongAfterTheFirstWelcome) {
    // Twelve seconds in the lobby, then the code of a room another process holds.
    headless::KeyScript keys;
    keys.tap(720, keyDown);
    const int code[] = {keyM, keyO, keyV, keyE, keyD};
    for (int i = 0; i < 5; ++i) {
        keys.tap(722 + 2 * i, code[i]);
    }
    keys.tap(740, keyReturn);
    headless::setKeySource(&keys);
    headless::setPollLimit(900);
    bool waiting = false;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long) {
        for (const auto& draw : frame) {
            waiting = waiting || draw.text.rfind("ルーム MOVED", 0) == 0;
        }
    });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test/";
    request.mode = OnlineRequest::Mode::Lobby;
    EXPECT_TRUE(runOnline(settings, request));
    EXPECT_EQ(server_.addresses,
              (std::vector<std::string>{"ws://example.test/", "ws://second.test/"}));
    EXPECT_EQ(heardOf(server_, MessageType::Hello).size(), 2u);
    EXPECT_EQ(heardOf(server_, MessageType::JoinRoom).size(), 2u) << "asked again there";
    EXPECT_TRUE(waiting) << "in the room on the other process";
    EXPECT_EQ(headless::announcedRoom(), "ws://example.test/ MOVED");
    EXPECT_FALSE(soundMuted()) << "the M of a typed code is a letter, not the sound's switch";
}

TEST_F(OnlineLobby, AServerOfAnotherVersionIsNamedWithTheVersionToInstall) {
    server_.otherVersion = "9.1.0";
    headless::KeyScript keys;
    keys.tap(20, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(100);
    bool named = false;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long) {
        for (const auto& draw : frame) {
            named = named ||
                    draw.text == "サーバーとバージョンが違います。kokurin 9.1.0 を入れてください";
        }
    });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test/";
    request.mode = OnlineRequest::Mode::Quick;
    EXPECT_FALSE(runOnline(settings, request));
    EXPECT_TRUE(named);
    EXPECT_TRUE(heardOf(server_, MessageType::QuickMatch).empty()) << "nothing asked of it";
}

TEST_F(OnlineLobby, WithoutANetworkTheLobbySaysSoAndReturns) {
    headless::setTransportFactory(nullptr);
    std::vector<std::string> boxes;
    headless::setMessageHandler([&](const char* text) { boxes.emplace_back(text); });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test/";
    EXPECT_FALSE(runOnline(settings, request));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "この版はオンライン対戦ができません");
}

TEST(OnlineRequests, CommandLinesAddressesAndCodes) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
        OnlineRequest::Mode mode;
        const char* server;
        const char* room;
    };
    using Mode = OnlineRequest::Mode;
    const Case cases[] = {
        {{"kokurin"}, true, Mode::None, "", ""},
        {{"kokurin", "--lang", "en"}, true, Mode::None, "", ""},
        {{"kokurin", "--server", "example.org:8620"},
         true,
         Mode::Lobby,
         "ws://example.org:8620/",
         ""},
        {{"kokurin", "--server", "http://h/x", "--join", "ab7c"},
         true,
         Mode::Join,
         "ws://h/x",
         "AB7C"},
        {{"kokurin", "--watch", "Q1234567", "--server", "wss://h:1/"},
         true,
         Mode::Watch,
         "wss://h:1/",
         "Q1234567"},
        {{"kokurin", "--server", "h", "--host"}, true, Mode::Host, "ws://h/", ""},
        {{"kokurin", "--server", "h", "--quick"}, true, Mode::Quick, "ws://h/", ""},
        {{"kokurin", "--server", "a:1,wss://b/x"}, true, Mode::Lobby, "ws://a:1/,wss://b/x", ""},
        {{"kokurin", "--server", "a, b:2 ,", "--host"}, true, Mode::Host, "ws://a/,ws://b:2/", ""},
        {{"kokurin", "--server", "a,ftp://b"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", ","}, false, Mode::None, "", ""},
        {{"kokurin", "--join", "AB"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "h", "--join"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "h", "--join", "A B"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "h", "--join", "AAAAAAAAA"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "h", "--join", "ab7"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "h", "--join", "../web/x"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "h", "--host", "--quick"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "ftp://h"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "h o"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", "/etc"}, false, Mode::None, "", ""},
        {{"kokurin", "--server", ""}, false, Mode::None, "", ""},
    };
    for (const Case& c : cases) {
        OnlineRequest request;
        request.room = "untouched";
        std::string error;
        const bool ok =
            readOnlineArguments(static_cast<int>(c.args.size()), c.args.data(), request, error);
        std::string line;
        for (const char* a : c.args) {
            line += std::string(a) + " ";
        }
        EXPECT_EQ(ok, c.ok) << line << error;
        if (ok) {
            EXPECT_EQ(request.mode, c.mode) << line;
            EXPECT_EQ(request.server, c.server) << line;
            EXPECT_EQ(request.room, c.room) << line;
        } else {
            EXPECT_FALSE(error.empty()) << line;
            EXPECT_EQ(request.room, "untouched") << line << "a refused line changes nothing";
        }
    }
}

TEST_F(OnlineLobby, TheRatingRankAndTopTenShowAndARankedMatchSaysHowTheRatingMoved) {
    server_.ranked = true;
    server_.seat = 0;
    server_.otherKeepsPace = true;
    server_.overAfterPolls = 200;
    headless::KeyScript keys;
    // From "create" down three lines to the ranked one (there once the server knows the key).
    keys.tap(20, keyDown);
    keys.tap(22, keyDown);
    keys.tap(24, keyDown);
    keys.tap(26, keyReturn);
    // After the verdict, back to the lobby, then out.
    keys.tap(460, keyEscape);
    keys.tap(500, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(560);
    std::vector<std::string> lobbyBefore;
    std::vector<std::string> lobbyAfter;
    std::string verdictChange;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        for (const auto& draw : frame) {
            if (poll == 18) {
                lobbyBefore.push_back(draw.text);
            }
            if (poll == 495) {
                lobbyAfter.push_back(draw.text);
            }
            if (draw.y == 414 && draw.text.rfind("レート", 0) == 0) {
                verdictChange = draw.text;
            }
        }
    });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test/";
    request.mode = OnlineRequest::Mode::Lobby;
    EXPECT_FALSE(runOnline(settings, request));

    // The key made on this first visit is kept, and greets the server.
    ASSERT_EQ(settings.playerKey.size(), 64u);
    const std::vector<Message> identified = heardOf(server_, MessageType::Identify);
    ASSERT_EQ(identified.size(), 1u);
    PlayerKey sent;
    std::copy(std::begin(identified[0].ranked.key), std::end(identified[0].ranked.key),
              sent.bytes.begin());
    EXPECT_EQ(playerKeyHex(sent), settings.playerKey);
    EXPECT_EQ(heardOf(server_, MessageType::RankedQueue).size(), 1u);

    auto shows = [](const std::vector<std::string>& texts, const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    };
    EXPECT_TRUE(shows(lobbyBefore, "ランクマッチ"));
    EXPECT_TRUE(shows(lobbyBefore, "レート 1512（±120）　順位はまだありません"));
    EXPECT_TRUE(shows(lobbyBefore, "上位10人"));
    EXPECT_TRUE(shows(lobbyBefore, "1. ann 1700"));
    EXPECT_EQ(verdictChange, "レート 1512 → 1527") << "the change under the verdict";
    EXPECT_TRUE(shows(lobbyAfter, "レート 1527（±120）　2位　5戦"));
    EXPECT_TRUE(shows(lobbyAfter, "前回 1512 → 1527"));
    EXPECT_TRUE(shows(lobbyAfter, "2. kai 1527"));
}

namespace {

// The replays the game saved, read back.
std::vector<Replay> savedReplays() {
    std::vector<Replay> replays;
    for (const auto& entry : headless::storedReplays()) {
        Replay replay;
        std::string error;
        EXPECT_TRUE(decodeReplay(reinterpret_cast<const std::uint8_t*>(entry.second.data()),
                                 entry.second.size(), replay, error))
            << error;
        replays.push_back(replay);
    }
    return replays;
}

// The frames of this seat's stream, as the server holds it, that hold ESC.
std::vector<std::uint32_t> escapesSent(const ScriptedServer& server) {
    std::vector<std::uint32_t> frames;
    const std::vector<FrameInput>& held = server.streams[server.seat];
    for (std::size_t f = 0; f < held.size(); ++f) {
        if ((held[f].keys & 1u) != 0) {
            frames.push_back(static_cast<std::uint32_t>(f));
        }
    }
    return frames;
}

} // namespace

TEST_F(OnlineLobby, TheLeaveButtonLeavesThroughTheStreamAndTheReplayKeepsTheVerdict) {
    server_.seat = 0;
    server_.otherKeepsPace = true;
    server_.verdictOnResult = true;
    headless::KeyScript keys;
    // The button right of the second status line, in the match; later ESC on the verdict and
    // in the lobby.
    keys.click(200, 540, 466);
    keys.tap(400, keyEscape);
    keys.tap(420, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(600);
    bool buttonShown = false;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long) {
        for (const auto& draw : frame) {
            buttonShown = buttonShown || (draw.text == "ESC：対戦を抜ける" && draw.y == 460);
        }
    });
    Settings settings;
    EXPECT_FALSE(runOnline(settings, joinPlay()));
    EXPECT_TRUE(buttonShown);
    // ESC went in 1P's stream and the match returned on it: left.
    const std::vector<std::uint32_t> escapes = escapesSent(server_);
    ASSERT_FALSE(escapes.empty()) << "the button's press is ESC in the stream";
    const std::vector<Message> results = heardOf(server_, MessageType::Result);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].reason, static_cast<std::uint8_t>(ReplayResult::Left));
    EXPECT_EQ(results[0].number, escapes[0] + 1) << "the match returned on the first ESC";
    // The one replay saved names the players and says the verdict: 2P won, 1P left.
    const std::vector<Replay> replays = savedReplays();
    ASSERT_EQ(replays.size(), 1u);
    EXPECT_EQ(replays[0].names[0], "ann");
    EXPECT_EQ(replays[0].names[1], "kai");
    EXPECT_EQ(replays[0].verdict, ReplayVerdict::Left);
    EXPECT_EQ(replays[0].verdictWinner, 1);
    EXPECT_EQ(replays[0].result, ReplayResult::Left);
    EXPECT_EQ(replays[0].inputs.size(), results[0].number);
}

TEST_F(OnlineLobby, AVerdictThatNeverComesLeavesTheReplaySavedWithoutIt) {
    server_.seat = 0;
    server_.otherKeepsPace = true;
    headless::KeyScript keys;
    keys.tap(200, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(1200);
    long savedAt = 0;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>&, long poll) {
        if (savedAt == 0 && !headless::storedReplays().empty()) {
            savedAt = poll;
        }
    });
    Settings settings;
    runOnline(settings, joinPlay());
    // Ten seconds of waiting (600 polls of the headless clock), then saved as it is.
    ASSERT_NE(savedAt, 0);
    EXPECT_GE(savedAt, 200 + 590);
    EXPECT_LE(savedAt, 200 + 620);
    const std::vector<Replay> replays = savedReplays();
    ASSERT_EQ(replays.size(), 1u);
    EXPECT_EQ(replays[0].names[1], "kai");
    EXPECT_EQ(replays[0].verdict, ReplayVerdict::None);
}

TEST_F(OnlineLobby, ASpectatorLeavesTheMatchByTheButtonOrEsc) {
    for (bool button : {true, false}) {
        // A run of its own: the front end's polls count from the start again.
        TearDown();
        SetUp();
        server_ = ScriptedServer();
        server_.seat = 2;
        server_.otherKeepsPace = true;
        headless::KeyScript keys;
        if (button) {
            keys.click(200, 540, 466);
        } else {
            keys.tap(200, keyEscape);
        }
        keys.tap(260, keyEscape);
        headless::setKeySource(&keys);
        headless::setPollLimit(400);
        bool stopShown = false;
        long lobbyAt = 0;
        headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
            for (const auto& draw : frame) {
                stopShown = stopShown || draw.text == "ESC：観戦をやめる";
                if (lobbyAt == 0 && poll > 200 && draw.text == "オンライン対戦") {
                    lobbyAt = poll;
                }
            }
        });
        Settings settings;
        EXPECT_FALSE(runOnline(settings, joinPlay())) << button;
        EXPECT_TRUE(stopShown);
        EXPECT_EQ(lobbyAt, 201) << (button ? "the button" : "ESC") << " went back to the lobby";
        EXPECT_EQ(heardOf(server_, MessageType::Leave).size(), 1u) << "the room is left";
        EXPECT_TRUE(heardOf(server_, MessageType::Result).empty());
        EXPECT_TRUE(headless::storedReplays().empty()) << "a spectator who left keeps nothing";
    }
}
