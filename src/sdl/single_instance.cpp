// The single-instance lock: flock on POSIX systems, LockFileEx on Windows; either lock goes with
// the process, however it ends.
#include "sdl/single_instance.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kokurin {
namespace sdl {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

#ifdef _WIN32

std::wstring toWide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

#endif

} // namespace

std::string lockFilePath() {
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (!runtime.empty()) {
        return runtime + "/kokurin.lock";
    }
#ifdef _WIN32
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    std::string folder;
    if (length > 0) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, temp, -1, nullptr, 0, nullptr, nullptr);
        folder.resize(bytes > 0 ? bytes - 1 : 0);
        WideCharToMultiByte(CP_UTF8, 0, temp, -1, &folder[0], bytes, nullptr, nullptr);
    }
    wchar_t user[256] = {};
    DWORD userLength = 256;
    GetUserNameW(user, &userLength);
    std::string userName;
    const int userBytes = WideCharToMultiByte(CP_UTF8, 0, user, -1, nullptr, 0, nullptr, nullptr);
    userName.resize(userBytes > 0 ? userBytes - 1 : 0);
    WideCharToMultiByte(CP_UTF8, 0, user, -1, &userName[0], userBytes, nullptr, nullptr);
    return folder + "kokurin-" + userName + ".lock";
#else
    std::string folder = environment("TMPDIR");
    if (folder.empty()) {
        folder = "/tmp";
    }
    // The temporary folder is shared between users: each has a lock of their own.
    return folder + "/kokurin-" + std::to_string(getuid()) + ".lock";
#endif
}

bool lockForLife(const std::string& path) {
#ifdef _WIN32
    HANDLE file = CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "kokurin: cannot open the lock file %s\n", path.c_str());
        return true;
    }
    OVERLAPPED whole = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        // Only another holder stops the game; a file system without locks does not.
        return error != ERROR_LOCK_VIOLATION;
    }
    // The handle stays open, and the lock held, until the process ends.
    return true;
#else
    const int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (file < 0) {
        std::fprintf(stderr, "kokurin: cannot open the lock file %s\n", path.c_str());
        return true;
    }
    if (flock(file, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(file);
        // Only another holder stops the game; a file system without locks does not.
        return !held;
    }
    // The descriptor stays open, and the lock held, until the process ends.
    return true;
#endif
}

} // namespace sdl

bool claimSingleInstance() {
    return sdl::lockForLife(sdl::lockFilePath());
}

} // namespace kokurin
