// The online command line and the addresses and codes a player types, checked before they go
// anywhere near a socket.
#include "screens/online_request.h"

#include "net/online_client.h"
#include "net/room_code.h"

#include <cctype>
#include <cstdio>
#include <cstdint>
#include <cstring>

#include "screens/game_texts.h"

namespace kokurin {

namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// A message with the argument at its %s.
std::string withValue(const char* format, const std::string& value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value.substr(0, 200).c_str());
    return buffer;
}

} // namespace

bool normalizeServerAddress(const std::string& typed, std::string& url) {
    std::string rest = typed;
    std::string scheme = "ws://";
    for (const char* known : {"ws://", "wss://", "http://", "https://"}) {
        if (startsWith(typed, known)) {
            rest = typed.substr(std::strlen(known));
            scheme = known[0] == 'w' ? known : (known[4] == 's' ? "wss://" : "ws://");
            break;
        }
    }
    if (rest.empty() || rest.size() > 200) {
        return false;
    }
    for (const char c : rest) {
        // Host, port and path: nothing that could end the address or hide another.
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::strchr("-._:/[]~%", c) == nullptr) {
            return false;
        }
    }
    // Another scheme, or none before a path, is not a server.
    if (rest[0] == '/' || rest[0] == ':' || rest.find("://") != std::string::npos) {
        return false;
    }
    url = scheme + rest;
    if (rest.find('/') == std::string::npos) {
        url += '/';
    }
    return true;
}

bool normalizeServerList(const std::string& typed, std::string& urls) {
    const std::vector<std::string> each = net::serverAddresses(typed);
    if (each.empty() || each.size() > 8) {
        return false;
    }
    std::string joined;
    for (const std::string& address : each) {
        std::string url;
        if (!normalizeServerAddress(address, url)) {
            return false;
        }
        joined += (joined.empty() ? "" : ",") + url;
    }
    urls = joined;
    return true;
}

bool normalizeRoomCode(const std::string& typed, std::string& code) {
    return net::normalizeRoomCode(typed, code);
}

bool readResumeToken(const std::string& text, std::uint64_t& token) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    if (value == 0) {
        return false;
    }
    token = value;
    return true;
}

bool readOnlineArguments(int argc, const char* const argv[], OnlineRequest& request,
                         std::string& error) {
    return readOnlineArguments(argc, argv, request, error, englishTexts.console);
}

bool readOnlineArguments(int argc, const char* const argv[], OnlineRequest& request,
                         std::string& error, const ConsoleTexts& texts) {
    OnlineRequest read;
    int modes = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool takesValue =
            argument == "--server" || argument == "--join" || argument == "--watch";
        if (takesValue && i + 1 >= argc) {
            error = withValue(texts.needsValue, argument);
            return false;
        }
        if (argument == "--server") {
            if (!normalizeServerList(argv[++i], read.server)) {
                error = withValue(texts.notServer, argv[i]);
                return false;
            }
        } else if (argument == "--join" || argument == "--watch") {
            if (!normalizeRoomCode(argv[++i], read.room)) {
                error = withValue(texts.notRoom, argv[i]);
                return false;
            }
            read.mode =
                argument == "--join" ? OnlineRequest::Mode::Join : OnlineRequest::Mode::Watch;
            ++modes;
        } else if (argument == "--host" || argument == "--quick") {
            read.mode =
                argument == "--host" ? OnlineRequest::Mode::Host : OnlineRequest::Mode::Quick;
            ++modes;
        }
    }
    if (modes > 1) {
        error = texts.oneOnlineMode;
        return false;
    }
    if (read.server.empty() && modes != 0) {
        error = texts.onlineNeedsServer;
        return false;
    }
    if (!read.server.empty() && modes == 0) {
        read.mode = OnlineRequest::Mode::Lobby;
    }
    request = read;
    return true;
}

} // namespace kokurin
