// Several lobbies sharing one store, as server processes share Redis: a process dies mid-match
// and its players come back to another, which takes the room over from the journal (one process
// wins), seats them by their tokens' hashes, waits for the frames the journal missed and gives
// the verdict on the whole match. The store keeps what the Redis directory's scripts keep.
#include <gtest/gtest.h>

#include <set>

#include "lobby_rig.h"
#include "room_directory.h"

namespace kokurin::testing {
namespace {

using net::Message;
using net::MessageType;
using net::RefusalReason;

struct SharedStore {
    std::map<std::string, std::string> holders;
    std::set<std::string> alive;
    std::map<std::string, JournalMatch> journals;
};

class StoreDirectory : public RoomDirectory {
  public:
    StoreDirectory(SharedStore& store, std::string address)
        : store_(store), address_(std::move(address)) {
        store_.alive.insert(address_);
    }
    const std::string& address() const override { return address_; }
    bool claim(const std::string& code) override {
        if (heldElsewhere(code) || store_.journals.count(code) != 0) {
            return false;
        }
        store_.holders[code] = address_;
        return true;
    }
    bool ownerOf(const std::string& code, std::string& address) override {
        if (!heldElsewhere(code)) {
            return false;
        }
        address = store_.holders[code];
        return true;
    }
    void publish(const net::RoomEntry&, bool) override {}
    void release(const std::string& code) override {
        if (holds(code)) {
            store_.holders.erase(code);
            store_.journals.erase(code);
        }
    }
    std::vector<net::RoomEntry> listedRooms(std::size_t) override { return {}; }
    void addWaiter(std::uint64_t) override {}
    void removeWaiter(std::uint64_t) override {}
    std::string waiterElsewhere() override { return ""; }
    void tick(std::uint32_t) override {}

    void journalStart(const JournalMatch& match) override {
        if (fenced(match.code)) {
            store_.journals[match.code] = match;
        }
    }
    void journalFrames(const std::string& code, int seat, std::uint32_t first,
                       const FrameInput* frames, std::size_t count) override {
        auto kept = store_.journals.find(code);
        if (holdWrites || !fenced(code) || kept == store_.journals.end()) {
            return;
        }
        std::vector<FrameInput>& stream = kept->second.streams[seat];
        EXPECT_EQ(first, stream.size()) << "every frame handed over once, in order";
        stream.insert(stream.end(), frames, frames + count);
    }
    void journalEnd(const std::string& code) override {
        if (holds(code)) {
            store_.journals.erase(code);
        }
    }
    void adopt(const std::string& code) override {
        ++asked[code];
        Adoption answer;
        answer.code = code;
        if (unanswered) {
            answer.outcome = Adoption::Outcome::Unanswered;
        } else if (heldElsewhere(code)) {
            answer.outcome = Adoption::Outcome::Elsewhere;
            answer.address = store_.holders[code];
        } else if (store_.journals.count(code) == 0) {
            answer.outcome = Adoption::Outcome::Nowhere;
        } else {
            store_.holders[code] = address_;
            answer.outcome = Adoption::Outcome::Taken;
            answer.match = store_.journals[code];
        }
        answers_.push_back(answer);
    }
    std::vector<Adoption> adoptions() override {
        std::vector<Adoption> answers;
        answers.swap(answers_);
        return answers;
    }
    std::vector<std::string> roomsLost() override {
        std::vector<std::string> lost;
        lost.swap(lost_);
        return lost;
    }
    std::vector<std::string> processes() override {
        std::vector<std::string> live = {address_};
        for (const std::string& other : store_.alive) {
            if (other != address_) {
                live.push_back(other);
            }
        }
        return live;
    }

    // The journal's writes are held back (a process that dies before its next write).
    bool holdWrites = false;
    // The store does not answer.
    bool unanswered = false;
    std::map<std::string, int> asked;

  private:
    bool holds(const std::string& code) const {
        auto h = store_.holders.find(code);
        return h != store_.holders.end() && h->second == address_;
    }
    bool heldElsewhere(const std::string& code) const {
        auto h = store_.holders.find(code);
        return h != store_.holders.end() && h->second != address_ &&
               store_.alive.count(h->second) != 0;
    }
    // A write goes only where this process still holds the room; else the room is lost.
    bool fenced(const std::string& code) {
        auto h = store_.holders.find(code);
        if (h != store_.holders.end() && h->second != address_) {
            lost_.push_back(code);
            return false;
        }
        store_.holders[code] = address_;
        return true;
    }

