// kokurin-sim's tournament runner. The game keeps state in globals (the shared generator, entry
// 8's turn count, scratch buffers), so matches never share a process's threads: with --jobs J,
// J forked worker processes each play every J-th match and send their rows through a pipe; the
// parent puts them back in match order, so the output does not depend on J.
#include <cerrno>
#include <cstring>

#include "tournament.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kokurin {

namespace {

const char* const csvHeader = "seed,first,second,winner,frames\n";

// "\r<done> / <total> matches" on a terminal, rewritten when the percentage moves.
class Progress {
  public:
    Progress(std::FILE* out, long total) : out_(out), total_(total) {}
    void advance(long done) {
        if (out_ == nullptr) {
            return;
        }
        const long percent = done * 100 / total_;
        if (percent != shown_) {
            shown_ = percent;
            std::fprintf(out_, "\rkokurin-sim: %ld / %ld matches (%ld%%)", done, total_, percent);
            std::fflush(out_);
        }
    }
    void finish() {
        if (out_ != nullptr) {
            std::fputc('\n', out_);
        }
    }

  private:
    std::FILE* out_;
    long total_;
    long shown_ = -1;
};

bool runInProcess(const TournamentOptions& options, long total, std::FILE* out,
                  Progress& progress) {
    for (long i = 0; i < total; ++i) {
        const MatchResult result =
            playTournamentMatch(tournamentMatchAt(options, i), options.frameLimit);
        std::fputs(resultRow(result).c_str(), out);
        progress.advance(i + 1);
    }
    return true;
}

#if !defined(_WIN32)

bool writeAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = write(fd, text.data() + sent, text.size() - sent);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::string rows;
    std::size_t lines = 0;
};

bool runInWorkers(const TournamentOptions& options, long total, int jobs, std::FILE* out,
                  Progress& progress, std::string& error) {
    std::fflush(out);
    std::vector<Worker> workers(static_cast<std::size_t>(jobs));
    for (int w = 0; w < jobs; ++w) {
        int ends[2];
        if (pipe(ends) != 0) {
            error = std::string("cannot make a pipe: ") + std::strerror(errno);
            return false;
        }
        const pid_t pid = fork();
        if (pid < 0) {
            error = std::string("cannot start a worker: ") + std::strerror(errno);
            return false;
        }
        if (pid == 0) {
            close(ends[0]);
            for (int earlier = 0; earlier < w; ++earlier) {
                close(workers[static_cast<std::size_t>(earlier)].fd);
            }
            for (long i = w; i < total; i += jobs) {
                const MatchResult result =
                    playTournamentMatch(tournamentMatchAt(options, i), options.frameLimit);
                if (!writeAll(ends[1], resultRow(result))) {
                    _exit(3);
                }
            }
            _exit(0);
        }
        close(ends[1]);
        workers[static_cast<std::size_t>(w)].pid = pid;
        workers[static_cast<std::size_t>(w)].fd = ends[0];
    }

    // Read every pipe as rows arrive, so that no worker waits on a full pipe.
    long done = 0;
    std::vector<pollfd> open;
    for (;;) {
        open.clear();
        for (const Worker& worker : workers) {
            if (worker.fd >= 0) {
                open.push_back({worker.fd, POLLIN, 0});
            }
        }
        if (open.empty()) {
            break;
        }
        if (poll(open.data(), open.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::string("cannot wait for the workers: ") + std::strerror(errno);
            return false;
        }
        for (Worker& worker : workers) {
            if (worker.fd < 0) {
                continue;
            }
            for (const pollfd& p : open) {
                if (p.fd != worker.fd || p.revents == 0) {
                    continue;
                }
                char buffer[4096];
                const ssize_t n = read(worker.fd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    close(worker.fd);
                    worker.fd = -1;
                    continue;
                }
                worker.rows.append(buffer, static_cast<std::size_t>(n));
                for (ssize_t k = 0; k < n; ++k) {
                    if (buffer[k] == '\n') {
                        ++worker.lines;
                        ++done;
                    }
                }
                progress.advance(done);
            }
        }
    }

    bool failed = false;
    for (int w = 0; w < jobs; ++w) {
        Worker& worker = workers[static_cast<std::size_t>(w)];
        int status = 0;
        while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
        const long expected = (total - w + jobs - 1) / jobs;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
            static_cast<long>(worker.lines) != expected) {
            failed = true;
        }
    }
    if (failed) {
        error = "a worker process failed before playing its matches";
        return false;
    }

    // Match i is the (i / jobs)-th row of worker i % jobs.
    std::vector<std::size_t> cursor(static_cast<std::size_t>(jobs), 0);
    for (long i = 0; i < total; ++i) {
        const std::size_t w = static_cast<std::size_t>(i % jobs);
        const std::string& rows = workers[w].rows;
        const std::size_t end = rows.find('\n', cursor[w]);
        std::fwrite(rows.data() + cursor[w], 1, end + 1 - cursor[w], out);
        cursor[w] = end + 1;
    }
    return true;
}

#endif

} // namespace

bool runTournament(const TournamentOptions& options, std::FILE* out, std::FILE* progressOut,
                   std::string& error) {
    const long total = options.seeds * matchesPerSeed(options);
    Progress progress(progressOut, total);
    std::fputs(csvHeader, out);
    bool ok = true;
#if defined(_WIN32)
    // No fork: the matches run one after another in this process (the same rows).
    ok = runInProcess(options, total, out, progress);
#else
    const int jobs = static_cast<int>(options.jobs < total ? options.jobs : total);
    if (jobs <= 1) {
        ok = runInProcess(options, total, out, progress);
    } else {
        ok = runInWorkers(options, total, jobs, out, progress, error);
    }
#endif
    progress.finish();
    std::fflush(out);
    return ok;
}

int tournamentMain(const std::vector<std::string>& args) {
    TournamentOptions options;
    std::string error;
    if (!parseTournamentOptions(args, options, error)) {
        std::fprintf(stderr, "kokurin-sim: %s\n(try --tournament --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(tournamentUsage(), stdout);
        return 0;
    }
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
    const bool terminal = _isatty(_fileno(stderr)) != 0;
#else
    const bool terminal = isatty(fileno(stderr)) != 0;
#endif
    if (!runTournament(options, stdout, terminal ? stderr : nullptr, error)) {
        std::fprintf(stderr, "kokurin-sim: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace kokurin
