// kokurin-server's command line, parsed without touching the network.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ServerOptions {
    std::string host = "0.0.0.0";
    // 0: any free port (the line printed at start names it).
    std::uint16_t port = 8620;
    // The web build's static folder, served over HTTP on the same port (empty: none).
    std::string webDir;
    // Where every match's replay is saved.
    std::string replayDir = "replays";
    // Ranked play's store: a SQLite file or a postgresql:// URI (empty: kokurin.db in the
    // replay folder, or none with --redis).
    std::string database;
    std::uint32_t stallMs = 20000;
    // The lobby's limits: spectators a room takes, minutes a match may last, and the replays
    // kept (the oldest go first).
    std::uint32_t maxSpectators = 64;
    std::uint32_t maxMatchMinutes = 30;
    std::uint32_t replayFiles = 10000;
    std::uint32_t replayMegabytes = 1024;
    // Several processes sharing one lobby: the Redis server (empty: this process alone), this
    // process's WebSocket address as players reach it (empty: ws://127.0.0.1:PORT/), and how
    // long its entries outlive it.
    std::string redisHost;
    int redisPort = 0;
    std::string redisUrl;
    std::string publicUrl;
    std::uint32_t redisTtlMs = 15000;
    // TLS on the port (wss:// and https://): the certificate chain and its key, PEM files.
    std::string tlsCert;
    std::string tlsKey;
    // Open connections one address may hold (WebSocket and HTTP alike).
    std::uint32_t maxConnectionsPerIp = 32;
    // Proxies whose X-Forwarded-For is believed (comma-separated addresses or networks).
    std::string trustProxy;
    // Bytes queued for one client that has not read them before it is dropped.
    std::uint32_t sendQueueBytes = 4u << 20;
    // A connection that has not finished its TLS handshake and HTTP request by then is closed.
    std::uint32_t handshakeMs = 10000;
    // error, warning, info or debug.
    std::string logLevel = "info";
    // How far a player's stream may reach past the match's clock.
    std::uint32_t maxLeadSeconds = 5;
    // Event loops (threads) the rooms are spread over (0: one a core).
    std::uint32_t threads = 0;
    bool help = false;
    // --version: say the version and stop.
    bool version = false;
};

bool parseServerOptions(const std::vector<std::string>& args, ServerOptions& options,
                        std::string& error);
const char* serverUsage();

// Splits redis://HOST[:PORT][/] (port 6379 when left out); false for anything else.
bool splitRedisUrl(const std::string& url, std::string& host, int& port);
