// Many different matches stepped at once on several threads give exactly the transcripts each
// gives alone: a match shares nothing with another. Built with ThreadSanitizer, so a state two
// matches touch (a generator, a counter, a scratch buffer) fails here even when the bytes agree.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/match_transcript.h"

using namespace testing_support;

namespace {

struct Pairing {
    int first;
    int second;
    std::uint32_t seed;
};

std::vector<Pairing> pairings() {
    std::vector<Pairing> all;
    // Every personality in the second seat against a busy human, and computers against each
    // other (entry 8's rotation and entry 2's extra draws among them).
    for (int entry = 0; entry <= 15; ++entry) {
        all.push_back({0, entry, 100u + static_cast<std::uint32_t>(entry)});
    }
    for (int entry = 1; entry <= 15; entry += 2) {
        all.push_back({entry, 16 - entry, 500u + static_cast<std::uint32_t>(entry)});
    }
    return all;
}

} // namespace

TEST(MatchThreads, ManyMatchesOnFourThreadsPlayAsEachDoesAlone) {
    const std::vector<Pairing> all = pairings();
    constexpr std::uint32_t limit = 9000;
    std::vector<std::string> alone;
    for (const Pairing& p : all) {
        alone.push_back(playedTranscript(p.first, p.second, p.seed, limit));
    }
    std::vector<std::string> together(all.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < all.size(); i = next++) {
                together[i] = playedTranscript(all[i].first, all[i].second, all[i].seed, limit);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(together[i], alone[i]) << "pairing " << all[i].first << " v " << all[i].second;
        std::size_t turns = 0;
        for (std::size_t at = alone[i].find(" turn "); at != std::string::npos;
             at = alone[i].find(" turn ", at + 1)) {
            ++turns;
        }
        // Each plays on to a winner or through many turns: enough for two matches to meet.
        EXPECT_TRUE(alone[i].find(" winner ") != std::string::npos || turns >= 10)
            << "pairing " << all[i].first << " v " << all[i].second;
    }
}
