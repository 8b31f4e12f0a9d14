// Choosing the database from --db: a PostgreSQL URI, or a SQLite file (by default in the replay
// folder).
#include <filesystem>

#include "store/ranked_store.h"
#include "store/schema.h"
#include "store/sql_store.h"
#include "store/sqlite_connection.h"
#if defined(KOKURIN_STORE_POSTGRES)
#include "store/postgres_connection.h"
#endif

namespace kokurin {
namespace store {

std::string defaultDatabaseFile(const std::string& replayDir) {
    // In the replay folder itself: one folder holds all the server keeps, and two servers given
    // two folders never share a database by chance.
    std::string folder = replayDir;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return (std::filesystem::path(folder) / "kokurin.db").string();
}

bool isPostgresUrl(const std::string& database) {
    return database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0;
}

int currentSchemaVersion() {
    return newestSchemaVersion;
}

std::unique_ptr<RankedStore> openRankedStore(const StoreOptions& options) {
    if (isPostgresUrl(options.database)) {
#if defined(KOKURIN_STORE_POSTGRES)
        return makeSqlStore(openPostgres(options.database), options.replayDir);
#else
        throw StoreError("this server was built without PostgreSQL (libpq-dev)");
#endif
    }
    const std::string file =
        options.database.empty() ? defaultDatabaseFile(options.replayDir) : options.database;
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::error_code ignored;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    return makeSqlStore(openSqlite(file), options.replayDir);
}

} // namespace store
} // namespace kokurin
