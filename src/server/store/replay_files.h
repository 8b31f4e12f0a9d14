// The store's replay files: match-ID.kkr in the replay folder, written whole under a temporary
// name (match-ID.kkr.tmp) and renamed once the bytes are on the disk. Files of any other name
// (the lobby's own, a person's) are never touched.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kokurin {
namespace store {

std::string replayFileName(std::int64_t matchId);
std::string temporaryName(const std::string& fileName);

// The match id of a store's replay file (final or temporary), with which of the two it is.
struct StoreFile {
    std::int64_t matchId = 0;
    bool temporary = false;
    std::string name;
};
std::optional<StoreFile> storeFileOf(const std::string& name);

// The store's files in the folder (made when missing). Throws StoreError.
std::vector<StoreFile> listStoreFiles(const std::string& dir);

// Writes the temporary and makes it durable. Throws StoreError.
void writeTemporary(const std::string& dir, const std::string& fileName,
                    const std::vector<std::uint8_t>& bytes);
// The temporary to its final name, and the folder's entry made durable. Throws StoreError.
void publishTemporary(const std::string& dir, const std::string& fileName);

// The folder's name for itself (.kokurin-replays, 32 random hex digits, made on first use): a
// row notes the folder its replay went to, so that processes sharing a database but not a
// folder never take each other's replays for missing. Throws StoreError.
std::string replayFolderToken(const std::string& dir);

bool replayFileExists(const std::string& dir, const std::string& fileName);
// Removes the file if it is there; false when it is there and stays.
bool removeFile(const std::string& dir, const std::string& fileName);

} // namespace store
} // namespace kokurin
