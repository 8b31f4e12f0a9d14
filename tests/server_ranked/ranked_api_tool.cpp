// The ranked API for the browser test's small server, without the lobby:
//   kokurin_ranked_api_tool fill DIR REPLAY   makes DIR/kokurin.db and DIR/replays with a few
//                                              players and matches, each rated one with REPLAY
//   kokurin_ranked_api_tool serve DIR         reads one target a line on stdin and writes one
//                                              line of JSON a line: status, type, body, file
// The answers are RankedApi's own over the real store; the live matches are a fixed pair.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "api/json_writer.h"
#include "api/ranked_api.h"
#include "ranking/player_key.h"

namespace {

using namespace kokurin;

class FixtureLive : public api::LiveMatchSource {
  public:
    std::vector<api::LiveMatch> liveMatches() override {
        return {api::LiveMatch{"LIVE1", {"Ann", "Bob"}, true, 2, 1767225600000},
                api::LiveMatch{"CASUAL2", {"guest", "<b>bold</b>"}, false, 0, 1767225600000}};
    }
};

std::unique_ptr<store::RankedStore> openIn(const std::string& dir) {
    store::StoreOptions options;
    options.database = dir + "/kokurin.db";
    options.replayDir = dir + "/replays";
    return store::openRankedStore(options);
}

int fill(const std::string& dir, const std::string& replayFile) {
    std::ifstream in(replayFile, std::ios::binary);
    const std::vector<std::uint8_t> replay((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    if (replay.empty()) {
        std::fprintf(stderr, "cannot read %s\n", replayFile.c_str());
        return 1;
    }
    std::unique_ptr<store::RankedStore> s = openIn(dir);
    std::vector<store::Player> players;
    for (const char* name : {"Ann", "Bob", "<b>bold</b>", "Zoë $&"}) {
        players.push_back(*s->claimName(ranking::sha256Hex(name), name, 1767225600000).player);
    }
    // (first, second, winner): Ann mostly wins; Zoë and Bob beat her once each.
    const int games[][3] = {{0, 1, 0}, {1, 2, 0}, {0, 2, 0}, {3, 0, 0}, {0, 1, 0},
                            {2, 3, 1}, {0, 3, 0}, {1, 0, 0}, {0, 2, 0}};
    std::int64_t clock = 1767225600000;
    for (const auto& game : games) {
        store::FinishedMatch match;
        for (int seat = 0; seat < 2; ++seat) {
            const store::Player& p = players[static_cast<std::size_t>(game[seat])];
            match.seats[seat] = {p.id, p.name};
        }
        match.winner = game[2];
        match.frames = 900;
        match.room = "RANKED";
        match.rated = true;
        clock += 3600000;
        match.finishedMs = clock;
        s->recordMatch(match, replay);
    }
    store::FinishedMatch casual;
    casual.seats[0] = {std::nullopt, "guest"};
    casual.seats[1] = {players[0].id, "Ann"};
    casual.winner = 1;
    casual.how = store::MatchHow::Left;
    casual.frames = 300;
    casual.room = "CASUAL";
    casual.finishedMs = clock + 60000;
    s->recordMatch(casual, replay);
    return 0;
}

int serve(const std::string& dir) {
    std::unique_ptr<store::RankedStore> s = openIn(dir);
    FixtureLive live;
    api::RankedApi ranked(*s, live);
    std::string target;
    while (std::getline(std::cin, target)) {
        const api::ApiAnswer answer = ranked.answer(target, 0);
        api::JsonWriter json;
        json.beginObject();
        json.key("status").integer(answer.status);
        json.key("type").string(answer.contentType);
        json.key("body").string(answer.body);
        json.key("file").string(answer.filePath);
        json.endObject();
        std::cout << json.text() << std::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "fill") {
            return fill(argv[2], argv[3]);
        }
        if (argc == 3 && std::string(argv[1]) == "serve") {
            return serve(argv[2]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kokurin_ranked_api_tool: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: kokurin_ranked_api_tool fill DIR REPLAY | serve DIR\n");
    return 2;
}
