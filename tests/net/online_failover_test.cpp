// The online session against a server of several processes that die: the first address that
// answers is used, the processes the server names are learnt, and a match whose process dies is
// resumed at another, which is sent again what its journal missed and the Result.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>

#include "net/input_runs.h"
#include "net/online_client.h"
#include "net/protocol.h"
#include "replay/replay_file.h"
#include "net/transport.h"

using namespace kokurin;
using namespace kokurin::net;

namespace {

// Processes by address: each welcomes and names the others; the one that holds room PLAY starts
// its match; the others send a Resume there, or (the holder dead) take the room over with the
// frames the journal kept.
struct Cluster {
    std::set<std::string> alive;
    std::string holder;
    // Frames of each seat the journal kept, and how many times a taker first asks to come back.
    std::uint32_t journaled[2] = {0, 0};
    int notYet = 0;
    std::vector<std::string> connects;
    std::vector<std::pair<std::string, Message>> heard;
    // Each process's streams as it was sent them.
    std::map<std::string, std::vector<FrameInput>[2]> streams;
};

class ClusterTransport : public Transport {
  public:
    explicit ClusterTransport(Cluster& cluster) : cluster_(cluster) {}
    bool connect(const std::string& url) override {
        cluster_.connects.push_back(url);
        url_ = url;
        status_ = cluster_.alive.count(url) != 0 ? Status::Open : Status::Closed;
        return true;
    }
    void send(const std::vector<std::uint8_t>& bytes) override {
        if (status_ != Status::Open) {
            return;
        }
        Message m;
        std::string error;
        ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), m, error)) << error;
        cluster_.heard.emplace_back(url_, m);
        if (m.type == MessageType::Hello) {
            Message welcome;
            welcome.type = MessageType::Welcome;
            welcome.version = protocolVersion;
            welcome.token = 1000 + cluster_.heard.size();
            reply(welcome);
            Message servers;
            servers.type = MessageType::Servers;
            servers.addresses.assign(cluster_.alive.begin(), cluster_.alive.end());
            servers.addresses.push_back("http://not-a-game-server/");
            reply(servers);
        } else if (m.type == MessageType::JoinRoom) {
            cluster_.holder = url_;
            start(0, 0);
        } else if (m.type == MessageType::Resume && cluster_.holder != url_ &&
                   cluster_.alive.count(cluster_.holder) != 0) {
            refuse(RefusalReason::WrongProcess, cluster_.holder);
        } else if (m.type == MessageType::Resume && cluster_.notYet > 0) {
            --cluster_.notYet;
            refuse(RefusalReason::RoomMoving, m.text);
        } else if (m.type == MessageType::Resume) {
            cluster_.holder = url_;
            start(cluster_.journaled[0], cluster_.journaled[1]);
        } else if (m.type == MessageType::Inputs) {
            // Held, and the client told how far (the other seat sends nothing).
            std::vector<FrameInput>& held = cluster_.streams[url_][m.seat];
            extendStream(held, m, replayMaxFrames);
            Message told;
            told.type = MessageType::Inputs;
            told.seat = static_cast<std::uint8_t>(1 - m.seat);
            told.held[m.seat] = static_cast<std::uint32_t>(held.size());
            reply(told);
        }
    }
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        if (status_ == Status::Open && cluster_.alive.count(url_) == 0) {
            status_ = Status::Closed;
        }
        while (!inbox_.empty()) {
            received.push_back(inbox_.front());
            inbox_.pop_front();
        }
        return status_;
    }
    void close() override { status_ = Status::Closed; }
    std::string closeReason() const override { return "refused"; }

  private:
    void reply(const Message& m) { inbox_.push_back(encodeMessage(m)); }
    void refuse(RefusalReason reason, const std::string& text) {
        Message refused;
        refused.type = MessageType::Refused;
        refused.reason = static_cast<std::uint8_t>(reason);
        refused.text = text;
        reply(refused);
    }
    void start(std::uint32_t held0, std::uint32_t held1) {
        // A taker holds what the journal kept (the frames are the ones the client sent first).
        for (int s = 0; s < 2; ++s) {
            std::vector<FrameInput>& held = cluster_.streams[url_][s];
            const std::vector<FrameInput>& first = cluster_.streams[cluster_.connects.front()][s];
            const std::uint32_t keep = s == 0 ? held0 : held1;
            held.assign(first.begin(), first.begin() + std::min<std::size_t>(keep, first.size()));
        }
        Message joined;
        joined.type = MessageType::Joined;
        joined.text = "PLAY";
        reply(joined);
        Message start;
        start.type = MessageType::Start;
        start.number = 1;
        start.held[0] = held0;
        start.held[1] = held1;
        // The match's frames may run well ahead of its clock here.
        start.lead = 600;
        reply(start);
    }

    Cluster& cluster_;
    std::string url_;
    Status status_ = Status::Closed;
    std::deque<std::vector<std::uint8_t>> inbox_;
};

