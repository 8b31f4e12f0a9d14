// Short message sequences that once crashed the server (run under AddressSanitizer and UBSan,
// where a use after free fails at once), and what each must lead to instead.
#include <gtest/gtest.h>

#include "lobby_rig.h"

namespace kokurin::testing {
namespace {

using net::Message;
using net::MessageType;
using net::RefusalReason;

TEST(ServerLobbyProbe, ResumeIntoARoomOnlyTheResumerIsIn) {
    LobbyRig rig;
    const ClientId player = rig.hello("solo");
    rig.create(player, "ALONE");
    rig.resume(player, 12345, "ALONE");
    EXPECT_EQ(rig.last(player, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::ResumeUnknown))
        << "the room went when its only player left it";

    const ClientId maker = rig.hello("maker");
    const ClientId watcher = rig.hello("watcher");
    rig.create(maker, "WATCHED");
    rig.join(watcher, "WATCHED", 1);
    rig.leave(maker);
    rig.resume(watcher, 1, "WATCHED");
    EXPECT_EQ(rig.last(watcher, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::ResumeUnknown));
    EXPECT_TRUE(rig.out.faults.empty()) << rig.out.faults.front();
}

TEST(ServerLobbyProbe, EveryWayIntoARoomLeavesTheQueueFirst) {
    LobbyRig rig;
    const ClientId a = rig.hello("a1");
    rig.quick(a);
    rig.create(a, "OLDROOM");
    const ClientId b = rig.hello("b2");
    rig.quick(b);
    EXPECT_TRUE(rig.heard(b, MessageType::Joined).empty()) << "a no longer waits";
    rig.disconnect(a);
    const ClientId c = rig.hello("c3");
    rig.join(c, "OLDROOM");
    EXPECT_EQ(rig.last(c, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::RoomUnknown));
    rig.quick(c);
    EXPECT_EQ(rig.last(b, MessageType::Joined).seat, 0) << "b meets the next one who asks";
    EXPECT_EQ(rig.last(c, MessageType::Joined).seat, 1);

    // Watching, joining and resuming leave the queue too.
    const ClientId d = rig.hello("d4");
    const ClientId e = rig.hello("e5");
    rig.quick(d);
    rig.join(d, rig.last(b, MessageType::Joined).text, 1);
    rig.quick(e);
    EXPECT_TRUE(rig.heard(e, MessageType::Start).empty()) << "d watches and waits no more";
    EXPECT_TRUE(rig.out.faults.empty()) << rig.out.faults.front();
}

TEST(ServerLobbyProbe, ASpectatorThatNeverReadsGoesAfterTheCall) {
    ServerLobbyOptions options;
    options.maxLeadFrames = 2000;
    LobbyRig rig(options);
    const ClientId a = rig.hello("a1");
    const ClientId b = rig.hello("b2");
    rig.create(a, "BUSY");
    rig.join(b, "BUSY");
    // Keys changing every frame: a run each.
    for (std::uint32_t first = 0; first < 1200; first += 2) {
        rig.inputs(a, 0, first, 1, 4);
        rig.inputs(b, 1, first, 1, 4);
        rig.inputs(a, 0, first + 1, 1, 0);
        rig.inputs(b, 1, first + 1, 1, 0);
        rig.now += 5;
    }
    const ClientId watcher = rig.hello("stuck");
    rig.out.stuck.insert(watcher);
    rig.out.queueCap = 4000;
    // The match so far is more than its queue takes: the network code drops it, later.
    rig.join(watcher, "BUSY", 1);
    EXPECT_EQ(rig.out.gone.count(watcher), 1u);
    rig.inputs(a, 0, 1200, 10);
    rig.inputs(b, 1, 1200, 10);
    const ClientId late = rig.hello("late");
    rig.join(late, "BUSY", 1);
    EXPECT_EQ(rig.last(late, MessageType::Start).held[0], 1210u) << "the room lives on";
    EXPECT_TRUE(rig.out.faults.empty()) << rig.out.faults.front();
}

} // namespace
} // namespace kokurin::testing
