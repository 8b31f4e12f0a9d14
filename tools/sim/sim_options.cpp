// Parsing of kokurin-sim's arguments and key scripts: strict, with messages that say what is wrong.
#include "sim_options.h"

#include "net/player_name.h"
#include "net/room_code.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

bool parseWholeNumber(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text.size() > 19) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

const char* simUsage() {
    return "usage: kokurin-sim --seed S --opponent K [--keys FILE] [--max-polls N] [--wav FILE]\n"
           "                   [--record FILE]\n"
           "       kokurin-sim --replay FILE [--wav FILE]\n"
           "       kokurin-sim --online URL --room CODE [--spectate] [--keys FILE] [--novice]\n"
           "                   [--name NAME] [--record FILE] [--ca-file FILE]\n"
           "       kokurin-sim --online URL --ranked --name NAME [--key-file FILE]\n"
           "                   [--keys FILE | --novice] [--record FILE] [--ca-file FILE]\n"
           "\n"
           "Plays one match of kokurin without a window and prints what happened as JSON Lines.\n"
           "\n"
           "  --seed S        seed of the game's random generator (0 .. 4294967295), used where\n"
           "                  the game seeds it from the clock\n"
           "  --opponent K    roster entry of the second seat (0 .. 15): 0 is a second human,\n"
           "                  1 .. 15 the computer personalities\n"
           "  --keys FILE     key script: lines '<poll> <code> [<code> ...]' with increasing poll\n"
           "                  numbers and the game's decimal key numbers (0 .. 255); the listed\n"
           "                  keys are down at exactly that poll (the Nth frame pump of the\n"
           "                  match). Blank lines and lines starting with # are ignored. Without\n"
           "                  it no key is ever down. A field '@X,Y' instead of a code is a\n"
           "                  pointer press (mouse, touch) at that poll at X,Y on the 640 x 480\n"
           "                  screen (one a poll).\n"
           "  --max-polls N   stop when a frame pump would make the poll count exceed N\n"
           "                  (default 2000000, at least 1)\n"
           "  --wav FILE      also render the match's sound into FILE (16-bit mono WAV at\n"
           "                  44100 Hz): every sound the game played, at the frame it was\n"
           "                  played, 60 frames a second, mixed as the game's devices mix\n"
           "  --record FILE   also write the match's replay into FILE\n"
           "  --replay FILE   play the match of a replay (saved by the game or by --record) and\n"
           "                  print its transcript, checking every state hash on the way\n"
           "  --online URL    play one whole match on a kokurin-server (ws://host:port/): join\n"
           "                  room CODE, made when there is none (its first player is 1P), and\n"
           "                  print the transcript; --keys then counts frames of the match, and\n"
           "                  either key set moves this player's seat\n"
           "                  (wss:// for a server with TLS: its certificate must verify);\n"
           "                  URL,URL,... names the processes of one server: the first that\n"
           "                  answers is used, and the others when it is gone mid-match\n"
           "  --room CODE     the room to join, 4 to 8 letters and digits (with --online)\n"
           "  --ranked        instead of a room, wait in the server's ranked queue and play the\n"
           "                  match it pairs this player for (with --online); the rating's\n"
           "                  change is said on stderr\n"
           "  --key-file FILE the player key that owns NAME (with --ranked): 64 hex digits,\n"
           "                  made when missing (readable by its owner only); without it a key\n"
           "                  of this run's own, so a new player each time\n"
           "  --ca-file FILE  PEM certificate authorities trusted for wss:// besides the\n"
           "                  system's\n"
           "  --spectate      watch the room's match instead of playing\n"
           "  --novice        play this seat as the tournament's scripted novice\n"
           "  --name NAME     the player's name (default kokurin-sim)\n"
           "  --input-delay N frames this player's input is sent ahead of the frame it plays in\n"
           "                  (default 0: played at once, the other seat predicted and rolled\n"
           "                  back when its input differs; with --lockstep, the round trip's)\n"
           "  --lockstep      play online in lockstep: every frame waits for both seats' inputs\n"
           "                  (as a measure against the game's way)\n"
           "  --realtime      play online at 60 frames a second, as a game does, and report how\n"
           "                  many frames this player's cursor keys took to move the cursor on\n"
           "                  screen (for benchmarks)\n"
           "  --corrupt-hash F  testing aid: send a wrong state hash for frame F\n"
           "  --help          this text\n"
           "  --version       the version (kokurin-sim 1.0.0)\n"
           "\n"
           "Key codes: ESC 1, W 17, RETURN 28, A 30, S 31, D 32, H 35, M 50, SPACE 57, UP 200,\n"
           "LEFT 203, RIGHT 205, DOWN 208.\n"
           "\n"
           "Events, one JSON object per line, P = frame pumps completed since the match began\n"
           "(online: frames of the match the server's streams confirmed, as its replay counts):\n"
           "  {\"ev\":\"start\",\"seed\":S,\"opponent\":K,\"board\":\"<36 digits, row-major>\"}\n"
           "  {\"ev\":\"hint\",\"poll\":P,\"player\":p,\"text\":\"(c,r)-(c,r)\"}\n"
           "  {\"ev\":\"move\",\"turn\":T,\"player\":p,\"poll\":P,\"personality\":X|null,"
           "\"swap\":[i,j]|null}\n"
           "  {\"ev\":\"settled\",\"turn\":T,\"poll\":P,\"board\":\"...\",\"q0\":\"...\","
           "\"q1\":\"...\"}\n"
           "  {\"ev\":\"clash\",\"turn\":T,\"poll\":P,\"hp\":[h0,h1],\"q0\":\"...\",\"q1\":\"...\","
           "\"next\":p}\n"
           "  {\"ev\":\"end\",\"poll\":P,\"reason\":\"winner\"|\"escape\"|\"limit\","
           "\"winner\":0|1|null,\"hp\":[h0,h1]}\n"
           "Cells are row * 6 + col; queues are listed front to back; hp is printed with %.9g.\n"
           "\n"
           "Exit status: 0 after a match, 2 for bad arguments or a malformed key script, 3 for a\n"
           "replay that cannot be read or does not play as it was recorded, 4 when online play\n"
           "failed (no server, refused, lost) or the server found this game's hashes wrong.\n"
           "\n"
           "kokurin-sim --tournament --seeds N ... plays a round robin of the personalities and\n"
           "a scripted novice and prints one CSV row per match (kokurin-sim --tournament "
           "--help).\n";
}