// Updates the client every 100 ms for `ms`.
void run(OnlineClient& client, std::uint32_t& now, std::uint32_t ms) {
    for (std::uint32_t t = 0; t < ms; t += 100) {
        now += 100;
        client.update(now);
    }
}

std::vector<Message> heardAt(const Cluster& cluster, const std::string& url, MessageType type) {
    std::vector<Message> found;
    for (const auto& entry : cluster.heard) {
        if (entry.first == url && entry.second.type == type) {
            found.push_back(entry.second);
        }
    }
    return found;
}

TEST(OnlineLobbyFailover, TheFirstAddressThatAnswersIsUsedAndTheServersOthersLearnt) {
    Cluster cluster;
    cluster.alive = {"ws://b/", "ws://c/"};
    ClusterTransport transport(cluster);
    OnlineClient client(transport, "ann");
    client.open(" ws://a/ , ws://b/,");
    std::uint32_t now = 0;
    run(client, now, 300);
    EXPECT_EQ(client.phase(), OnlineClient::Phase::Lobby);
    EXPECT_EQ(cluster.connects, (std::vector<std::string>{"ws://a/", "ws://b/"}));
    EXPECT_EQ(client.url(), "ws://b/");
    EXPECT_EQ(client.addresses(), (std::vector<std::string>{"ws://a/", "ws://b/", "ws://c/"}))
        << "what is no game server's address is not kept";

    Cluster none;
    ClusterTransport nowhere(none);
    OnlineClient alone(nowhere, "ann");
    alone.open("ws://a/,ws://b/");
    run(alone, now, 300);
    EXPECT_EQ(alone.phase(), OnlineClient::Phase::Failed) << "none answers";
    EXPECT_EQ(none.connects.size(), 2u);
}

TEST(OnlineLobbyFailover, AMatchWhoseProcessDiesIsResumedAtAnotherWithWhatItsJournalMissed) {
    Cluster cluster;
    cluster.alive = {"ws://a/", "ws://b/"};
    ClusterTransport transport(cluster);
    OnlineClient client(transport, "ann");
    client.open("ws://a/");
    std::uint32_t now = 0;
    run(client, now, 200);
    client.joinRoom("PLAY", false, true);
    run(client, now, 200);
    ASSERT_EQ(client.phase(), OnlineClient::Phase::Playing);
    for (std::uint32_t f = 0; f < 100; ++f) {
        client.sendInput(f, FrameInput{static_cast<std::uint16_t>(f % 7), 0});
    }
    run(client, now, 200);
    ASSERT_EQ(client.stream(0).size(), 100u);
    client.sendResult(100, 55, 0);

    // A dies; B is still held up by A's liveness once, then cannot read the journal once.
    cluster.alive.erase("ws://a/");
    cluster.journaled[0] = 60;
    cluster.notYet = 1;
    run(client, now, 8000);
    ASSERT_EQ(client.phase(), OnlineClient::Phase::Playing);
    EXPECT_FALSE(client.reconnecting());
    EXPECT_EQ(client.startsReceived(), 2u);
    EXPECT_EQ(cluster.connects, (std::vector<std::string>{"ws://a/", "ws://a/", "ws://b/",
                                                          "ws://a/", "ws://b/"}))
        << "its own process first, then the one it learnt, in turn";
    EXPECT_EQ(heardAt(cluster, "ws://b/", MessageType::Resume).size(), 2u);
    // Frames 60 to 99 as sent before (B held the first 60 from the journal), then the Result,
    // once more.
    const std::vector<Message> resent = heardAt(cluster, "ws://b/", MessageType::Inputs);
    ASSERT_FALSE(resent.empty());
    EXPECT_EQ(resent.front().number, 60u) << "nothing the journal kept is sent again";
    const std::vector<FrameInput>& atB = cluster.streams["ws://b/"][0];
    ASSERT_EQ(atB.size(), 100u);
    for (std::uint32_t f = 0; f < 100; ++f) {
        EXPECT_EQ(atB[f].keys, f % 7) << f;
    }
    const std::vector<Message> results = heardAt(cluster, "ws://b/", MessageType::Result);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].number, 100u);
    EXPECT_EQ(results[0].hash, 55u);
}

} // namespace
