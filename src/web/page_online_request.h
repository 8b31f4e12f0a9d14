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
    // The seat of a match this tab was playing when it was loaded again (has*: one kept).
    bool hasResume = false;
    std::string resumeServer;
    std::string resumeRoom;
    std::string resumeToken;
};

// A seat kept for the tab (a match it was playing when loaded again) is taken back first, when
// its server is the page's own (the address's, else the one that served it) and its room and
// token are sound. Then ?server= alone: its lobby; with &room=: that room is joined; with &watch=
// (and no room): it is watched. A room or watch code that is no code leaves the lobby. Otherwise
// (no ?server=, or one that is no address) the page's own server, if any, is offered on the title
// (Mode::None).
OnlineRequest onlineRequestFromPage(const PageOnlineValues& values);

} // namespace kokurin::web
