// Each step is bounded: initdb and pg_ctl run under timeout(1), and pg_ctl waits for the
// server with its own limit.
#include "postgres_cluster.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kokurin {
namespace test {

namespace {

const char* const socketPort = "5432";

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// The command as the postgres user when we are root.
std::string asPostgres(const std::string& command) {
    return geteuid() == 0 ? "runuser -u postgres -- " + command : command;
}

} // namespace

std::string PostgresCluster::binaryFolder() {
    // Debian keeps each major version's programs in /usr/lib/postgresql/VERSION/bin: the newest.
    std::string best;
    int bestVersion = -1;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ignored)) {
        const std::string bin = entry.path().string() + "/bin";
        const int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion && std::filesystem::exists(bin + "/initdb", ignored) &&
            std::filesystem::exists(bin + "/pg_ctl", ignored)) {
            best = bin;
            bestVersion = version;
        }
    }
    return best;
}

bool PostgresCluster::start(std::string& error) {
    const std::string bin = binaryFolder();
    if (bin.empty()) {
        error = "PostgreSQL is not installed";
        return false;
    }
    char pattern[] = "/tmp/kokurin-pg.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error = "cannot make a temporary folder";
        return false;
    }
    folder_ = pattern;
    if (geteuid() == 0) {
        const passwd* user = getpwnam("postgres");
        if (user == nullptr || chown(folder_.c_str(), user->pw_uid, user->pw_gid) != 0) {
            error = "no postgres user to run the cluster as";
            std::filesystem::remove_all(folder_);
            folder_.clear();
            return false;
        }
    }
    // The guard: a shell that waits for end of file on its input (this process's end of the
    // pipe closing, also by its death), then stops the cluster and removes the folder.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = "cannot make a pipe";
        return false;
    }
    const std::string data = folder_ + "/data";
    const std::string stopCommand = asPostgres("timeout 60 " + bin + "/pg_ctl -D " +
                                               shellQuoted(data) + " -m immediate -w stop") +
                                    " >/dev/null 2>&1; rm -rf " + shellQuoted(folder_);
    guard_ = fork();
    if (guard_ == 0) {
        dup2(ends[0], 0);
        setsid();
        execl("/bin/sh", "sh", "-c", ("cat >/dev/null; " + stopCommand).c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[0]);
    guardPipe_ = ends[1];
    const std::string log = shellQuoted(folder_ + "/log");
    const std::string init = asPostgres("timeout 120 " + bin + "/initdb -D " + shellQuoted(data) +
                                        " -U postgres -A trust --no-sync --no-locale -E UTF8") +
                             " >" + log + " 2>&1";
    if (std::system(init.c_str()) != 0) {
        error = "initdb failed (see " + folder_ + "/log)";
        return false;
    }
    const std::string options =
        "-k " + folder_ + " -c listen_addresses= -p " + socketPort + " -F -c max_connections=40";
    const std::string run = asPostgres("timeout 120 " + bin + "/pg_ctl -D " + shellQuoted(data) +
                                       " -l " + shellQuoted(folder_ + "/server.log") +
                                       " -w -t 90 -o " + shellQuoted(options) + " start") +
                            " >>" + log + " 2>&1";
    if (std::system(run.c_str()) != 0) {
        error = "the cluster did not start (see " + folder_ + "/server.log)";
        return false;
    }
    return true;
}

void PostgresCluster::stop() {
    if (guardPipe_ >= 0) {
        close(guardPipe_);
        guardPipe_ = -1;
    }
    if (guard_ > 0) {
        int status = 0;
        waitpid(guard_, &status, 0);
        guard_ = -1;
    }
}

std::string PostgresCluster::url(const std::string& database) const {
    return "postgresql://postgres@/" + database + "?host=" + folder_ + "&port=" + socketPort;
}

} // namespace test
} // namespace kokurin
