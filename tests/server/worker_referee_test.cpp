// The server's own referee on the game core: a match's start and its re-play on a worker
// thread, the verdict handed back through the loop's queue and given by the lobby on the loop's
// thread; and the command line's limits for the lobby.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "net/protocol.h"
#include "server_lobby.h"
#include "server_options.h"
#include "worker_referee.h"

namespace kokurin {
namespace {

using net::Message;
using net::MessageType;

// The network loop as far as the lobby sees it: completions posted from the workers, run here.
class Loop {
  public:
    void post(std::function<void()> f) {
        {
            std::lock_guard<std::mutex> lock(lock_);
            posted_.push_back(std::move(f));
        }
        wake_.notify_one();
    }
    // Runs what was posted until `done` holds; false when nothing came for a minute.
    bool runUntil(const std::function<bool()>& done) {
        while (!done()) {
            std::function<void()> next;
            {
                std::unique_lock<std::mutex> lock(lock_);
                if (!wake_.wait_for(lock, std::chrono::seconds(60),
                                    [this] { return !posted_.empty(); })) {
                    return false;
                }
                next = std::move(posted_.front());
                posted_.pop_front();
            }
            next();
        }
        return true;
    }

  private:
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
};

struct Heard : Outbox {
    void send(ClientId client, const std::vector<std::uint8_t>& bytes) override {
        Message m;
        std::string why;
        ASSERT_TRUE(net::decodeMessage(bytes.data(), bytes.size(), m, why)) << why;
        heard[client].push_back(m);
        threads.push_back(std::this_thread::get_id());
    }
    void close(ClientId) override {}
    Message last(ClientId c, MessageType type) const {
        Message found;
        auto it = heard.find(c);
        for (const Message& m : it == heard.end() ? std::vector<Message>() : it->second) {
            if (m.type == type) {
                found = m;
            }
        }
        return found;
    }
    std::map<ClientId, std::vector<Message>> heard;
    std::vector<std::thread::id> threads;
};

void say(ServerLobby& lobby, ClientId c, const Message& m) {
    const std::vector<std::uint8_t> bytes = net::encodeMessage(m);
    lobby.received(c, bytes.data(), bytes.size(), 1000);
}

TEST(WorkerReferee, ReplaysOnAWorkerAndTheVerdictComesBackThroughTheLoop) {
    Loop loop;
    Heard out;
    WorkerReferee referee(2, [&loop](std::function<void()> f) { loop.post(std::move(f)); });
    ServerLobby lobby(out, referee, quietServerLog(), ServerLobbyOptions{});
    for (ClientId c : {1, 2}) {
        lobby.connected(c, 1000);
        Message hello;
        hello.type = MessageType::Hello;
        hello.version = net::protocolVersion;
        hello.gameVersion = gameVersion();
        hello.text = c == 1 ? "alice" : "bob";
        say(lobby, c, hello);
    }
    Message create;
    create.type = MessageType::CreateRoom;
    create.text = "REAL";
    say(lobby, 1, create);
    Message join;
    join.type = MessageType::JoinRoom;
    join.text = "REAL";
    say(lobby, 2, join);
    const Message start = out.last(1, MessageType::Start);
    ASSERT_EQ(start.type, MessageType::Start);
    EXPECT_EQ(start.start.randomIndex, out.last(2, MessageType::Start).start.randomIndex);

    // Two seconds of play, then 2P presses ESC: the game leaves there, and 1P wins.
    for (int seat = 0; seat < 2; ++seat) {
        for (std::uint32_t first = 0; first < 120; first += 60) {
            Message inputs;
            inputs.type = MessageType::Inputs;
            inputs.seat = static_cast<std::uint8_t>(seat);
            inputs.number = first;
            inputs.held[seat] = first + 60;
            inputs.runs.push_back(net::InputRun{59, FrameInput{}});
            inputs.runs.push_back(
                net::InputRun{1, FrameInput{static_cast<std::uint16_t>(seat == 1 && first == 60), 0}});
            say(lobby, seat + 1, inputs);
        }
    }
    Message result;
    result.type = MessageType::Result;
    result.number = 120;
    say(lobby, 1, result);
    say(lobby, 2, result);
    EXPECT_EQ(lobby.checksPending(), 1u) << "the re-play is not run inside the call";
    out.threads.clear();
    ASSERT_TRUE(loop.runUntil([&] { return lobby.matchesFinished() == 1; }));
    const Message over = out.last(1, MessageType::MatchOver);
    EXPECT_EQ(over.reason, static_cast<std::uint8_t>(net::MatchEnd::Left));
    EXPECT_EQ(over.seat, 0);
    EXPECT_EQ(over.number, 120u);
    for (std::thread::id id : out.threads) {
        EXPECT_EQ(id, std::this_thread::get_id()) << "the verdict is sent from the loop";
    }
}

TEST(ServerOptions, TheLobbysLimitsAtTheirBounds) {
    ServerOptions options;
    std::string error;
    ASSERT_TRUE(parseServerOptions({"--max-spectators", "10000", "--max-match-minutes", "240",
                                    "--replay-files", "1", "--replay-megabytes", "10000000"},
                                   options, error))
        << error;
    EXPECT_EQ(options.maxSpectators, 10000u);
    EXPECT_EQ(options.maxMatchMinutes, 240u);
    EXPECT_EQ(options.replayFiles, 1u);
    EXPECT_EQ(options.replayMegabytes, 10000000u);
    for (const char* past : {"--max-spectators 10001", "--max-match-minutes 241",
                             "--replay-files 0", "--replay-megabytes x"}) {
        const std::string text = past;
        const std::size_t space = text.find(' ');
        ServerOptions refused;
        EXPECT_FALSE(parseServerOptions({text.substr(0, space), text.substr(space + 1)}, refused,
                                        error))
            << past;
        EXPECT_NE(error.find(text.substr(0, space)), std::string::npos) << error;
    }
    ServerOptions defaults;
    EXPECT_EQ(defaults.maxMatchMinutes * 3600u, 108000u) << "30 minutes of frames";
}

} // namespace
} // namespace kokurin
