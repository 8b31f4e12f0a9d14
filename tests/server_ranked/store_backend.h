// The database the store suite runs on, chosen on the command line (--backend=sqlite or
// --backend=postgres): each test gets a fresh, empty database and a replay folder of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/ranked_store.h"
#include "store/sql_connection.h"

namespace kokurin {
namespace test {

class StoreBackend {
  public:
    virtual ~StoreBackend() = default;
    virtual const char* name() const = 0;
    // A --db value naming a new empty database; its files (if any) go in folder.
    virtual std::string freshDatabase(const std::string& folder) = 0;
    // A connection of the store's own kind to it, for planting old schemas.
    virtual std::unique_ptr<store::SqlConnection> connect(const std::string& database) = 0;
};

// The suite's backend (set by main before the tests run).
StoreBackend& storeBackend();

// A fresh temporary folder, removed by the caller.
std::string temporaryFolder();

// A key's hash made from a word, for readable tests.
std::string keyHashOf(const std::string& word);

// The names of the replay files (match-*) in a folder, sorted.
std::vector<std::string> replayFilesIn(const std::string& folder);

} // namespace test
} // namespace kokurin
