// The store's SQL over PostgreSQL (libpq), for several server processes sharing one database.
#pragma once

#include <memory>
#include <string>

#include "store/sql_connection.h"

namespace kokurin {
namespace store {

// A libpq connection URI (postgresql://...). Throws StoreError.
std::unique_ptr<SqlConnection> openPostgres(const std::string& url);

} // namespace store
} // namespace kokurin
