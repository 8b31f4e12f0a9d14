// Strict parsing of kokurin-server's arguments.
#include "server_options.h"

#include <cstdlib>
#include <string>

namespace {

bool parseWhole(const std::string& text, unsigned long high, unsigned long& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::strtoul(text.c_str(), nullptr, 10);
    return value <= high;
}

} // namespace

bool splitRedisUrl(const std::string& url, std::string& host, int& port) {
    const std::string scheme = "redis://";
    if (url.compare(0, scheme.size(), scheme) != 0) {
        return false;
    }
    std::string rest = url.substr(scheme.size());
    if (!rest.empty() && rest.back() == '/') {
        rest.pop_back();
    }
    const std::size_t colon = rest.rfind(':');
    host = rest.substr(0, colon);
    unsigned long number = 6379;
    if (colon != std::string::npos &&
        (!parseWhole(rest.substr(colon + 1), 65535, number) || number == 0)) {
        return false;
    }
    port = static_cast<int>(number);
    return !host.empty() && host.find_first_of("/@ ") == std::string::npos;
}

const char* serverUsage() {
    return "usage: kokurin-server [--port N] [--host ADDRESS] [--web DIR] [--replays DIR]\n"
           "                      [--db FILE | --db postgresql://...]\n"
           "                      [--stall-seconds S] [--redis URL [--public-url URL]\n"
           "                      [--redis-ttl-seconds S]] [--max-spectators N]\n"
           "                      [--max-match-minutes M] [--replay-files N]\n"
           "                      [--replay-megabytes N] [--tls-cert FILE --tls-key FILE]\n"
           "                      [--max-connections-per-ip N] [--trust-proxy ADDRESSES]\n"
           "                      [--send-queue-kib N] [--handshake-seconds S]\n"
           "                      [--log-level LEVEL] [--max-lead-seconds S] [--threads N]\n"
           "       kokurin-server --help | --version\n"
           "\n"
           "Serves kokurin's online play (docs/protocol.md) over WebSocket until stopped.\n"
           "\n"
           "  --port N           TCP port (default 8620; 0 picks a free one)\n"
           "  --host ADDRESS     address to listen on (default 0.0.0.0)\n"
           "  --web DIR          also serve the web build's folder over HTTP on the same port\n"
           "  --replays DIR      folder for every match's replay (default ./replays)\n"
           "  --db FILE          ranked play's database: a SQLite file (default kokurin.db in\n"
           "                     the replay folder) or postgresql://... (needed with --redis)\n"
           "  --stall-seconds S  a player silent this long loses the match (default 20)\n"
           "  --redis URL        share one lobby with other processes through the Redis at\n"
           "                     redis://HOST:PORT (default: everything in this process)\n"
           "  --public-url URL   this process's address as players reach it, given to players\n"
           "                     sent here by the others (default ws://127.0.0.1:PORT/)\n"
           "  --redis-ttl-seconds S  a process's rooms vanish this long after it dies\n"
           "                     (default 15)\n"
           "  --max-spectators N   spectators one room takes (default 64)\n"
           "  --max-match-minutes M  a match this long ends with nobody winning (default 30)\n"
           "  --replay-files N     replays kept in --replays, the oldest removed first\n"
           "                     (default 10000)\n"
           "  --replay-megabytes N  bytes of replays kept, likewise (default 1024)\n"
           "  --tls-cert FILE    serve wss:// and https:// with this PEM certificate chain...\n"
           "  --tls-key FILE     ...and its PEM private key (both or neither)\n"
           "  --max-connections-per-ip N  open connections one address may hold (default 32)\n"
           "  --trust-proxy ADDRESSES  proxies (addresses or networks, comma-separated) whose\n"
           "                     X-Forwarded-For names the client (default: none)\n"
           "  --send-queue-kib N a client that leaves this much unread is dropped (default 4096)\n"
           "  --handshake-seconds S  time to finish the TLS handshake and the HTTP request\n"
           "                     (default 10)\n"
           "  --log-level LEVEL  error, warning, info or debug (default info)\n"
           "  --max-lead-seconds S  how far a player's inputs may run ahead of the match's\n"
           "                     clock before the player is dropped (default 5)\n"
           "  --threads N        event loops the rooms are spread over (default: one a core)\n"
           "  --help             this text\n"
           "  --version          the version, as kokurin-server VERSION\n";
}

