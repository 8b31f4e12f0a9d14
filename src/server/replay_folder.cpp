// A replay is written whole under a temporary name made with exclusive create, then linked to
// its final name (which fails, rather than replaces, when the name is taken), so that neither a
// crash nor a collision ever leaves a half-written or overwritten replay.
#include "replay_folder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "net/room_code.h"

namespace kokurin {

namespace fs = std::filesystem;

namespace {

bool digits(const std::string& s, std::size_t from, std::size_t to) {
    if (from >= to || to - from > 9) {
        return false;
    }
    for (std::size_t i = from; i < to; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
    }
    return true;
}

// CODE-N or CODE-N-K: the stem of every name the folder makes.
bool isStem(const std::string& stem) {
    const std::size_t dash = stem.find('-');
    if (dash == std::string::npos) {
        return false;
    }
    std::string code;
    if (!net::normalizeRoomCode(stem.substr(0, dash), code) || code != stem.substr(0, dash)) {
        return false;
    }
    const std::size_t second = stem.find('-', dash + 1);
    if (second == std::string::npos) {
        return digits(stem, dash + 1, stem.size());
    }
    return digits(stem, dash + 1, second) && digits(stem, second + 1, stem.size());
}

bool endsWith(const std::string& s, const std::string& end) {
    return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

} // namespace

bool isSavedReplayName(const std::string& name) {
    return endsWith(name, ".kkr") && isStem(name.substr(0, name.size() - 4));
}

ReplayFolder::ReplayFolder(std::string dir, ReplayFolderLimits limits, SharedReplays shared)
    : dir_(std::move(dir)), limits_(limits), shared_(std::move(shared)) {
    struct Found {
        fs::file_time_type time;
        std::string name;
        std::uint64_t size;
    };
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code entry;
        if (!it->is_regular_file(entry)) {
            continue;
        }
        if (name.size() > 6 && name[0] == '.' && endsWith(name, ".part") &&
            isStem(name.substr(1, name.size() - 6))) {
            fs::remove(it->path(), entry);
            continue;
        }
        if (isSavedReplayName(name) || (shared_.owns && shared_.owns(name))) {
            const std::uint64_t size = it->file_size(entry);
            found.push_back({it->last_write_time(entry), name, entry ? 0 : size});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.time != b.time ? a.time < b.time : a.name < b.name;
    });
    for (const Found& f : found) {
        kept_.push_back({f.name, f.size});
        bytes_ += f.size;
    }
    prune();
}

bool ReplayFolder::save(const std::string& code, std::uint32_t match,
                        const std::vector<std::uint8_t>& bytes, std::string& path,
                        std::string& error) {
    // The event loops of one server (--threads) save into one folder.
    std::lock_guard<std::mutex> hold(lock_);
    std::string checked;
    if (!net::normalizeRoomCode(code, checked) || checked != code) {
        error = "not a room code";
        return false;
    }
    const std::string stem = code + "-" + std::to_string(match);
    // The temporary name is this run's own: exclusive create, a fresh number each time.
    std::string part;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
        part = dir_ + "/." + stem + "-" + std::to_string(++written_) + ".part";
        file = std::fopen(part.c_str(), "wbx");
    }
    if (file == nullptr) {
        error = "cannot create a file in " + dir_;
        return false;
    }
    const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    if (!wrote || !closed) {
        fs::remove(part, ec);
        error = "cannot write " + part;
        return false;
    }
    // The first free name: taken names fail the link, so nothing is ever replaced.
    std::string name;
    bool linked = false;
    const std::size_t attempts = limits_.maxFiles + 1000;
    for (std::size_t copy = 1; copy <= attempts && !linked; ++copy) {
        name = stem + (copy == 1 ? "" : "-" + std::to_string(copy)) + ".kkr";
        fs::create_hard_link(part, dir_ + "/" + name, ec);
        linked = !ec;
        if (ec && ec != std::errc::file_exists) {
            break;
        }
    }
    std::error_code ignored;
    fs::remove(part, ignored);
    if (!linked) {
        error = "cannot name " + stem + ".kkr in " + dir_ + (ec ? ": " + ec.message() : "");
        return false;
    }
    path = dir_ + "/" + name;
    kept_.push_back({name, bytes.size()});
    bytes_ += bytes.size();
    prune();
    return true;
}

void ReplayFolder::adopt(const std::string& name, std::uint64_t size) {
    kept_.push_back({name, size});
    bytes_ += size;
    prune();
}

void ReplayFolder::prune() {
    // The newest is always kept, whatever its size.
    while (kept_.size() > 1 && (kept_.size() > limits_.maxFiles || bytes_ > limits_.maxBytes)) {
        const std::string& oldest = kept_.front().name;
        if (shared_.owns && shared_.owns(oldest)) {
            // The other writer lets it go (its row first); one it cannot stays the oldest.
            if (!shared_.release(oldest)) {
                return;
            }
        } else {
            std::error_code ignored;
            fs::remove(dir_ + "/" + oldest, ignored);
        }
        bytes_ -= kept_.front().size;
        kept_.pop_front();
    }
}

} // namespace kokurin
