// kokurin-sim's tournament runner. Every match is a value of its own (its generator, entry 8's
// turn count and scratch space included), so with --jobs J, J threads play the matches side by
// side; the rows are written in match order, so the output does not depend on J.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tournament.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
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

// J threads take the matches in turn from one counter; each row is kept at its match's place
// and written once every match before it is done, so the output does not depend on J.
bool runOnThreads(const TournamentOptions& options, long total, int jobs, std::FILE* out,
                  Progress& progress) {
    std::vector<std::string> rows(static_cast<std::size_t>(total));
    std::vector<char> done(static_cast<std::size_t>(total), 0);
    std::atomic<long> next{0};
    std::mutex finished;
    std::condition_variable oneMore;
    std::vector<std::thread> workers;
    for (int w = 0; w < jobs; ++w) {
        workers.emplace_back([&] {
            for (long i = next++; i < total; i = next++) {
                std::string row =
                    resultRow(playTournamentMatch(tournamentMatchAt(options, i),
                                                  options.frameLimit));
                std::lock_guard<std::mutex> lock(finished);
                rows[static_cast<std::size_t>(i)] = std::move(row);
                done[static_cast<std::size_t>(i)] = 1;
                oneMore.notify_one();
            }
        });
    }
    long written = 0;
    {
        std::unique_lock<std::mutex> lock(finished);
        while (written < total) {
            oneMore.wait(lock, [&] { return done[static_cast<std::size_t>(written)] != 0; });
            while (written < total && done[static_cast<std::size_t>(written)] != 0) {
                std::string& row = rows[static_cast<std::size_t>(written)];
                std::fputs(row.c_str(), out);
                std::string().swap(row);
                ++written;
            }
            progress.advance(written);
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    return true;
}

} // namespace

bool runTournament(const TournamentOptions& options, std::FILE* out, std::FILE* progressOut,
                   std::string& error) {
    const long total = options.seeds * matchesPerSeed(options);
    Progress progress(progressOut, total);
    std::fputs(csvHeader, out);
    const int jobs = static_cast<int>(options.jobs < total ? options.jobs : total);
    const bool ok = jobs <= 1 ? runInProcess(options, total, out, progress)
                              : runOnThreads(options, total, jobs, out, progress);
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