bool parseServerOptions(const std::vector<std::string>& args, ServerOptions& options,
                        std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--help" || flag == "-h") {
            options.help = true;
            return true;
        }
        if (flag == "--version") {
            options.version = true;
            return true;
        }
        if (flag != "--port" && flag != "--host" && flag != "--web" && flag != "--replays" &&
            flag != "--db" &&
            flag != "--stall-seconds" && flag != "--redis" && flag != "--public-url" &&
            flag != "--redis-ttl-seconds" && flag != "--max-spectators" &&
            flag != "--max-match-minutes" && flag != "--replay-files" &&
            flag != "--replay-megabytes" && flag != "--tls-cert" && flag != "--tls-key" &&
            flag != "--max-connections-per-ip" && flag != "--trust-proxy" &&
            flag != "--send-queue-kib" && flag != "--handshake-seconds" &&
            flag != "--log-level" && flag != "--max-lead-seconds" && flag != "--threads") {
            error = "unknown argument '" + flag + "'";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = flag + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        unsigned long number = 0;
        if (flag == "--port") {
            if (!parseWhole(value, 65535, number)) {
                error = "--port must be a port number from 0 to 65535, not '" + value + "'";
                return false;
            }
            options.port = static_cast<std::uint16_t>(number);
        } else if (flag == "--stall-seconds") {
            if (!parseWhole(value, 3600, number) || number == 0) {
                error = "--stall-seconds must be from 1 to 3600, not '" + value + "'";
                return false;
            }
            options.stallMs = static_cast<std::uint32_t>(number * 1000);
        } else if (flag == "--redis-ttl-seconds") {
            if (!parseWhole(value, 3600, number) || number < 1) {
                error = "--redis-ttl-seconds must be from 1 to 3600, not '" + value + "'";
                return false;
            }
            options.redisTtlMs = static_cast<std::uint32_t>(number * 1000);
        } else if (flag == "--max-spectators" || flag == "--max-match-minutes" ||
                   flag == "--replay-files" || flag == "--replay-megabytes") {
            const unsigned long high = flag == "--max-spectators"      ? 10000
                                       : flag == "--max-match-minutes" ? 240
                                                                       : 10000000;
            if (!parseWhole(value, high, number) || number == 0) {
                error = flag + " must be from 1 to " + std::to_string(high) + ", not '" + value +
                        "'";
                return false;
            }
            const auto n = static_cast<std::uint32_t>(number);
            (flag == "--max-spectators"      ? options.maxSpectators
             : flag == "--max-match-minutes" ? options.maxMatchMinutes
             : flag == "--replay-files"      ? options.replayFiles
                                             : options.replayMegabytes) = n;
        } else if (flag == "--redis") {
            if (!splitRedisUrl(value, options.redisHost, options.redisPort)) {
                error = "--redis must be redis://HOST:PORT, not '" + value + "'";
                return false;
            }
            options.redisUrl = value;
        } else if (flag == "--public-url") {
            if (value.compare(0, 5, "ws://") != 0 && value.compare(0, 6, "wss://") != 0) {
                error = "--public-url must be a ws:// or wss:// address, not '" + value + "'";
                return false;
            }
            if (value.size() > 255) {
                error = "--public-url is longer than 255 bytes";
                return false;
            }
            options.publicUrl = value;
        } else if (flag == "--max-connections-per-ip") {
            if (!parseWhole(value, 100000, number) || number == 0) {
                error = "--max-connections-per-ip must be from 1 to 100000, not '" + value + "'";
                return false;
            }
            options.maxConnectionsPerIp = static_cast<std::uint32_t>(number);
        } else if (flag == "--send-queue-kib") {
            if (!parseWhole(value, 1u << 20, number) || number < 8) {
                error = "--send-queue-kib must be from 8 to 1048576, not '" + value + "'";
                return false;
            }
            options.sendQueueBytes = static_cast<std::uint32_t>(number * 1024);
        } else if (flag == "--handshake-seconds") {
            if (!parseWhole(value, 600, number) || number == 0) {
                error = "--handshake-seconds must be from 1 to 600, not '" + value + "'";
                return false;
            }
            options.handshakeMs = static_cast<std::uint32_t>(number * 1000);
        } else if (flag == "--max-lead-seconds") {
            if (!parseWhole(value, 3600, number) || number == 0) {
                error = "--max-lead-seconds must be from 1 to 3600, not '" + value + "'";
                return false;
            }
            options.maxLeadSeconds = static_cast<std::uint32_t>(number);
        } else if (flag == "--threads") {
            if (!parseWhole(value, 256, number) || number == 0) {
                error = "--threads must be from 1 to 256, not '" + value + "'";
                return false;
            }
            options.threads = static_cast<std::uint32_t>(number);
        } else if (flag == "--log-level") {
            if (value != "error" && value != "warning" && value != "info" && value != "debug") {
                error = "--log-level must be error, warning, info or debug, not '" + value + "'";
                return false;
            }
            options.logLevel = value;
        } else if (flag == "--trust-proxy") {
            options.trustProxy = value;
        } else if (flag == "--tls-cert") {
            options.tlsCert = value;
        } else if (flag == "--tls-key") {
            options.tlsKey = value;
        } else if (flag == "--host") {
            options.host = value;
        } else if (flag == "--web") {
            options.webDir = value;
        } else if (flag == "--db") {
            if (value.empty()) {
                error = "--db needs a file or a postgresql:// address";
                return false;
            }
            options.database = value;
        } else {
            options.replayDir = value;
        }
    }
    if (options.tlsCert.empty() != options.tlsKey.empty()) {
        error = "--tls-cert and --tls-key go together";
        return false;
    }
    return true;
}
