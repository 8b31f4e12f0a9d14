// POSIX file calls, for the fsyncs: a replay's bytes reach the disk before its name does, and
// its name before the row that points at it is committed.
#include "store/replay_files.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/ranked_store.h"

namespace kokurin {
namespace store {

namespace {

const char* const prefix = "match-";
const char* const suffix = ".kkr";
const char* const temporarySuffix = ".tmp";

[[noreturn]] void failFile(const std::string& what, const std::string& path) {
    throw StoreError(what + " " + path + ": " + std::strerror(errno));
}

void syncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        failFile("cannot open the folder", dir);
    }
    const int synced = ::fsync(fd);
    ::close(fd);
    if (synced != 0) {
        failFile("cannot sync the folder", dir);
    }
}

void makeFolder(const std::string& dir) {
    // Each missing parent too, as mkdir -p.
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            failFile("cannot make the folder", part);
        }
        if (slash == std::string::npos) {
            break;
        }
    }
}

} // namespace

std::string replayFileName(std::int64_t matchId) {
    return prefix + std::to_string(matchId) + suffix;
}

std::string temporaryName(const std::string& fileName) {
    return fileName + temporarySuffix;
}

std::optional<StoreFile> storeFileOf(const std::string& name) {
    const std::size_t prefixSize = std::strlen(prefix);
    if (name.compare(0, prefixSize, prefix) != 0) {
        return std::nullopt;
    }
    std::size_t end = prefixSize;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9') {
        ++end;
    }
    const std::size_t digits = end - prefixSize;
    if (digits == 0 || digits > 18 || name[prefixSize] == '0') {
        return std::nullopt;
    }
    const std::string rest = name.substr(end);
    StoreFile file;
    if (rest == suffix) {
        file.temporary = false;
    } else if (rest == std::string(suffix) + temporarySuffix) {
        file.temporary = true;
    } else {
        return std::nullopt;
    }
    file.matchId = std::stoll(name.substr(prefixSize, digits));
    file.name = name;
    return file;
}

std::vector<StoreFile> listStoreFiles(const std::string& dir) {
    makeFolder(dir);
    DIR* folder = ::opendir(dir.c_str());
    if (folder == nullptr) {
        failFile("cannot read the folder", dir);
    }
    std::vector<StoreFile> files;
    while (const dirent* entry = ::readdir(folder)) {
        if (const std::optional<StoreFile> file = storeFileOf(entry->d_name)) {
            files.push_back(*file);
        }
    }
    ::closedir(folder);
    return files;
}

void writeTemporary(const std::string& dir, const std::string& fileName,
                    const std::vector<std::uint8_t>& bytes) {
    makeFolder(dir);
    const std::string path = dir + "/" + temporaryName(fileName);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        failFile("cannot write", path);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(path.c_str());
            errno = saved;
            failFile("cannot write", path);
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int saved = errno;
        ::unlink(path.c_str());
        errno = saved;
        failFile("cannot write", path);
    }
}

void publishTemporary(const std::string& dir, const std::string& fileName) {
    const std::string from = dir + "/" + temporaryName(fileName);
    const std::string to = dir + "/" + fileName;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        failFile("cannot rename", from);
    }
    syncFolder(dir);
}

std::string replayFolderToken(const std::string& dir) {
    makeFolder(dir);
    const std::string path = dir + "/.kokurin-replays";
    // Made whole under a temporary name and linked in, so that of two processes starting at
    // once one token wins and both read it.
    std::random_device entropy;
    std::string token;
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < 32; ++i) {
        token.push_back(digits[entropy() % 16]);
    }
    const std::string made = path + "." + token;
    const int fd = ::open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const bool written = ::write(fd, token.data(), token.size()) ==
                                 static_cast<ssize_t>(token.size()) &&
                             ::fsync(fd) == 0;
        ::close(fd);
        if (written && ::link(made.c_str(), path.c_str()) == 0) {
            syncFolder(dir);
        }
        ::unlink(made.c_str());
    }
    char read[33] = {};
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t got = in >= 0 ? ::read(in, read, 32) : -1;
    if (in >= 0) {
        ::close(in);
    }
    if (got != 32 || std::strspn(read, digits) != 32) {
        failFile("cannot read the replay folder's name", path);
    }
    return std::string(read, 32);
}

bool replayFileExists(const std::string& dir, const std::string& fileName) {
    struct stat info;
    const std::string path = dir + "/" + fileName;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool removeFile(const std::string& dir, const std::string& fileName) {
    const std::string path = dir + "/" + fileName;
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

} // namespace store
} // namespace kokurin