bool parseSimOptions(const std::vector<std::string>& args, SimOptions& options,
                     std::string& error) {
    bool haveSeed = false;
    bool haveOpponent = false;
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
        if (flag == "--spectate" || flag == "--novice" || flag == "--ranked" ||
            flag == "--lockstep" || flag == "--realtime") {
            (flag == "--spectate"   ? options.spectate
             : flag == "--novice"   ? options.novice
             : flag == "--ranked"   ? options.ranked
             : flag == "--lockstep" ? options.lockstep
                                    : options.realtime) = true;
            continue;
        }
        bool takesValue = flag == "--seed" || flag == "--opponent" || flag == "--keys" ||
                          flag == "--max-polls" || flag == "--wav" || flag == "--record" ||
                          flag == "--replay" || flag == "--online" || flag == "--room" ||
                          flag == "--name" || flag == "--corrupt-hash" ||
                          flag == "--input-delay" || flag == "--ca-file" ||
                          flag == "--key-file";
        if (!takesValue) {
            error = "unknown argument '" + flag + "'";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = flag + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        long long number = 0;
        if (flag == "--seed") {
            if (!parseWholeNumber(value, 0, 4294967295LL, number)) {
                error = "--seed must be a whole number from 0 to 4294967295, not '" + value + "'";
                return false;
            }
            options.seed = static_cast<std::uint32_t>(number);
            haveSeed = true;
        } else if (flag == "--opponent") {
            if (!parseWholeNumber(value, 0, 15, number)) {
                error = "--opponent must be a roster entry from 0 to 15, not '" + value + "'";
                return false;
            }
            options.opponent = static_cast<int>(number);
            haveOpponent = true;
        } else if (flag == "--keys") {
            options.keysFile = value;
        } else if (flag == "--wav") {
            options.wavFile = value;
        } else if (flag == "--record") {
            options.recordFile = value;
        } else if (flag == "--replay") {
            options.replayFile = value;
        } else if (flag == "--online") {
            options.onlineUrl = value;
        } else if (flag == "--room") {
            options.room = value;
        } else if (flag == "--ca-file") {
            options.caFile = value;
        } else if (flag == "--key-file") {
            options.keyFile = value;
        } else if (flag == "--name") {
            options.name = value;
        } else if (flag == "--input-delay") {
            if (!parseWholeNumber(value, 1, 120, number)) {
                error = "--input-delay must be from 1 to 120 frames, not '" + value + "'";
                return false;
            }
            options.inputDelay = static_cast<int>(number);
        } else if (flag == "--corrupt-hash") {
            if (!parseWholeNumber(value, 60, 4000000000LL, number) || number % 60 != 0) {
                error = "--corrupt-hash must be a frame the hash is taken at (a multiple of 60)";
                return false;
            }
            options.corruptHashAt = static_cast<std::uint32_t>(number);
        } else {
            if (!parseWholeNumber(value, 1, 2000000000LL, number)) {
                error =
                    "--max-polls must be a whole number from 1 to 2000000000, not '" + value + "'";
                return false;
            }
            options.maxPolls = static_cast<long>(number);
        }
    }
    if (!options.keyFile.empty() && !options.ranked) {
        error = "--key-file goes with --ranked";
        return false;
    }
    if (options.ranked) {
        std::string name;
        if (options.onlineUrl.empty() || !options.room.empty() || options.spectate || haveSeed ||
            haveOpponent || !options.replayFile.empty() ||
            !kokurin::net::normalizePlayerName(options.name, name)) {
            error = "--ranked needs --online URL and --name NAME (1 to 16 characters) and takes "
                    "its room from the ranked queue: no --room, --spectate, --seed, --opponent or "
                    "--replay with it";
            return false;
        }
        options.name = name;
        return true;
    }
    if (!options.onlineUrl.empty()) {
        std::string name;
        if (haveSeed || haveOpponent || !options.replayFile.empty() ||
            !kokurin::net::normalizeRoomCode(options.room, options.room) ||
            !kokurin::net::normalizePlayerName(options.name, name)) {
            error = "--online needs --room CODE (4 to 8 letters and digits) and --name NAME (1 to "
                    "16 characters) and takes the match from the server: no --seed, --opponent "
                    "or --replay with it";
            return false;
        }
        options.name = name;
        return true;
    }
    if (options.spectate || options.novice || !options.room.empty() ||
        options.corruptHashAt != 0 || options.inputDelay != 0 || !options.caFile.empty() ||
        options.lockstep || options.realtime) {
        error = "--room, --spectate, --novice, --input-delay, --lockstep, --realtime, "
                "--corrupt-hash and --ca-file go with --online";
        return false;
    }
    if (!options.replayFile.empty()) {
        if (haveSeed || haveOpponent || !options.keysFile.empty() || !options.recordFile.empty()) {
            error = "--replay takes the match from its file: no --seed, --opponent, --keys or "
                    "--record with it";
            return false;
        }
        return true;
    }
    if (!haveSeed) {
        error = "--seed is required";
        return false;
    }
    if (!haveOpponent) {
        error = "--opponent is required";
        return false;
    }
    return true;
}

