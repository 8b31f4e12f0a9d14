// The online match on screen, played ahead of the server: the other player's cursor moves,
// arriving ten frames late, are drawn as glides (never a jump), this player's own cursor moves
// in the frame after its key as offline, the ping line says only the round trip, and the glide
// itself (EasedCursor) draws the match's cell but after a correction, and never round an edge.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "headless/headless.h"
#include "match/match_start.h"
#include "net/input_runs.h"
#include "net/protocol.h"
#include "net/transport.h"
#include "screens/eased_cursor.h"
#include "screens/online_request.h"
#include "screens/online_screens.h"
#include "settings/settings.h"

using namespace kokurin;
using namespace kokurin::net;

namespace {

constexpr std::uint32_t seed = 7;
constexpr std::uint32_t lag = 10;

int firstMover() {
    Match match(freshMatchStart(0, seed));
    match.begin(silentListener());
    return match.state().currentPlayer;
}

// Seats the client in room PLAY opposite the first mover, whose RIGHT is tapped at frames 30,
// 40, 50 and 60 and reaches the client `lag` frames after the client sent the same frame.
class LateServer : public Transport {
  public:
    bool connect(const std::string&) override { return true; }
    void send(const std::vector<std::uint8_t>& bytes) override {
        Message m;
        std::string error;
        ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), m, error)) << error;
        Message reply;
        if (m.type == MessageType::Hello) {
            reply.type = MessageType::Welcome;
            reply.version = protocolVersion;
        } else if (m.type == MessageType::JoinRoom) {
            reply.type = MessageType::Start;
            reply.number = 1;
            reply.names[0] = "ann";
            reply.names[1] = "kai";
            reply.seat = static_cast<std::uint8_t>(1 - firstMover());
            reply.start = freshMatchStart(0, seed);
            // The match may run as far ahead of its clock as the client likes.
            reply.lead = 100000;
        } else if (m.type == MessageType::Inputs) {
            // The client's own stream is held as far as it reaches, and the other seat's frames
            // follow lag frames behind it, in the same message.
            const std::uint32_t sent = m.held[m.seat];
            const int other = 1 - m.seat;
            const std::uint16_t right = 1u << seatKeyBitsInOrder[other][1];
            while (theirs_.size() + lag < sent) {
                const std::size_t f = theirs_.size();
                const bool tapped = f >= 30 && f <= 60 && f % 10 == 0;
                theirs_.push_back(FrameInput{tapped ? right : std::uint16_t{0}, 0});
            }
            writeStream(theirs_, other, delivered_, static_cast<std::uint32_t>(theirs_.size()),
                        true, reply);
            reply.held[m.seat] = sent;
            delivered_ = static_cast<std::uint32_t>(theirs_.size());
        } else if (m.type == MessageType::Ping) {
            reply.type = MessageType::Pong;
            reply.number = m.number;
        } else {
            return;
        }
        inbox_.push_back(encodeMessage(reply));
    }
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        received.swap(inbox_);
        inbox_.clear();
        return Status::Open;
    }
    void close() override {}
    std::string closeReason() const override { return "closed"; }

  private:
    std::vector<std::vector<std::uint8_t>> inbox_;
    std::vector<FrameInput> theirs_;
    std::uint32_t delivered_ = 0;
};

Match turnOf(int mover, int col, int row) {
    MatchState state;
    state.currentPlayer = static_cast<std::uint8_t>(mover);
    state.cursorCol = col;
    state.cursorRow = row;
    Match match = Match::fromPosition(state, Sfmt19937{}, 0, 0, MatchEntry::TurnStart);
    match.begin(silentListener());
    return match;
}

} // namespace

TEST(EasedCursor, GlidesOnlyAfterACorrectionOfTheOtherPlayersCursor) {
    EasedCursor eased;
    CursorPlace place;
    EXPECT_FALSE(eased.place(turnOf(1, 1, 2), false, 0, place));
    // A correction moved it two cells: drawn a quarter of the way each frame.
    ASSERT_TRUE(eased.place(turnOf(1, 3, 2), true, 0, place));
    EXPECT_EQ(place.col, 1.5f);
    EXPECT_EQ(place.row, 2.0f);
    ASSERT_TRUE(eased.place(turnOf(1, 3, 2), false, 0, place));
    EXPECT_EQ(place.col, 2.0f);
    // Another late move during the glide: on from where the drawing is.
    ASSERT_TRUE(eased.place(turnOf(1, 3, 3), false, 0, place));
    EXPECT_EQ(place.col, 2.25f);
    EXPECT_EQ(place.row, 2.25f);
    EXPECT_TRUE(eased.place(turnOf(1, 3, 3), false, 0, place));
    EXPECT_TRUE(eased.place(turnOf(1, 3, 3), false, 0, place));
    EXPECT_FALSE(eased.place(turnOf(1, 3, 3), false, 0, place)) << "arrived";
    // Round the edge, uncorrected moves, this player's own turn: drawn where the match has it.
    EXPECT_FALSE(eased.place(turnOf(1, 3, 3), false, 0, place));
    EXPECT_FALSE(eased.place(turnOf(1, 5, 3), false, 0, place));
    EXPECT_FALSE(eased.place(turnOf(1, 0, 3), true, 0, place));
    EXPECT_FALSE(eased.place(turnOf(0, 3, 3), true, 0, place));
    EXPECT_FALSE(eased.place(turnOf(0, 1, 3), true, 2, place)) << "a spectator";
}

TEST(OnlineRollback, TheOtherPlayersLateMovesGlideAndTheLineShowsTheRoundTrip) {
    headless::reset();
    headless::setMessageHandler([](const char*) {});
    headless::setTransportFactory([] { return std::make_unique<LateServer>(); });
    headless::setPollLimit(160);
    // The orange cursor square's left edge, frame by frame, and the ping line.
    std::vector<float> cursorX;
    std::string pingLine;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long) {
        for (const auto& draw : frame) {
            if (draw.kind == headless::DrawCall::Kind::Primitive && draw.vertices.size() == 4 &&
                draw.vertices[0].colour == 0xFFFF8000u) {
                cursorX.push_back(draw.vertices[2].x);
            }
            if (draw.text.rfind("応答", 0) == 0) {
                pingLine = draw.text;
            }
        }
    });
    Settings settings;
    OnlineRequest request;
    request.server = "ws://example.test/";
    request.mode = OnlineRequest::Mode::Join;
    request.room = "PLAY";
    EXPECT_TRUE(runOnline(settings, request)) << "the poll limit closes the game";
    headless::reset();
    ASSERT_GT(cursorX.size(), 100u);
    // Four cells to the right in all, never more than a quarter of a cell (12 pixels) a frame.
    EXPECT_EQ(cursorX.back() - cursorX.front(), 4 * 48.0f);
    int gliding = 0;
    for (std::size_t i = 1; i < cursorX.size(); ++i) {
        const float step = std::fabs(cursorX[i] - cursorX[i - 1]);
        EXPECT_LE(step, 12.0f) << "frame " << i;
        gliding += step > 0.0f && step < 48.0f;
    }
    EXPECT_EQ(gliding, 16) << "four glides of four frames";
    EXPECT_EQ(pingLine.find("遅延"), std::string::npos) << pingLine;
}
