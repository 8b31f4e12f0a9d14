// SQLite: statements prepared once and kept, $N parameters bound by their names, every cell
// read back as text (reals with all 17 digits, so that a rating reads back exactly). Writers
// take the file's write lock at BEGIN (IMMEDIATE), which also keeps them apart from the
// start-up's reconciling.
#include "store/sqlite_connection.h"

#include <sqlite3.h>

#include <cstdio>
#include <map>

namespace kokurin {
namespace store {

namespace {

class SqliteConnection : public SqlConnection {
  public:
    explicit SqliteConnection(const std::string& path) {
        const int opened = sqlite3_open_v2(path.c_str(), &db_,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (opened != SQLITE_OK) {
            const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            db_ = nullptr;
            throw StoreError("cannot open the database " + path + ": " + why);
        }
        // Another process (a second server on the same file, a backup) may hold the lock a while.
        sqlite3_busy_timeout(db_, 15000);
        try {
            script("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON");
            const std::vector<SqlRow> mode = query("PRAGMA journal_mode", {});
            if (mode.empty() || mode[0].text(0) != "wal") {
                throw StoreError("the database " + path + " cannot be put in WAL mode");
            }
        } catch (...) {
            close();
            throw;
        }
    }

    ~SqliteConnection() override { close(); }

    SqlDialect dialect() const override { return SqlDialect::Sqlite; }

    std::vector<SqlRow> query(const std::string& sql,
                              const std::vector<SqlValue>& parameters) override {
        sqlite3_stmt* statement = prepared(sql);
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            const std::string name = "$" + std::to_string(i + 1);
            const int index = sqlite3_bind_parameter_index(statement, name.c_str());
            if (index == 0) {
                continue;
            }
            const SqlValue& value = parameters[i];
            int bound = SQLITE_OK;
            if (std::holds_alternative<std::int64_t>(value)) {
                bound = sqlite3_bind_int64(statement, index, std::get<std::int64_t>(value));
            } else if (std::holds_alternative<double>(value)) {
                bound = sqlite3_bind_double(statement, index, std::get<double>(value));
            } else if (std::holds_alternative<std::string>(value)) {
                const std::string& text = std::get<std::string>(value);
                bound = sqlite3_bind_text(statement, index, text.data(),
                                          static_cast<int>(text.size()), SQLITE_TRANSIENT);
            } else {
                bound = sqlite3_bind_null(statement, index);
            }
            if (bound != SQLITE_OK) {
                fail("binding a value");
            }
        }
        std::vector<SqlRow> rows;
        for (;;) {
            const int step = sqlite3_step(statement);
            if (step == SQLITE_DONE) {
                break;
            }
            if (step != SQLITE_ROW) {
                sqlite3_reset(statement);
                fail("running a statement");
            }
            SqlRow row;
            const int columns = sqlite3_column_count(statement);
            for (int c = 0; c < columns; ++c) {
                row.cells.push_back(cell(statement, c));
            }
            rows.push_back(std::move(row));
        }
        sqlite3_reset(statement);
        return rows;
    }

    void script(const std::string& sql) override {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error != nullptr ? error : "unknown error";
            sqlite3_free(error);
            throw StoreError("database: " + why);
        }
    }

    void beginWrite() override { script("BEGIN IMMEDIATE"); }
    void beginExclusive() override { script("BEGIN IMMEDIATE"); }
    void commit() override { script("COMMIT"); }
    void rollback() noexcept override {
        if (sqlite3_get_autocommit(db_) == 0) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }

  private:
    void close() {
        for (auto& entry : statements_) {
            sqlite3_finalize(entry.second);
        }
        statements_.clear();
        sqlite3_close(db_);
        db_ = nullptr;
    }

    sqlite3_stmt* prepared(const std::string& sql) {
        auto found = statements_.find(sql);
        if (found != statements_.end()) {
            return found->second;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement,
                               nullptr) != SQLITE_OK) {
            fail("preparing a statement");
        }
        statements_[sql] = statement;
        return statement;
    }

    static std::optional<std::string> cell(sqlite3_stmt* statement, int column) {
        switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL:
            return std::nullopt;
        case SQLITE_INTEGER:
            return std::to_string(sqlite3_column_int64(statement, column));
        case SQLITE_FLOAT: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", sqlite3_column_double(statement, column));
            return std::string(text);
        }
        default: {
            const auto* bytes =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            const int size = sqlite3_column_bytes(statement, column);
            return std::string(bytes != nullptr ? bytes : "", static_cast<std::size_t>(size));
        }
        }
    }

    [[noreturn]] void fail(const char* what) {
        throw StoreError(std::string("database: ") + what + ": " + sqlite3_errmsg(db_));
    }

    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

} // namespace

std::unique_ptr<SqlConnection> openSqlite(const std::string& path) {
    return std::make_unique<SqliteConnection>(path);
}

} // namespace store
} // namespace kokurin
