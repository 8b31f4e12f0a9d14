// The lobby's room announcements (the page's copy-link button follows them) against a scripted
// server: a room joined from a request is announced, and a session that fails while in it stops
// announcing it at once, before the player has pressed anything.
#include "screens/online_screens.h"

#include <gtest/gtest.h>

#include <deque>

#include "headless/headless.h"
#include "input/key_state.h"
#include "net/protocol.h"
#include "net/transport.h"
#include "screens/online_request.h"
#include "screens/online_texts.h"
#include "settings/settings.h"

namespace kokurin {
namespace {

// Welcomes, seats the player in the room it asks for, and drops the connection at dropAtPoll.
class ScriptedServer : public net::Transport {
  public:
    explicit ScriptedServer(long dropAtPoll) : dropAtPoll_(dropAtPoll) {}

    bool connect(const std::string&) override {
        status_ = Status::Open;
        return true;
    }
    void send(const std::vector<std::uint8_t>& bytes) override {
        net::Message in;
        std::string why;
        if (status_ != Status::Open || !net::decodeMessage(bytes.data(), bytes.size(), in, why)) {
            return;
        }
        net::Message out;
        if (in.type == net::MessageType::Hello) {
            out.type = net::MessageType::Welcome;
            out.version = in.version;
            out.token = 7;
        } else if (in.type == net::MessageType::JoinRoom) {
            out.type = net::MessageType::Joined;
            out.text = in.text;
            out.seat = 0;
            out.names[0] = "me";
        } else {
            return;
        }
        replies_.push_back(net::encodeMessage(out));
    }
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        received.assign(replies_.begin(), replies_.end());
        replies_.clear();
        if (headless::pollCount() >= dropAtPoll_) {
            status_ = Status::Closed;
        }
        return status_;
    }
    void close() override { status_ = Status::Closed; }
    std::string closeReason() const override { return "dropped"; }

  private:
    long dropAtPoll_;
    Status status_ = Status::Closed;
    std::deque<std::vector<std::uint8_t>> replies_;
};

bool frameShows(const std::vector<headless::DrawCall>& frame, const char* text) {
    for (const headless::DrawCall& call : frame) {
        if (call.kind == headless::DrawCall::Kind::Text && call.text == text) {
            return true;
        }
    }
    return false;
}

TEST(OnlineRoomLink, AnnouncesTheRoomOnlyWhileTheSessionIsInIt) {
    headless::reset();
    headless::setTransportFactory([] { return std::make_unique<ScriptedServer>(30); });
    headless::KeyScript keys;
    keys.tap(60, keyEscape);
    headless::setKeySource(&keys);
    headless::setPollLimit(80);
    std::string inRoom;
    std::string whenLost = "(never lost)";
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        if (poll == 20) {
            inRoom = headless::announcedRoom();
        }
        if (whenLost == "(never lost)" && frameShows(frame, onlineTexts().connectionLost)) {
            whenLost = headless::announcedRoom();
        }
    });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example:8620/";
    request.mode = OnlineRequest::Mode::Join;
    request.room = "ROOM1";

    EXPECT_FALSE(runOnline(settings, request));
    EXPECT_EQ(inRoom, "ws://example:8620/ ROOM1");
    EXPECT_EQ(whenLost, "");
    EXPECT_EQ(headless::announcedRoom(), "");
    headless::setTransportFactory(nullptr);
    headless::reset();
}

} // namespace
} // namespace kokurin