    SharedStore& store_;
    std::string address_;
    std::vector<Adoption> answers_;
    std::vector<std::string> lost_;
};

// A process of the server: its lobby and its directory on the shared store.
struct Process {
    Process(SharedStore& store, const std::string& address)
        : directory(store, address), rig(sentAtOnce(), nullptr, &directory) {}
    // These tests send a match's frames at once, ahead of any clock.
    static ServerLobbyOptions sentAtOnce() {
        ServerLobbyOptions options;
        options.maxLeadFrames = 100000;
        return options;
    }
    StoreDirectory directory;
    LobbyRig rig;
};

std::vector<FrameInput> relayedStream(const LobbyRig& rig, ClientId c, int seat) {
    return rig.streamHeard(c, seat);
}

TEST(ServerLobbyTakeover, AMatchGoesOnWhereItsPlayersComeBackAfterItsProcessDies) {
    SharedStore store;
    Process a(store, "ws://a/");
    Process b(store, "ws://b/");
    const ClientId alice = a.rig.hello("alice");
    const ClientId bob = a.rig.hello("bob");
    a.rig.create(alice, "DUEL", true);
    a.rig.join(bob, "DUEL");
    const Message started = a.rig.last(alice, MessageType::Start);
    EXPECT_EQ(store.journals["DUEL"].tokenHashes[1], seatTokenHash("DUEL", 1, a.rig.token(bob)))
        << "the journal holds the tokens' hashes";
    a.rig.inputs(alice, 0, 0, 240, 4);
    a.rig.inputs(bob, 1, 0, 200, 8);
    // Relayed and played, but A dies before its journal has them.
    a.directory.holdWrites = true;
    a.rig.inputs(alice, 0, 240, 60, 4);
    a.rig.inputs(bob, 1, 200, 100, 8);
    // Each seat's stream as the other player heard it (a player's own frames are not echoed).
    const std::vector<FrameInput> played[2] = {relayedStream(a.rig, bob, 0),
                                               relayedStream(a.rig, alice, 1)};
    ASSERT_EQ(played[0].size(), 300u);
    ASSERT_EQ(played[1].size(), 300u);
    store.alive.erase("ws://a/");

    // Alice comes back at B, which hears the room's word from the store before it answers.
    const ClientId alice2 = b.rig.hello("alice");
    EXPECT_EQ(b.rig.last(alice2, MessageType::Servers).type, MessageType::Ping)
        << "a lone live process names nobody else";
    b.rig.resume(alice2, a.rig.token(alice), "DUEL");
    EXPECT_EQ(b.rig.last(alice2, MessageType::Start).type, MessageType::Ping);
    b.rig.advance(100);
    const Message resumed = b.rig.last(alice2, MessageType::Start);
    ASSERT_EQ(resumed.type, MessageType::Start);
    EXPECT_EQ(resumed.number, started.number);
    EXPECT_EQ(resumed.start.seed, started.start.seed);
    EXPECT_EQ(resumed.names[1], "bob");
    EXPECT_EQ(resumed.seat, 0);
    EXPECT_EQ(resumed.held[0], 240u) << "as far as the journal";
    EXPECT_EQ(resumed.held[1], 200u);
    EXPECT_TRUE(b.rig.log.has("room DUEL taken over: match #1"));

    // A token no seat's watches; bob's takes 2P back, and alice's would not.
    const ClientId eve = b.rig.hello("eve");
    b.rig.resume(eve, a.rig.token(alice) ^ 1, "DUEL");
    EXPECT_EQ(b.rig.last(eve, MessageType::Start).seat, net::spectatorSeat);
    const ClientId bob2 = b.rig.hello("bob");
    b.rig.resume(bob2, a.rig.token(bob), "DUEL");
    EXPECT_EQ(b.rig.last(bob2, MessageType::Start).seat, 1);

    // The Results come first and wait for the frames the journal missed, which the players send
    // again.
    b.rig.result(alice2, 300);
    b.rig.result(bob2, 300);
    b.rig.inputs(alice2, 0, 240, 60, 4);
    EXPECT_EQ(b.rig.last(eve, MessageType::MatchOver).type, MessageType::Ping);
    b.rig.inputs(bob2, 1, 200, 100, 8);
    const Message over = b.rig.last(eve, MessageType::MatchOver);
    ASSERT_EQ(over.type, MessageType::MatchOver);
    EXPECT_EQ(over.number, 300u);
    ASSERT_EQ(b.rig.referee.checked.size(), 1u);
    EXPECT_EQ(b.rig.referee.checked[0].streams[0], played[0]) << "the match A relayed";
    EXPECT_EQ(b.rig.referee.checked[0].streams[1], played[1]);
    EXPECT_EQ(b.rig.referee.checked[0].start.seed, started.start.seed);
    EXPECT_EQ(relayedStream(b.rig, eve, 1), played[1]) << "the spectator saw it all";
    EXPECT_EQ(store.journals.count("DUEL"), 0u) << "the journal goes with the verdict";
}

TEST(ServerLobbyTakeover, OneProcessWinsALiveHolderKeepsItsRoomAndNothingKeptIsNowhere) {
    SharedStore store;
    Process a(store, "ws://a/");
    Process b(store, "ws://b/");
    Process c(store, "ws://c/");
    const ClientId alice = a.rig.hello("alice");
    const ClientId bob = a.rig.hello("bob");
    a.rig.create(alice, "DUEL");
    a.rig.join(bob, "DUEL");
    a.rig.inputs(alice, 0, 0, 60);

    // While A lives, B sends its players there.
    const ClientId early = b.rig.hello("alice");
    EXPECT_EQ(b.rig.last(early, MessageType::Servers).addresses,
              (std::vector<std::string>{"ws://b/", "ws://a/", "ws://c/"}));
    b.rig.resume(early, a.rig.token(alice), "DUEL");
    b.rig.advance(100);
    EXPECT_EQ(b.rig.last(early, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::WrongProcess));
    EXPECT_EQ(b.rig.last(early, MessageType::Refused).text, "ws://a/");

    // A dies; B and C are asked at once: one takes the room, the other sends its player there.
    store.alive.erase("ws://a/");
    const ClientId atB = b.rig.hello("alice");
    const ClientId atC = c.rig.hello("bob");
    b.rig.resume(atB, a.rig.token(alice), "DUEL");
    c.rig.resume(atC, a.rig.token(bob), "DUEL");
    b.rig.advance(100);
    c.rig.advance(100);
    EXPECT_EQ(b.rig.last(atB, MessageType::Start).held[0], 60u);
    EXPECT_EQ(c.rig.last(atC, MessageType::Refused).text, "ws://b/");
    // A second wait for the same room asks the store once: both are answered.
    store.alive.erase("ws://b/");
    const ClientId first = c.rig.hello("x");
    const ClientId second = c.rig.hello("y");
    c.rig.join(first, "DUEL", 1);
    c.rig.join(second, "DUEL", 1);
    c.rig.advance(100);
    EXPECT_EQ(c.rig.last(first, MessageType::Start).seat, net::spectatorSeat);
    EXPECT_EQ(c.rig.last(second, MessageType::Start).seat, net::spectatorSeat);
    EXPECT_EQ(c.directory.asked["DUEL"], 2) << "once for bob, once for both watchers";

    // No room anywhere: a resume is over, a join refused, a join that may create does.
    const ClientId lost = c.rig.hello("lost");
    c.rig.resume(lost, 99, "NONE");
    c.rig.advance(100);
    EXPECT_EQ(c.rig.last(lost, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::ResumeUnknown));
    c.rig.join(lost, "NONE");
    c.rig.advance(100);
    EXPECT_EQ(c.rig.last(lost, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::RoomUnknown));
    c.rig.join(lost, "NONE", 2);
    c.rig.advance(100);
    EXPECT_EQ(c.rig.last(lost, MessageType::Joined).text, "NONE");

    // A store that cannot answer: a resume is asked to come again, a room is made alone.
    c.directory.unanswered = true;
    const ClientId later = c.rig.hello("later");
    c.rig.resume(later, 5, "GONE");
    c.rig.advance(100);
    EXPECT_EQ(c.rig.last(later, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::RoomMoving));
    c.rig.join(later, "SOLO", 2);
    c.rig.advance(100);
    EXPECT_EQ(c.rig.last(later, MessageType::Joined).text, "SOLO");
}

TEST(ServerLobbyTakeover, ARoomTakenFromAProcessCutOffSendsItsPlayersToItsNewHolder) {
    SharedStore store;
    Process a(store, "ws://a/");
    Process b(store, "ws://b/");
    const ClientId alice = a.rig.hello("alice");
    const ClientId bob = a.rig.hello("bob");
    a.rig.create(alice, "DUEL");
    a.rig.join(bob, "DUEL");
    // A was cut off long enough to be taken for dead; B took the room meanwhile.
    store.alive.erase("ws://a/");
    const ClientId atB = b.rig.hello("alice");
    b.rig.resume(atB, a.rig.token(alice), "DUEL");
    b.rig.advance(100);
    ASSERT_EQ(b.rig.last(atB, MessageType::Start).type, MessageType::Start);
    store.alive.insert("ws://a/");
    // A's next write finds the room B's: A closes its players' connections and forgets it.
    a.rig.inputs(bob, 1, 0, 30);
    a.rig.advance(100);
    EXPECT_TRUE(a.rig.closed(alice));
    EXPECT_TRUE(a.rig.closed(bob));
    EXPECT_TRUE(a.rig.log.has("room DUEL was taken over by another process"));
    const ClientId back = a.rig.hello("bob");
    a.rig.resume(back, a.rig.token(bob), "DUEL");
    a.rig.advance(100);
    EXPECT_EQ(a.rig.last(back, MessageType::Refused).text, "ws://b/");
    EXPECT_TRUE(a.rig.out.faults.empty());
    EXPECT_TRUE(b.rig.out.faults.empty());
}

} // namespace
} // namespace kokurin::testing
