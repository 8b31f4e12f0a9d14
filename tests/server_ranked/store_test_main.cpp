// The store suite's entry: --backend=sqlite|postgres picks the database every test runs on
// (PostgreSQL in a throwaway cluster; exit 77, a skip for ctest, only where PostgreSQL is not
// installed); --crash-child DB REPLAYS POINT is the process store_fault_test kills, which
// records one rated match and stops at POINT of the recording until it is killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "postgres_cluster.h"
#include "ranking/player_key.h"
#include "store/sqlite_connection.h"
#if defined(KOKURIN_STORE_POSTGRES)
#include "store/postgres_connection.h"
#endif
#include "store_backend.h"

namespace kokurin {
namespace test {

namespace {

class SqliteBackend : public StoreBackend {
  public:
    const char* name() const override { return "sqlite"; }
    std::string freshDatabase(const std::string& folder) override { return folder + "/kokurin.db"; }
    std::unique_ptr<store::SqlConnection> connect(const std::string& database) override {
        return store::openSqlite(database);
    }
};

#if defined(KOKURIN_STORE_POSTGRES)
class PostgresBackend : public StoreBackend {
  public:
    explicit PostgresBackend(PostgresCluster& cluster) : cluster_(cluster) {}
    const char* name() const override { return "postgres"; }
    std::string freshDatabase(const std::string&) override {
        const std::string name = "store_test_" + std::to_string(++made_);
        store::openPostgres(cluster_.url("postgres"))->script("CREATE DATABASE " + name);
        return cluster_.url(name);
    }
    std::unique_ptr<store::SqlConnection> connect(const std::string& database) override {
        return store::openPostgres(database);
    }

  private:
    PostgresCluster& cluster_;
    int made_ = 0;
};
#endif

StoreBackend* chosen = nullptr;

int crashChild(const std::string& database, const std::string& replays, const std::string& point) {
    store::StoreOptions options;
    options.database = database;
    options.replayDir = replays;
    std::unique_ptr<store::RankedStore> s = store::openRankedStore(options);
    const auto a = s->claimName(keyHashOf("a"), "a", 1000).player;
    const auto b = s->claimName(keyHashOf("b"), "b", 1000).player;
    s->setFaultHook([&](const char* at) {
        if (point == at) {
            std::printf("at %s\n", at);
            std::fflush(stdout);
            for (;;) {
                pause();
            }
        }
    });
    store::FinishedMatch match;
    match.seats[0] = {a->id, "a"};
    match.seats[1] = {b->id, "b"};
    match.winner = 0;
    match.frames = 600;
    match.finishedMs = 2000;
    match.rated = true;
    s->recordMatch(match, std::vector<std::uint8_t>(3000, 7));
    std::printf("done\n");
    return 0;
}

} // namespace

StoreBackend& storeBackend() {
    return *chosen;
}

std::string temporaryFolder() {
    char pattern[] = "/tmp/kokurin-store-test.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return pattern;
}

std::string keyHashOf(const std::string& word) {
    return ranking::sha256Hex(word);
}

std::vector<std::string> replayFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("match-", 0) == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace test
} // namespace kokurin

int main(int argc, char** argv) {
    using namespace kokurin::test;
    if (argc == 5 && std::strcmp(argv[1], "--crash-child") == 0) {
        return crashChild(argv[2], argv[3], argv[4]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    std::string backend = "sqlite";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--backend=", 10) == 0) {
            backend = argv[i] + 10;
        }
    }
    SqliteBackend sqlite;
    PostgresCluster cluster;
#if defined(KOKURIN_STORE_POSTGRES)
    PostgresBackend postgres(cluster);
#endif
    if (backend == "postgres") {
#if defined(KOKURIN_STORE_POSTGRES)
        if (PostgresCluster::binaryFolder().empty()) {
            std::printf("PostgreSQL is not installed: skipped\n");
            return 77;
        }
        std::string error;
        if (!cluster.start(error)) {
            std::fprintf(stderr, "store tests: %s\n", error.c_str());
            return 1;
        }
        chosen = &postgres;
#else
        std::printf("built without libpq: skipped\n");
        return 77;
#endif
    } else if (backend == "sqlite") {
        chosen = &sqlite;
    } else {
        std::fprintf(stderr, "store tests: --backend=sqlite or --backend=postgres\n");
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    cluster.stop();
    return result;
}
