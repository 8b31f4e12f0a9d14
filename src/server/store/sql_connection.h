// The little the store needs of a SQL database, so that one set of statements serves SQLite and
// PostgreSQL: statements with $1, $2 ... parameters, rows read as text, and transactions that
// keep writers apart from the start-up's reconciling of the replay folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "store/ranked_store.h"

namespace kokurin {
namespace store {

using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string>;

struct SqlRow {
    std::vector<std::optional<std::string>> cells;

    bool isNull(std::size_t column) const;
    std::string text(std::size_t column) const;
    std::int64_t integer(std::size_t column) const;
    double real(std::size_t column) const;
    std::optional<std::int64_t> optionalInteger(std::size_t column) const;
    std::optional<double> optionalReal(std::size_t column) const;
};

enum class SqlDialect { Sqlite, Postgres };

class SqlConnection {
  public:
    virtual ~SqlConnection() = default;
    virtual SqlDialect dialect() const = 0;
    // One statement; its rows. Throws StoreError.
    virtual std::vector<SqlRow> query(const std::string& sql,
                                      const std::vector<SqlValue>& parameters = {}) = 0;
    // Statements without parameters, separated by semicolons.
    virtual void script(const std::string& sql) = 0;
    // A transaction that writes: many may run at once (PostgreSQL), never beside an exclusive one.
    virtual void beginWrite() = 0;
    // The only transaction running (the schema's upgrade, the replay folder's reconciling).
    virtual void beginExclusive() = 0;
    virtual void commit() = 0;
    // Never throws: it runs after a failure.
    virtual void rollback() noexcept = 0;
};

} // namespace store
} // namespace kokurin
