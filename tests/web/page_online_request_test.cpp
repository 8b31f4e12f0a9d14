// What the page's address asks of online play: every case of ?server=, &room= and &watch=, and
// the page's own server, against the one request each should make.
#include <gtest/gtest.h>

#include "web/page_online_request.h"

namespace kokurin::web {
namespace {

using Mode = OnlineRequest::Mode;

struct Case {
    const char* what;
    PageOnlineValues values;
    Mode mode;
    const char* server;
    const char* room;
};

PageOnlineValues page(const char* server, const char* room = nullptr, const char* watch = nullptr,
                      const char* served = "") {
    PageOnlineValues values;
    values.hasServer = server != nullptr;
    values.server = server != nullptr ? server : "";
    values.hasRoom = room != nullptr;
    values.room = room != nullptr ? room : "";
    values.hasWatch = watch != nullptr;
    values.watch = watch != nullptr ? watch : "";
    values.served = served;
    return values;
}

TEST(PageOnlineRequest, EachAddressMakesItsRequest) {
    const Case cases[] = {
        {"nothing asked", page(nullptr), Mode::None, "", ""},
        {"served by a server", page(nullptr, nullptr, nullptr, "ws://host:8620/"), Mode::None,
         "ws://host:8620/", ""},
        {"the server's word is checked too", page(nullptr, nullptr, nullptr, "ws://a\"b/"),
         Mode::None, "", ""},
        {"a server: its lobby", page("host:8620"), Mode::Lobby, "ws://host:8620/", ""},
        {"https becomes wss", page("https://host/play"), Mode::Lobby, "wss://host/play", ""},
        {"a room is joined", page("ws://host:8620/", "ab12"), Mode::Join, "ws://host:8620/",
         "AB12"},
        {"a room is watched", page("ws://host:8620/", nullptr, "ab12"), Mode::Watch,
         "ws://host:8620/", "AB12"},
        {"room before watch", page("ws://h/", "ROOM1", "WATCH1"), Mode::Join, "ws://h/", "ROOM1"},
        {"a code too short: the lobby", page("ws://h/", "R1"), Mode::Lobby, "ws://h/", ""},
        {"a bad room: the lobby", page("ws://h/", "no spaces"), Mode::Lobby, "ws://h/", ""},
        {"a bad watch: the lobby", page("ws://h/", nullptr, "123456789"), Mode::Lobby,
         "ws://h/", ""},
        {"an empty room: the lobby", page("ws://h/", ""), Mode::Lobby, "ws://h/", ""},
        {"a bad server: no online at all", page("javascript:alert(1)", "ROOM1"), Mode::None, "", ""},
        {"a bad server, a served one", page("ws://h/<x>", "ROOM1", nullptr, "ws://s/"), Mode::None,
         "ws://s/", ""},
        {"an empty server", page(""), Mode::None, "", ""},
        {"a server's processes, tried in turn", page("a:1, https://b/x", "ab12"), Mode::Join,
         "ws://a:1/,wss://b/x", "AB12"},
        {"one of them no address: no online at all", page("ws://a/,ftp://b/"), Mode::None, "",
         ""},
    };
    for (const Case& c : cases) {
        const OnlineRequest request = onlineRequestFromPage(c.values);
        EXPECT_EQ(request.mode, c.mode) << c.what;
        EXPECT_EQ(request.server, c.server) << c.what;
        EXPECT_EQ(request.room, c.room) << c.what;
    }
}

// A seat the tab kept goes before what the address asks; a kept seat with any value unsound is
// no seat, and the address is read as without one.
TEST(PageOnlineRequest, AKeptSeatIsTakenBackWhenEveryValueIsSound) {
    struct Seat {
        const char* what;
        const char* server;
        const char* room;
        const char* token;
        Mode mode;
        std::uint64_t expected;
    };
    const Seat seats[] = {
        {"a sound seat", "link", "ab12", "18446744073709551615", Mode::Resume,
         18446744073709551615ull},
        {"a token past 64 bits", "ws://link/", "AB12", "18446744073709551616", Mode::Join, 0},
        {"a token of nothing", "ws://link/", "AB12", "0", Mode::Join, 0},
        {"a room that is no code", "ws://link/", "A B", "5", Mode::Join, 0},
        {"another server than the page's", "ws://elsewhere/", "AB12", "5", Mode::Join, 0},
        {"the page's server among others", "ws://link/,ws://other/", "AB12", "5", Mode::Join, 0},
    };
    for (const Seat& seat : seats) {
        PageOnlineValues values = page("ws://link/", "LINKED");
        values.hasResume = true;
        values.resumeServer = seat.server;
        values.resumeRoom = seat.room;
        values.resumeToken = seat.token;
        const OnlineRequest request = onlineRequestFromPage(values);
        EXPECT_EQ(request.mode, seat.mode) << seat.what;
        EXPECT_EQ(request.resumeToken, seat.expected) << seat.what;
        EXPECT_EQ(request.room, seat.mode == Mode::Resume ? "AB12" : "LINKED") << seat.what;
    }
    // A page without ?server= comes back to the server that served it.
    PageOnlineValues served = page(nullptr, nullptr, nullptr, "ws://served:8620/");
    served.hasResume = true;
    served.resumeServer = "ws://served:8620/";
    served.resumeRoom = "ROOM2";
    served.resumeToken = "9";
    EXPECT_EQ(onlineRequestFromPage(served).mode, Mode::Resume);
}

} // namespace
} // namespace kokurin::web
