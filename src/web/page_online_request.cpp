// The page's address made into the game's OnlineRequest, every value checked on its way.
#include "web/page_online_request.h"

namespace kokurin::web {

OnlineRequest onlineRequestFromPage(const PageOnlineValues& values) {
    OnlineRequest request;
    std::string server;
    std::string room;
    std::uint64_t token = 0;
    // The page's own server: the address's, else the one that served the page.
    std::string own;
    if (!normalizeServerList(values.hasServer ? values.server : values.served, own)) {
        own.clear();
    }
    if (values.hasResume && normalizeServerList(values.resumeServer, server) && server == own &&
        normalizeRoomCode(values.resumeRoom, room) && readResumeToken(values.resumeToken, token)) {
        request.server = server;
        request.mode = OnlineRequest::Mode::Resume;
        request.room = room;
        request.resumeToken = token;
        return request;
    }
    if (values.hasServer && normalizeServerList(values.server, server)) {
        request.server = server;
        request.mode = OnlineRequest::Mode::Lobby;
        std::string code;
        if (values.hasRoom && normalizeRoomCode(values.room, code)) {
            request.mode = OnlineRequest::Mode::Join;
            request.room = code;
        } else if (!values.hasRoom && values.hasWatch && normalizeRoomCode(values.watch, code)) {
            request.mode = OnlineRequest::Mode::Watch;
            request.room = code;
        }
        return request;
    }
    if (!values.served.empty() && normalizeServerList(values.served, server)) {
        request.server = server;
    }
    return request;
}

} // namespace kokurin::web
