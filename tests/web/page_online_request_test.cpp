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
    };
    for (const Case& c : cases) {
        const OnlineRequest request = onlineRequestFromPage(c.values);
        EXPECT_EQ(request.mode, c.mode) << c.what;
        EXPECT_EQ(request.server, c.server) << c.what;
        EXPECT_EQ(request.room, c.room) << c.what;
    }
}

} // namespace
} // namespace kokurin::web
