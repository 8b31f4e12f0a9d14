// Saving, pruning and listing replays through the front end's replay store.
#include "replay/replay_library.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/platform.h"

namespace kokurin {

namespace {

constexpr std::size_t maxNameLength = 80;
const char* const replaySuffix = ".kkr";

} // namespace

bool isReplayName(const std::string& name) {
    if (name.size() <= 4 || name.size() > maxNameLength ||
        name.compare(name.size() - 4, 4, replaySuffix) != 0 || name[0] == '.') {
        return false;
    }
    for (char c : name) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                        (c >= 'A' && c <= 'Z') || c == '-' || c == '_' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

std::string newReplayName(std::int64_t unixSeconds, const std::vector<std::string>& taken) {
    const std::time_t when = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
#if defined(_WIN32)
    gmtime_s(&parts, &when);
#else
    gmtime_r(&when, &parts);
#endif
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    for (int n = 0;; ++n) {
        char name[48];
        std::snprintf(name, sizeof name, "%s-%03d%s", stamp, n, replaySuffix);
        if (std::find(taken.begin(), taken.end(), name) == taken.end()) {
            return name;
        }
    }
}

bool saveMatchReplay(const Replay& replay, int keep) {
    static bool saidSo = false;
    std::vector<std::string> names;
    listReplayData(names);
    const std::string name = newReplayName(static_cast<std::int64_t>(std::time(nullptr)), names);
    const std::vector<std::uint8_t> bytes = encodeReplay(replay);
    if (!writeReplayData(name, std::string(bytes.begin(), bytes.end()))) {
        if (!saidSo) {
            saidSo = true;
            const std::string where = replayLocation();
            std::fprintf(stderr, "kokurin: replays cannot be saved%s%s; matches are not recorded\n",
                         where.empty() ? "" : " in ", where.c_str());
        }
        return false;
    }
    names.push_back(name);
    // The names sort by date: the oldest go first.
    std::sort(names.begin(), names.end());
    const std::size_t kept = keep > 0 ? static_cast<std::size_t>(keep) : 0;
    for (std::size_t i = 0; i + kept < names.size(); ++i) {
        removeReplayData(names[i]);
    }
    return true;
}

bool loadMatchReplay(const std::string& name, Replay& replay, std::string& error) {
    std::string bytes;
    if (!readReplayData(name, replayMaxBytes, bytes)) {
        error = "the replay cannot be read";
        return false;
    }
    return decodeReplay(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), replay,
                        error);
}

std::vector<ReplayEntry> listMatchReplays() {
    std::vector<std::string> names;
    listReplayData(names);
    std::sort(names.rbegin(), names.rend());
    std::vector<ReplayEntry> entries;
    entries.reserve(names.size());
    Replay replay;
    for (const std::string& name : names) {
        ReplayEntry entry;
        entry.name = name;
        entry.readable = loadMatchReplay(name, replay, entry.error);
        if (entry.readable) {
            entry.opponent = replay.start.opponent;
            entry.result = replay.result;
            entry.frames = static_cast<std::uint32_t>(replay.inputs.size());
            entry.names[0] = replay.names[0];
            entry.names[1] = replay.names[1];
            entry.verdict = replay.verdict;
            entry.verdictWinner = replay.verdictWinner;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace kokurin
