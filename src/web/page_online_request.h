// What the page's address asks of online play, made into the game's OnlineRequest: the page's
// values are anyone's typing, so each is checked and a bad one is dropped, never acted on.
#pragma once

#include <string>

#include "screens/online_request.h"

namespace kokurin::web {

struct PageOnlineValues {
    // ?server=, &room=, &watch= (has*: present at all).
    bool hasServer = false;
    std::string server;
    bool hasRoom = false;
    std::string room;
    bool hasWatch = false;
    std::string watch;
    // The server that served the page, when it said so (empty: none).
    std::string served;
};

// ?server= alone: its lobby; with &room=: that room is joined; with &watch= (and no room): it is
// watched. A room or watch code that is no code leaves the lobby. Otherwise (no ?server=, or one
// that is no address) the page's own server, if any, is offered on the title (Mode::None).
OnlineRequest onlineRequestFromPage(const PageOnlineValues& values);

} // namespace kokurin::web
