// What the command line or the page asks of online play: which server, and whether the title
// goes straight to its lobby, a room or the quick-match queue.
#pragma once

#include <cstdint>
#include <string>

namespace kokurin {

struct ConsoleTexts;

struct OnlineRequest {
    enum class Mode {
        // The server is only made known: the title offers it on N.
        None,
        Lobby,
        // Create a room (the server picks its code).
        Host,
        Join,
        Watch,
        Quick,
        // Take back the seat of a match played on an earlier connection (the page loaded
        // again): the room and its resume token.
        Resume,
    };
    // ws://host:port/, or several such separated by commas (one server's processes; empty: the
    // settings' address).
    std::string server;
    Mode mode = Mode::None;
    // Join, Watch and Resume: the room's code.
    std::string room;
    // Resume: the earlier connection's token.
    std::uint64_t resumeToken = 0;
};

// Turns what a player may type for a server (host:port, http://…, ws://…) into a ws:// or
// wss:// address; false for anything else.
bool normalizeServerAddress(const std::string& typed, std::string& url);
// The same for a list of addresses separated by commas (the processes of one server, tried in
// turn), given back separated by commas: false unless each is an address (8 at most).
bool normalizeServerList(const std::string& typed, std::string& urls);
// Upper-cases a room code; false unless it is 4 to 8 letters and digits (net/room_code.h).
bool normalizeRoomCode(const std::string& typed, std::string& code);
// A resume token written in decimal; false unless it is 1 to 20 digits of a number from 1 to
// 2^64 - 1.
bool readResumeToken(const std::string& text, std::uint64_t& token);

// Reads --server URL[,URL…] [--join CODE | --watch CODE | --host | --quick] (the server alone: its
// lobby); other arguments are left alone. False, with the reason, for a malformed request.
bool readOnlineArguments(int argc, const char* const argv[], OnlineRequest& request,
                         std::string& error);
// The same with the reasons in a language's words (the English ones above).
bool readOnlineArguments(int argc, const char* const argv[], OnlineRequest& request,
                         std::string& error, const ConsoleTexts& texts);

} // namespace kokurin
