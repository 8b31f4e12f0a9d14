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
    std::uint32_t stallMs = 20000;
    bool help = false;
};

bool parseServerOptions(const std::vector<std::string>& args, ServerOptions& options,
                        std::string& error);
const char* serverUsage();