bool parseKeyScript(std::istream& in, kokurin::headless::KeyScript& script, std::string& error) {
    std::string line;
    long lineNumber = 0;
    long lastPoll = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        std::istringstream words(line);
        std::string word;
        std::vector<std::string> fields;
        while (words >> word) {
            fields.push_back(word);
        }
        auto fail = [&](const std::string& why) {
            error =
                "key script line " + std::to_string(lineNumber) + ": " + why + ": '" + line + "'";
            return false;
        };
        long long poll = 0;
        if (!parseWholeNumber(fields[0], 1, 2000000000LL, poll)) {
            return fail("the poll number must be a whole number from 1 up");
        }
        if (poll <= lastPoll) {
            return fail("poll numbers must increase from line to line");
        }
        if (fields.size() < 2) {
            return fail("a poll number needs at least one key code");
        }
        std::vector<int> codes;
        bool clicked = false;
        long long clickX = 0;
        long long clickY = 0;
        for (std::size_t i = 1; i < fields.size(); ++i) {
            if (fields[i][0] == '@') {
                const std::size_t comma = fields[i].find(',');
                if (clicked || comma == std::string::npos ||
                    !parseWholeNumber(fields[i].substr(1, comma - 1), 0, kokurin::screenWidth - 1,
                                 clickX) ||
                    !parseWholeNumber(fields[i].substr(comma + 1), 0, kokurin::screenHeight - 1,
                                 clickY)) {
                    return fail("a press is one '@X,Y' a poll with 0 <= X < 640, 0 <= Y < 480");
                }
                clicked = true;
                continue;
            }
            long long code = 0;
            if (!parseWholeNumber(fields[i], 0, 255, code)) {
                return fail("key codes are decimal numbers from 0 to 255");
            }
            codes.push_back(static_cast<int>(code));
        }
        // Only a whole line is taken: a bad code leaves nothing of its line in the script.
        for (int code : codes) {
            script.press(static_cast<long>(poll), code);
        }
        if (clicked) {
            script.click(static_cast<long>(poll), static_cast<int>(clickX),
                         static_cast<int>(clickY));
        }
        lastPoll = static_cast<long>(poll);
    }
    return true;
}
