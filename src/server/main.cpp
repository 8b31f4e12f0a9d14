// kokurin-server: the online game's relay. Reads the command line, the certificate and the
// directory several processes share, then runs the event loops (relay_server.h): connections
// accepted under the per-address cap, the TLS handshake when the server has a certificate, the
// first HTTP request read under a deadline, then either the WebSocket game (ws_connection.h,
// handed to a loop's ServerLobby) or one file of the web build (or online.json).
#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>

#include <openssl/ssl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "api/ranked_api.h"
#include "background_worker.h"
#include "live_matches.h"
#include "relay_server.h"
#include "replay/replay_file.h"
#include "replay_folder.h"
#include "server_log.h"
#include "server_options.h"
#include "store/ranked_store.h"
#include "store_records.h"
#if defined(KOKURIN_SERVER_REDIS)
#include "redis_directory.h"
#endif

namespace asio = boost::asio;
namespace ssl = asio::ssl;

namespace {

// The certificate and key, checked against each other; false with the reason.
bool loadTls(ssl::context& context, const ServerOptions& options, std::string& error) {
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                        ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 |
                        ssl::context::single_dh_use);
    boost::system::error_code ec;
    context.use_certificate_chain_file(options.tlsCert, ec);
    if (ec) {
        error = "cannot read the certificate " + options.tlsCert + ": " + ec.message();
        return false;
    }
    context.use_private_key_file(options.tlsKey, ssl::context::pem, ec);
    if (ec || SSL_CTX_check_private_key(context.native_handle()) != 1) {
        error = "cannot use the key " + options.tlsKey + " with the certificate" +
                (ec ? ": " + ec.message() : std::string());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    ServerOptions options;
    std::string error;
    if (!parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "kokurin-server: %s\n%s", error.c_str(), serverUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(serverUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("kokurin-server %s\n", kokurin::gameVersion());
        return 0;
    }
    kokurin::LogLevel level = kokurin::LogLevel::Info;
    kokurin::parseLogLevel(options.logLevel, level);
    kokurin::ServerLog log(level);
    // Made when missing, so that the README's command does not lose its first match's replay.
    std::error_code made;
    if (!options.replayDir.empty()) {
        std::filesystem::create_directories(options.replayDir, made);
    }
    if (made) {
        std::fprintf(stderr, "kokurin-server: cannot make the replay folder %s: %s\n",
                     options.replayDir.c_str(), made.message().c_str());
        return 1;
    }
    std::unique_ptr<ssl::context> tls;
    if (!options.tlsCert.empty()) {
        tls = std::make_unique<ssl::context>(ssl::context::tls_server);
        if (!loadTls(*tls, options, error)) {
            std::fprintf(stderr, "kokurin-server: %s\n", error.c_str());
            return 1;
        }
    }
    std::unique_ptr<kokurin::RoomDirectory> directory;
#if defined(KOKURIN_SERVER_REDIS)
    kokurin::RedisDirectory* redis = nullptr;
    if (!options.redisUrl.empty()) {
        auto made = std::make_unique<kokurin::RedisDirectory>(options.redisHost, options.redisPort,
                                                              "", options.redisTtlMs);
        // A dead process's matches are kept for its players to come back to another one.
        made->setJournalTtl(options.stallMs + options.redisTtlMs);
        redis = made.get();
        directory = std::move(made);
    }
#else
    if (!options.redisUrl.empty()) {
        std::fprintf(stderr, "kokurin-server: this build has no Redis support (hiredis was not "
                             "found when it was built)\n");
        return 2;
    }
#endif
    // Ranked play keeps every match in its store. Processes sharing one lobby share the store
    // too, so with --redis it is PostgreSQL's or none; a SQLite file is one process's alone.
    std::unique_ptr<kokurin::store::RankedStore> rankedStore;
    if (!options.redisUrl.empty() && !options.database.empty() &&
        !kokurin::store::isPostgresUrl(options.database)) {
        std::fprintf(stderr, "kokurin-server: with --redis, ranked play needs the store the "
                             "processes share: --db postgresql://..., not a SQLite file\n");
        return 2;
    }
    if (!options.database.empty() && options.replayDir.empty()) {
        std::fprintf(stderr, "kokurin-server: --db needs a replay folder (--replays DIR)\n");
        return 2;
    }
    if (!options.database.empty() || (options.redisUrl.empty() && !options.replayDir.empty())) {
        try {
            rankedStore = kokurin::store::openRankedStore(
                kokurin::store::StoreOptions{options.database, options.replayDir});
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "kokurin-server: cannot open the ranked store %s: %s\n",
                         options.database.empty()
                             ? kokurin::store::defaultDatabaseFile(options.replayDir).c_str()
                             : options.database.c_str(),
                         failure.what());
            return 1;
        }
        const kokurin::store::ReconcileReport cleared = rankedStore->reconcileReport();
        if (cleared.temporariesRemoved + cleared.orphansRemoved + cleared.replaysMissing > 0) {
            log.say(kokurin::LogLevel::Warning,
                    "the replay folder after an interrupted run: %d unfinished replays and %d "
                    "without their match removed, %d matches whose replay has gone",
                    cleared.temporariesRemoved, cleared.orphansRemoved, cleared.replaysMissing);
        }
    }
    const kokurin::ReplayFolderLimits folderLimits{options.replayFiles,
                                                   std::uint64_t(options.replayMegabytes) << 20};
    std::unique_ptr<kokurin::api::RankedApi> api;
    kokurin::LiveMatches live;
    if (rankedStore) {
        api = std::make_unique<kokurin::api::RankedApi>(*rankedStore, live);
    }
    // With a store, the replays are kept with their rows (by each loop's records).
    std::unique_ptr<kokurin::ReplayFolder> replays;
    if (!options.replayDir.empty() && !rankedStore) {
        replays = std::make_unique<kokurin::ReplayFolder>(options.replayDir, folderLimits);
    }
    kokurin::RelayServer server(options, log, tls.get(), directory.get(), replays.get());
    // Made after the server so that it stops first: its jobs answer through the server's loops.
    kokurin::BackgroundWorker apiWorker(64);
    if (rankedStore) {
        server.setRanked(*rankedStore, folderLimits, *api, live, apiWorker);
    }
    if (!server.prepare(error)) {
        std::fprintf(stderr, "kokurin-server: %s\n", error.c_str());
        return 2;
    }
    if (!server.listen(error)) {
        std::fprintf(stderr, "kokurin-server: cannot listen on port %u: %s\n",
                     static_cast<unsigned>(options.port), error.c_str());
        return 1;
    }
    const std::string scheme = tls ? "wss://" : "ws://";
#if defined(KOKURIN_SERVER_REDIS)
    if (redis != nullptr) {
        redis->setAddress(!options.publicUrl.empty()
                              ? options.publicUrl
                              : scheme + "127.0.0.1:" + std::to_string(server.port()) + "/");
        if (!redis->connect(error)) {
            std::fprintf(stderr, "kokurin-server: cannot reach Redis at %s: %s\n",
                         options.redisUrl.c_str(), error.c_str());
            return 3;
        }
    }
#endif
    // Said once everything is ready: the tests wait for this line.
    std::printf("kokurin-server: listening on port %u\n", static_cast<unsigned>(server.port()));
    if (tls) {
        std::printf("kokurin-server: speaking TLS (wss:// and https://)\n");
    }
    if (directory != nullptr) {
        std::printf("kokurin-server: sharing the lobby through Redis at %s as %s\n",
                    options.redisUrl.c_str(), directory->address().c_str());
    }
    if (rankedStore) {
        std::printf("kokurin-server: ranked play, every match kept in %s\n",
                    kokurin::store::isPostgresUrl(options.database)
                        ? "PostgreSQL"
                        : (options.database.empty()
                               ? kokurin::store::defaultDatabaseFile(options.replayDir)
                               : options.database)
                              .c_str());
    } else if (!options.redisUrl.empty()) {
        std::printf("kokurin-server: no ranked play: with --redis it needs --db postgresql://...\n");
    }
    if (server.loops() > 1) {
        std::printf("kokurin-server: %d threads\n", server.loops());
    }
    std::fflush(stdout);
    asio::signal_set stop(server.firstLoop(), SIGINT, SIGTERM);
    stop.async_wait([&server](boost::system::error_code, int) { server.stop(); });
    server.run();
    return 0;
}
