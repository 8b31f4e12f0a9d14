// The store's tables, made and upgraded by the server itself: kokurin_schema holds the version
// a database is at, and each newer version is one step applied in order, in one transaction
// with the others, so that a database is never left between two versions.
#pragma once

#include "store/sql_connection.h"

namespace kokurin {
namespace store {

constexpr int newestSchemaVersion = 2;

// Brings the database to `target` (0: the newest). Throws StoreError, also for a database
// already past what this server knows (a newer server's). The caller holds an exclusive
// transaction.
void upgradeSchema(SqlConnection& db, int target);

// The version a database is at (0: empty).
int schemaVersion(SqlConnection& db);

} // namespace store
} // namespace kokurin
