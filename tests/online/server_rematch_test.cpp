// The server's part of a rematch after a match: the first player to ask is heard of by the
// other, once; when both have asked the next match starts for both.
#include <gtest/gtest.h>

#include <map>

#include "net/protocol.h"
#include "server_lobby.h"

namespace kokurin {
namespace {

using net::Message;
using net::MessageType;

class Heard : public Outbox {
  public:
    void send(ClientId client, const std::vector<std::uint8_t>& bytes) override {
        Message m;
        std::string why;
        ASSERT_TRUE(net::decodeMessage(bytes.data(), bytes.size(), m, why)) << why;
        messages[client].push_back(m);
    }
    void close(ClientId) override {}

    int count(ClientId client, MessageType type) const {
        int n = 0;
        auto found = messages.find(client);
        for (const Message& m : found != messages.end() ? found->second : std::vector<Message>{}) {
            n += m.type == type ? 1 : 0;
        }
        return n;
    }

    std::map<ClientId, std::vector<Message>> messages;
};

void say(ServerLobby& lobby, ClientId client, const Message& m, std::uint32_t now) {
    const std::vector<std::uint8_t> bytes = net::encodeMessage(m);
    lobby.received(client, bytes.data(), bytes.size(), now);
}

TEST(ServerRematch, TheFirstAskIsHeardByTheOtherPlayerOnceAndBothAsksStartTheNextMatch) {
    Heard out;
    ServerLobbyOptions options;
    options.stallMs = 1000;
    ServerLobby lobby(out, options, 7);
    for (ClientId client : {ClientId{1}, ClientId{2}}) {
        lobby.connected(client, 0);
        Message hello;
        hello.type = MessageType::Hello;
        hello.version = net::protocolVersion;
        hello.gameVersion = gameVersion();
        hello.text = client == 1 ? "ann" : "bo";
        say(lobby, client, hello, 0);
        Message join;
        join.type = MessageType::JoinRoom;
        join.flag = 2;
        join.text = "R1";
        say(lobby, client, join, 0);
    }
    ASSERT_EQ(out.count(1, MessageType::Start), 1);
    // Both silent past the stall timeout: the match is over, nobody won.
    lobby.tick(5000);
    ASSERT_EQ(out.count(2, MessageType::MatchOver), 1);

    Message rematch;
    rematch.type = MessageType::Rematch;
    say(lobby, 1, rematch, 5001);
    say(lobby, 1, rematch, 5002);
    EXPECT_EQ(out.count(2, MessageType::Rematch), 1) << "the other player hears of it, once";
    EXPECT_EQ(out.count(1, MessageType::Rematch), 0) << "the asker is not told of its own ask";
    say(lobby, 2, rematch, 5003);
    EXPECT_EQ(out.count(1, MessageType::Start), 2);
    EXPECT_EQ(out.count(2, MessageType::Start), 2);
    EXPECT_EQ(out.count(1, MessageType::Rematch), 0) << "both asked: the match itself answers";
}

} // namespace
} // namespace kokurin
