// kokurin-server's network shell: one event loop a thread (--threads), each with its own
// io_context, lobby, referee and connections, and one acceptor, which deals the connections out
// to the loops in turn. A loop does its connections' whole work itself: the TLS handshake, the
// first HTTP request (a WebSocket upgrade, or a file of the web build), then the game. A room
// lives on the loop where it was made; a player or spectator whose room is on another loop is
// handed over to that loop with its connection (the socket, its TLS session and the frames it
// had sent after its request), so the relay of a match never leaves one thread and takes no
// lock. The loops share only what rooms are found and made through (loop_directory.h), the
// per-address connection counts and the replay folder, each behind a lock of its own.
#pragma once

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>

#include <cstdint>
#include <memory>
#include <string>

#include "room_directory.h"
#include "server_log.h"
#include "server_options.h"

namespace kokurin {

class BackgroundWorker;
class LiveMatches;
class ReplayFolder;
struct ReplayFolderLimits;
namespace api {
class RankedApi;
}
namespace store {
class RankedStore;
}

class RelayServer {
  public:
    // tls: nullptr for plain ws://. directory: the lobby several processes share (nullptr:
    // this process alone). replays: nullptr to save none. Each must outlive the server.
    RelayServer(const ServerOptions& options, ServerLog& log, boost::asio::ssl::context* tls,
                RoomDirectory* directory, ReplayFolder* replays);
    ~RelayServer();

    // Ranked play: every loop's lobby keeps its matches in the store (through records of its
    // own, answered on that loop), the matches played are copied to `live`, and /api/ is
    // answered on `apiWorker`. Before listen(); each must outlive the server's loops.
    void setRanked(store::RankedStore& store, const ReplayFolderLimits& folderLimits,
                   api::RankedApi& api, LiveMatches& live, BackgroundWorker& apiWorker);

    // The web folder and the trusted proxies; false with the reason.
    bool prepare(std::string& error);
    bool listen(std::string& error);
    std::uint16_t port() const;
    int loops() const;
    // Runs every loop, the first on this thread, until stop().
    void run();
    // From any thread.
    void stop();
    // The first loop's io_context (where signals may be waited for).
    boost::asio::io_context& firstLoop();

    struct Shared;
    class Loop;

  private:
    std::unique_ptr<Shared> shared_;
};

// The loops --threads asks for: 0 is one a core.
int relayLoopsFor(std::uint32_t threads);

} // namespace kokurin
