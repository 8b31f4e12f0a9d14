// The store's SQL over one SQLite file in WAL mode (libsqlite3).
#pragma once

#include <memory>
#include <string>

#include "store/sql_connection.h"

namespace kokurin {
namespace store {

// Opens or creates the file. Throws StoreError.
std::unique_ptr<SqlConnection> openSqlite(const std::string& path);

} // namespace store
} // namespace kokurin
