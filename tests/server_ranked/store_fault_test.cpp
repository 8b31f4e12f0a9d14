// A server killed (SIGKILL) at each step of saving a match leaves, once the store is opened
// again, either the row, the ratings and the replay file all together or none of them.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "store_backend.h"

extern char** environ;

namespace kokurin {
namespace test {

namespace {

// Runs this test program as the crash child and reads its output until `line` (or its end, or
// a minute): what it printed.
std::string runChildUntil(const std::vector<std::string>& args, const std::string& line,
                          pid_t& pid) {
    int out[2];
    if (pipe(out) != 0) {
        return "no pipe";
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    if (spawned != 0) {
        close(out[0]);
        pid = -1;
        return "not started";
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (text.find(line) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd wait = {out[0], POLLIN, 0};
        if (poll(&wait, 1, 1000) <= 0) {
            continue;
        }
        char buffer[256];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    return text;
}

} // namespace

TEST(StoreFault, AKillAtAnyStepOfSavingLeavesTheMatchWholeOrNotAtAll) {
    for (const char* point : {"row-inserted", "temp-written", "renamed", "committed"}) {
        SCOPED_TRACE(point);
        const std::string folder = temporaryFolder();
        const std::string replays = folder + "/replays";
        const std::string database = storeBackend().freshDatabase(folder);
        pid_t child = -1;
        const std::string said =
            runChildUntil({"store-crash-child", "--crash-child", database, replays, point},
                          std::string("at ") + point, child);
        ASSERT_NE(said.find(std::string("at ") + point), std::string::npos) << said;
        const std::vector<std::string> files = replayFilesIn(replays);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        store::StoreOptions options;
        options.database = database;
        options.replayDir = replays;
        std::unique_ptr<store::RankedStore> s = store::openRankedStore(options);
        const bool kept = std::string(point) == "committed";
        const auto a = s->playerByName("a");
        ASSERT_TRUE(a);
        store::MatchQuery all;
        EXPECT_EQ(s->matches(all).size(), kept ? 1u : 0u);
        EXPECT_EQ(a->ratedGames, kept ? 1 : 0);
        EXPECT_EQ(a->rating.rating > 1500.0, kept);
        EXPECT_EQ(s->playerPage("a", 1)->history.size(), kept ? 1u : 0u);
        EXPECT_EQ(replayFilesIn(replays).size(), kept ? 1u : 0u);
        if (kept) {
            EXPECT_TRUE(s->replayPath(s->matches(all)[0].id));
        }
        // What the kill left on the disk, and what the start cleared.
        const store::ReconcileReport report = s->reconcileReport();
        const std::string expectedFiles = std::string(point) == "row-inserted"   ? ""
                                          : std::string(point) == "temp-written" ? "match-1.kkr.tmp"
                                                                                 : "match-1.kkr";
        EXPECT_EQ(files.empty() ? std::string() : files[0], expectedFiles);
        EXPECT_EQ(report.temporariesRemoved, std::string(point) == "temp-written" ? 1 : 0);
        EXPECT_EQ(report.orphansRemoved, std::string(point) == "renamed" ? 1 : 0);
        s.reset();
        std::filesystem::remove_all(folder);
    }
}

} // namespace test
} // namespace kokurin
