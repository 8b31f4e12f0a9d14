// The server's JSON API for the web page's ranked views (docs/api.md): the leaderboard, a
// player's page, recent matches, one match, the matches being played and the replay files. A
// function of the request's target alone, given the store and the lobby's live matches; the
// network code sends what it answers (for a replay, the file the store's row names).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "api/answer_cache.h"
#include "store/ranked_store.h"

namespace kokurin {
namespace api {

struct LiveMatch {
    std::string room;
    std::string names[2];
    bool rated = false;
    std::uint32_t spectators = 0;
    std::int64_t startedMs = 0;
};

// The matches being played now (the lobby).
class LiveMatchSource {
  public:
    virtual ~LiveMatchSource() = default;
    virtual std::vector<LiveMatch> liveMatches() = 0;
};

struct ApiAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
    // Set for a replay: the file to send as the body, chosen by the store's row.
    std::string filePath;
    std::string cacheControl;
    // Set for a replay: its download name.
    std::string contentDisposition;
};

struct ApiOptions {
    std::int64_t cacheMs = 2000;
    std::size_t cacheEntries = 512;
    std::size_t cacheBytes = 4u << 20;
    // Rows a page shows when the request does not say; more than maximumPageRows are never sent.
    std::size_t defaultLimit = 20;
    // Longer targets are refused (414).
    std::size_t maximumTarget = 512;
    std::size_t maximumLive = 100;
};

class RankedApi {
  public:
    RankedApi(store::RankedStore& store, LiveMatchSource& live, ApiOptions options = {});

    // Whether the target (path and query, as the request line has it) is the API's.
    static bool handles(const std::string& target);

    // The answer to GET of the target at nowMs (a clock in milliseconds).
    ApiAnswer answer(const std::string& target, std::int64_t nowMs);

  private:
    ApiAnswer compute(const std::string& path, const std::string& query);

    store::RankedStore& store_;
    LiveMatchSource& live_;
    ApiOptions options_;
    std::mutex mutex_;
    AnswerCache<ApiAnswer> cache_;
};

} // namespace api
} // namespace kokurin
