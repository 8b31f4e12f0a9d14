// Every part of the target is checked before the store is asked: the path against the known
// routes, each query parameter against the route's own (any other, or one given twice, is
// refused), numbers as plain digits, names by the name rules. Only answers that can be asked
// again (found or not found) are kept in the cache; a refused request and a database failure
// never are.
#include "api/ranked_api.h"

#include <cstdint>
#include <map>
#include <set>

#include "api/json_writer.h"
#include "net/player_name.h"

namespace kokurin {
namespace api {

namespace {

const char* const jsonType = "application/json; charset=utf-8";
const char* const prefix = "/api/";

struct Refusal {
    int status;
    std::string why;
};

ApiAnswer jsonAnswer(int status, std::string body) {
    ApiAnswer answer;
    answer.status = status;
    answer.contentType = jsonType;
    answer.body = std::move(body);
    answer.body.push_back('\n');
    // The page asks again when it wants newer; the server's cache keeps the load down.
    answer.cacheControl = "no-cache";
    return answer;
}

ApiAnswer errorAnswer(int status, const std::string& why) {
    JsonWriter json;
    json.beginObject().key("error").string(why).endObject();
    return jsonAnswer(status, json.text());
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// %XX decoded (and + as a space in a query, as forms and URLSearchParams write it).
bool percentDecode(const std::string& in, bool plusIsSpace, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '%') {
            if (i + 2 >= in.size()) {
                return false;
            }
            const int high = hexDigit(in[i + 1]);
            const int low = hexDigit(in[i + 2]);
            if (high < 0 || low < 0) {
                return false;
            }
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else if (in[i] == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(in[i]);
        }
    }
    return true;
}

// Plain digits, at most 18 of them.
bool parseNumber(const std::string& text, std::int64_t& value) {
    if (text.empty() || text.size() > 18) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

using Parameters = std::map<std::string, std::string>;

Parameters parseQuery(const std::string& query, const std::set<std::string>& allowed) {
    Parameters values;
    std::size_t start = 0;
    while (start < query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) {
            end = query.size();
        }
        const std::string pair = query.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) {
            continue;
        }
        const std::size_t equals = pair.find('=');
        std::string name;
        std::string value;
        if (!percentDecode(pair.substr(0, equals), true, name) ||
            (equals != std::string::npos && !percentDecode(pair.substr(equals + 1), true, value))) {
            throw Refusal{400, "a query parameter is not percent-encoded correctly"};
        }
        if (allowed.count(name) == 0) {
            throw Refusal{400, "unknown query parameter"};
        }
        if (!values.emplace(name, value).second) {
            throw Refusal{400, "a query parameter is given twice"};
        }
    }
    return values;
}

// A count parameter: absent or empty gives the default; larger than the cap, the cap.
std::int64_t countParameter(const Parameters& values, const std::string& name,
                            std::int64_t fallback, std::int64_t least, std::int64_t cap) {
    const auto found = values.find(name);
    if (found == values.end() || found->second.empty()) {
        return fallback;
    }
    std::int64_t value = 0;
    if (!parseNumber(found->second, value) || value < least) {
        throw Refusal{400, name + " is a whole number from " + std::to_string(least)};
    }
    return std::min(value, cap);
}

std::string validName(const std::string& name) {
    std::string why;
    if (!net::validPlayerName(name, why)) {
        throw Refusal{400, "not a player name: " + why};
    }
    return name;
}

const char* howText(store::MatchHow how) {
    switch (how) {
    case store::MatchHow::Winner:
        return "winner";
    case store::MatchHow::Left:
        return "left";
    case store::MatchHow::Gone:
        return "gone";
    case store::MatchHow::TooLong:
        return "toolong";
    default:
        return "diverged";
    }
}

void writeMatch(JsonWriter& json, const store::MatchRow& m) {
    json.beginObject();
    json.key("id").integer(m.id);
    json.key("finished").integer(m.finishedMs);
    json.key("room").string(m.room);
    json.key("how").string(howText(m.how));
    json.key("winner");
    if (m.winner == 0 || m.winner == 1) {
        json.integer(m.winner);
    } else {
        json.null();
    }
    json.key("frames").integer(m.frames);
    json.key("rated").boolean(m.rated);
    json.key("replay");
    if (m.hasReplay) {
        json.string("/api/replays/" + std::to_string(m.id) + ".kkr");
    } else {
        json.null();
    }
    json.key("seats").beginArray();
    for (int s = 0; s < 2; ++s) {
        json.beginObject();
        json.key("name").string(m.seats[s].name);
        json.key("player");
        if (m.playerNames[s]) {
            json.string(*m.playerNames[s]);
        } else {
            json.null();
        }
        json.key("change");
        if (m.ratingChanges[s]) {
            json.real(*m.ratingChanges[s], 1);
        } else {
            json.null();
        }
        json.endObject();
    }
    json.endArray();
    json.endObject();
}

void writeRating(JsonWriter& json, const store::Player& p) {
    json.key("name").string(p.name);
    json.key("rating").real(p.rating.rating, 1);
    json.key("deviation").real(p.rating.deviation, 1);
    json.key("volatility").real(p.rating.volatility, 6);
    json.key("games").integer(p.ratedGames);
    json.key("wins").integer(p.wins);
    json.key("losses").integer(p.losses);
}

} // namespace

RankedApi::RankedApi(store::RankedStore& store, LiveMatchSource& live, ApiOptions options)
    : store_(store), live_(live), options_(options),
      cache_(options.cacheMs, options.cacheEntries, options.cacheBytes) {}

bool RankedApi::handles(const std::string& target) {
    return target.rfind(prefix, 0) == 0 || target == "/api";
}

ApiAnswer RankedApi::answer(const std::string& target, std::int64_t nowMs) {
    if (target.size() > options_.maximumTarget) {
        return errorAnswer(414, "the request is too long");
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (std::optional<ApiAnswer> kept = cache_.find(target, nowMs)) {
            return *kept;
        }
    }
    const std::size_t mark = target.find('?');
    const std::string path = target.substr(0, mark);
    const std::string query = mark == std::string::npos ? "" : target.substr(mark + 1);
    ApiAnswer answer;
    try {
        answer = compute(path, query);
    } catch (const Refusal& refusal) {
        return errorAnswer(refusal.status, refusal.why);
    } catch (const store::StoreError&) {
        answer = errorAnswer(503, "the ranking database is unavailable");
        answer.cacheControl = "no-store";
        return answer;
    }
    if (answer.status == 200 || answer.status == 404) {
        std::lock_guard<std::mutex> lock(mutex_);
        cache_.put(target, answer, target.size() + answer.body.size() + answer.filePath.size(),
                   nowMs);
    }
    return answer;
}

ApiAnswer RankedApi::compute(const std::string& path, const std::string& query) {
    const std::int64_t maximumRows = static_cast<std::int64_t>(store::maximumPageRows);
    const std::int64_t defaultRows = static_cast<std::int64_t>(options_.defaultLimit);
    if (path.find('#') != std::string::npos || query.find('#') != std::string::npos) {
        throw Refusal{400, "a request has no fragment"};
    }
    const std::string route = path.substr(std::min(path.size(), std::string(prefix).size()));
    JsonWriter json;

    if (route == "leaderboard") {
        const Parameters values = parseQuery(query, {"limit", "offset"});
        const std::int64_t limit = countParameter(values, "limit", defaultRows, 1, maximumRows);
        const std::int64_t offset = countParameter(values, "offset", 0, 0, 1000000000);
        const store::Leaderboard board =
            store_.leaderboard(static_cast<std::size_t>(offset), static_cast<std::size_t>(limit));
        json.beginObject();
        json.key("total").integer(board.total);
        json.key("offset").integer(offset);
        json.key("limit").integer(limit);
        json.key("players").beginArray();
        for (const store::LeaderboardEntry& entry : board.entries) {
            json.beginObject();
            json.key("rank").integer(entry.rank);
            writeRating(json, entry.player);
            json.endObject();
        }
        json.endArray().endObject();
        return jsonAnswer(200, json.text());
    }

    if (route.rfind("players/", 0) == 0) {
        parseQuery(query, {});
        std::string name;
        if (!percentDecode(route.substr(8), false, name)) {
            throw Refusal{400, "the name is not percent-encoded correctly"};
        }
        const std::optional<store::PlayerPage> page =
            store_.playerPage(validName(name), options_.defaultLimit);
        if (!page) {
            return errorAnswer(404, "no such player");
        }
        json.beginObject();
        writeRating(json, page->player);
        json.key("created").integer(page->player.createdMs);
        json.key("lastSeen").integer(page->player.lastSeenMs);
        json.key("history").beginArray();
        for (const store::RatingPoint& point : page->history) {
            json.beginObject();
            json.key("match").integer(point.match);
            json.key("at").integer(point.atMs);
            json.key("rating").real(point.rating, 1);
            json.key("deviation");
            if (point.deviation) {
                json.real(*point.deviation, 1);
            } else {
                json.null();
            }
            json.endObject();
        }
        json.endArray();
        json.key("recent").beginArray();
        for (const store::MatchRow& m : page->recent) {
            writeMatch(json, m);
        }
        json.endArray();
        json.key("opponents").beginArray();
        for (const store::OpponentRecord& o : page->opponents) {
            json.beginObject();
            json.key("name").string(o.name);
            json.key("games").integer(o.games);
            json.key("wins").integer(o.wins);
            json.key("losses").integer(o.losses);
            json.endObject();
        }
        json.endArray().endObject();
        return jsonAnswer(200, json.text());
    }

    if (route == "matches") {
        const Parameters values = parseQuery(query, {"player", "limit", "before"});
        store::MatchQuery find;
        find.limit =
            static_cast<std::size_t>(countParameter(values, "limit", defaultRows, 1, maximumRows));
        const std::int64_t before = countParameter(values, "before", 0, 1, INT64_MAX);
        if (before > 0) {
            find.before = before;
        }
        const auto player = values.find("player");
        if (player != values.end() && !player->second.empty()) {
            const std::optional<store::Player> found =
                store_.playerByName(validName(player->second));
            if (!found) {
                return errorAnswer(404, "no such player");
            }
            find.player = found->id;
        }
        const std::vector<store::MatchRow> rows = store_.matches(find);
        json.beginObject().key("matches").beginArray();
        for (const store::MatchRow& m : rows) {
            writeMatch(json, m);
        }
        json.endArray();
        // The next page's "before", while this one is full.
        json.key("next");
        if (rows.size() == find.limit) {
            json.integer(rows.back().id);
        } else {
            json.null();
        }
        json.endObject();
        return jsonAnswer(200, json.text());
    }

    if (route.rfind("matches/", 0) == 0) {
        parseQuery(query, {});
        std::int64_t id = 0;
        if (!parseNumber(route.substr(8), id) || id < 1) {
            throw Refusal{400, "a match id is a whole number from 1"};
        }
        const std::optional<store::MatchRow> m = store_.match(id);
        if (!m) {
            return errorAnswer(404, "no such match");
        }
        writeMatch(json, *m);
        return jsonAnswer(200, json.text());
    }

    if (route == "live") {
        parseQuery(query, {});
        std::vector<LiveMatch> live = live_.liveMatches();
        json.beginObject().key("matches").beginArray();
        for (std::size_t i = 0; i < live.size() && i < options_.maximumLive; ++i) {
            const LiveMatch& m = live[i];
            json.beginObject();
            json.key("room").string(m.room);
            json.key("names").beginArray().string(m.names[0]).string(m.names[1]).endArray();
            json.key("rated").boolean(m.rated);
            json.key("spectators").integer(m.spectators);
            json.key("started").integer(m.startedMs);
            json.endObject();
        }
        json.endArray().endObject();
        return jsonAnswer(200, json.text());
    }

    if (route.rfind("replays/", 0) == 0) {
        parseQuery(query, {});
        const std::string file = route.substr(8);
        const std::size_t dot = file.find('.');
        std::int64_t id = 0;
        if (dot == std::string::npos || file.substr(dot) != ".kkr" ||
            !parseNumber(file.substr(0, dot), id) || id < 1) {
            throw Refusal{400, "a replay is /api/replays/ID.kkr"};
        }
        const std::optional<std::string> found = store_.replayPath(id);
        if (!found) {
            return errorAnswer(404, "no replay for that match");
        }
        ApiAnswer answer;
        answer.contentType = "application/octet-stream";
        answer.filePath = *found;
        answer.cacheControl = "public, max-age=3600";
        answer.contentDisposition =
            "attachment; filename=\"kokurin-match-" + std::to_string(id) + ".kkr\"";
        return answer;
    }

    return errorAnswer(404, "no such API path");
}

} // namespace api
} // namespace kokurin
