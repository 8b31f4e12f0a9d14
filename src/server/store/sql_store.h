// RankedStore over a SqlConnection: the statements both databases share.
#pragma once

#include <memory>
#include <string>

#include "store/ranked_store.h"
#include "store/sql_connection.h"

namespace kokurin {
namespace store {

// Upgrades the schema to the newest and reconciles the replay folder. Throws StoreError.
std::unique_ptr<RankedStore> makeSqlStore(std::unique_ptr<SqlConnection> db,
                                          const std::string& replayDir);

} // namespace store
} // namespace kokurin
