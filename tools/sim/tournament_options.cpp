// The tournament's command line: strict whole numbers, messages that say what is wrong.

#include "sim_options.h"
#include "tournament.h"

namespace kokurin {

namespace {

// "a,b,c": two or more different entries.
bool parseEntries(const std::string& text, std::vector<int>& entries) {
    std::vector<int> parsed;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        long long entry = 0;
        if (!parseWholeNumber(item, 0, tournamentEntries - 1, entry)) {
            return false;
        }
        for (int earlier : parsed) {
            if (earlier == entry) {
                return false;
            }
        }
        parsed.push_back(static_cast<int>(entry));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (parsed.size() < 2) {
        return false;
    }
    entries = parsed;
    return true;
}

} // namespace

bool isTournamentCommand(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--tournament") {
            return true;
        }
    }
    return false;
}

const char* tournamentUsage() {
    return "usage: kokurin-sim --tournament --seeds N [--base-seed S] [--jobs J]\n"
           "                                [--frame-limit F] [--entries LIST]\n"
           "\n"
           "Plays a round robin without a window: for each of N seeds (S, S+1, ..., wrapping at\n"
           "2^32), every ordered pair of different entries meets once, the first entry in the\n"
           "first seat. Entries: 0 is a scripted novice human (it makes the first exchange in\n"
           "scan order that clears something, at a beginner's pace, through the seat's keys),\n"
           "1 .. 15 are the computer personalities. 240 matches per seed with all of them.\n"
           "\n"
           "  --seeds N        number of seeds (1 .. 1000000)\n"
           "  --entries LIST   only these entries, e.g. 0,3,15 (default all sixteen); the\n"
           "                   pairs follow the list's order\n"
           "  --base-seed S    first seed (0 .. 4294967295, default 1)\n"
           "  --jobs J         threads playing matches side by side (1 .. 64, default 1); the\n"
           "                   output is the same bytes whatever J\n"
           "  --frame-limit F  frames after which a match is recorded as a draw (1 .. 2000000000,\n"
           "                   default 36000, ten minutes of play)\n"
           "\n"
           "Prints CSV: a header 'seed,first,second,winner,frames', then one row per match in\n"
           "match order (seeds, then first entry, then second entry); winner is the winning seat\n"
           "(1 or 2) or 'draw', frames the frames played. On a terminal a progress line goes to\n"
           "stderr.\n";
}

bool parseTournamentOptions(const std::vector<std::string>& args, TournamentOptions& options,
                            std::string& error) {
    bool haveSeeds = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--tournament") {
            continue;
        }
        if (flag == "--help" || flag == "-h") {
            options.help = true;
            return true;
        }
        if (flag != "--seeds" && flag != "--base-seed" && flag != "--jobs" &&
            flag != "--frame-limit" && flag != "--entries") {
            error = "unknown argument '" + flag + "' for --tournament";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = flag + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        long long number = 0;
        if (flag == "--seeds") {
            if (!parseWholeNumber(value, 1, 1000000, number)) {
                error = "--seeds must be a whole number from 1 to 1000000, not '" + value + "'";
                return false;
            }
            options.seeds = static_cast<long>(number);
            haveSeeds = true;
        } else if (flag == "--base-seed") {
            if (!parseWholeNumber(value, 0, 4294967295LL, number)) {
                error =
                    "--base-seed must be a whole number from 0 to 4294967295, not '" + value + "'";
                return false;
            }
            options.baseSeed = static_cast<std::uint32_t>(number);
        } else if (flag == "--entries") {
            if (!parseEntries(value, options.entries)) {
                error = "--entries must list at least two different entries from 0 to 15, "
                        "separated by commas, not '" +
                        value + "'";
                return false;
            }
        } else if (flag == "--jobs") {
            if (!parseWholeNumber(value, 1, 64, number)) {
                error = "--jobs must be a whole number from 1 to 64, not '" + value + "'";
                return false;
            }
            options.jobs = static_cast<int>(number);
        } else {
            if (!parseWholeNumber(value, 1, 2000000000LL, number)) {
                error = "--frame-limit must be a whole number from 1 to 2000000000, not '" + value +
                        "'";
                return false;
            }
            options.frameLimit = static_cast<long>(number);
        }
    }
    if (!haveSeeds) {
        error = "--seeds is required with --tournament";
        return false;
    }
    return true;
}

} // namespace kokurin
