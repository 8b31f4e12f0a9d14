// PostgreSQL through libpq: parameters sent as text for the server to type from their places,
// rows read as text (PostgreSQL writes floats with every digit that counts). Writers hold a
// shared advisory lock for their transaction and the start-up's reconciling an exclusive one, so
// that a process starting never mistakes another's replay in the making for a leftover. A
// connection lost between transactions is made again once.
#include "store/postgres_connection.h"

#include <libpq-fe.h>

#include <cstdio>

namespace kokurin {
namespace store {

namespace {

// "kokurin" in ASCII: the advisory lock the store's writers and reconciler share.
constexpr const char* lockKey = "30240329830656366";

class PostgresConnection : public SqlConnection {
  public:
    explicit PostgresConnection(const std::string& url) : url_(url) { connect(); }

    ~PostgresConnection() override { PQfinish(db_); }

    SqlDialect dialect() const override { return SqlDialect::Postgres; }

    std::vector<SqlRow> query(const std::string& sql,
                              const std::vector<SqlValue>& parameters) override {
        std::vector<std::string> texts(parameters.size());
        std::vector<const char*> values(parameters.size(), nullptr);
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            const SqlValue& value = parameters[i];
            if (std::holds_alternative<std::int64_t>(value)) {
                texts[i] = std::to_string(std::get<std::int64_t>(value));
            } else if (std::holds_alternative<double>(value)) {
                char text[40];
                std::snprintf(text, sizeof text, "%.17g", std::get<double>(value));
                texts[i] = text;
            } else if (std::holds_alternative<std::string>(value)) {
                texts[i] = std::get<std::string>(value);
            } else {
                continue;
            }
            values[i] = texts[i].c_str();
        }
        PGresult* result = run([&] {
            return PQexecParams(db_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                values.data(), nullptr, nullptr, 0);
        });
        std::vector<SqlRow> rows;
        const int count = PQntuples(result);
        const int columns = PQnfields(result);
        for (int r = 0; r < count; ++r) {
            SqlRow row;
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(result, r, c)) {
                    row.cells.emplace_back();
                } else {
                    row.cells.emplace_back(
                        std::string(PQgetvalue(result, r, c),
                                    static_cast<std::size_t>(PQgetlength(result, r, c))));
                }
            }
            rows.push_back(std::move(row));
        }
        PQclear(result);
        return rows;
    }

    void script(const std::string& sql) override {
        PQclear(run([&] { return PQexec(db_, sql.c_str()); }));
    }

    void beginWrite() override {
        script("BEGIN");
        inTransaction_ = true;
        script(std::string("SELECT pg_advisory_xact_lock_shared(") + lockKey + ")");
    }

    void beginExclusive() override {
        script("BEGIN");
        inTransaction_ = true;
        script(std::string("SELECT pg_advisory_xact_lock(") + lockKey + ")");
    }

    void commit() override {
        inTransaction_ = false;
        script("COMMIT");
    }

    void rollback() noexcept override {
        if (inTransaction_ && PQstatus(db_) == CONNECTION_OK) {
            PQclear(PQexec(db_, "ROLLBACK"));
        }
        inTransaction_ = false;
    }

  private:
    void connect() {
        db_ = PQconnectdb(url_.c_str());
        if (PQstatus(db_) != CONNECTION_OK) {
            const std::string why = PQerrorMessage(db_);
            PQfinish(db_);
            db_ = nullptr;
            throw StoreError("cannot reach the database: " + trimmed(why));
        }
        // The schema's CREATE ... IF NOT EXISTS and the like would say so on stderr.
        PQsetNoticeProcessor(
            db_, [](void*, const char*) {}, nullptr);
    }

    template <class Call> PGresult* run(Call call) {
        // A server restarted between transactions: one new connection, then the statement.
        if (!inTransaction_ && PQstatus(db_) != CONNECTION_OK) {
            PQreset(db_);
        }
        PGresult* result = call();
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string why = PQresultErrorMessage(result);
            PQclear(result);
            throw StoreError("database: " + trimmed(why));
        }
        return result;
    }

    static std::string trimmed(std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
            text.pop_back();
        }
        return text;
    }

    std::string url_;
    PGconn* db_ = nullptr;
    bool inTransaction_ = false;
};

} // namespace

std::unique_ptr<SqlConnection> openPostgres(const std::string& url) {
    return std::make_unique<PostgresConnection>(url);
}

} // namespace store
} // namespace kokurin
