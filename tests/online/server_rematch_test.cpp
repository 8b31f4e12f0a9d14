// The server's part of a rematch: the first player to ask is heard of by the other, once; when
// both have asked the next match starts.
#include <gtest/gtest.h>

#include <map>

#include "server_lobby.h"

namespace kokurin {
namespace {

using net::Message;
using net::MessageType;

// Counts each client's messages by type.
struct Heard : Outbox {
    void send(ClientId client, const std::vector<std::uint8_t>& bytes) override {
        Message m;
        std::string why;
        ASSERT_TRUE(net::decodeMessage(bytes.data(), bytes.size(), m, why)) << why;
        ++count[{client, m.type}];
    }
    void close(ClientId) override {}
    std::map<std::pair<ClientId, MessageType>, int> count;
};

void say(ServerLobby& lobby, ClientId client, MessageType type, std::uint32_t now) {
    Message m;
    m.type = type;
    m.version = net::protocolVersion;
    m.gameVersion = gameVersion();
    m.flag = 2;
    m.text = type == MessageType::Hello ? "p" : "R1";
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
        say(lobby, client, MessageType::Hello, 0);
        say(lobby, client, MessageType::JoinRoom, 0);
    }
    // Both silent past the stall timeout: the match is over.
    lobby.tick(5000);
    ASSERT_EQ((out.count[{2, MessageType::MatchOver}]), 1);
    say(lobby, 1, MessageType::Rematch, 5001);
    say(lobby, 1, MessageType::Rematch, 5002);
    EXPECT_EQ((out.count[{2, MessageType::Rematch}]), 1) << "heard of, once";
    say(lobby, 2, MessageType::Rematch, 5003);
    EXPECT_EQ((out.count[{1, MessageType::Start}]), 2);
    EXPECT_EQ((out.count[{1, MessageType::Rematch}]), 0) << "the asker is never told";
}

} // namespace
} // namespace kokurin
