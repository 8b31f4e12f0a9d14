// The generator against the reference sequence, its block boundaries, period certification and
// the draw of a number below n.
#include <gtest/gtest.h>

#include <cstdint>

#include "rng/sfmt19937.h"

using namespace kokurin;

namespace {

std::uint32_t seededWord(std::uint32_t s, int i) {
    std::uint32_t w = s;
    for (int k = 1; k <= i; ++k) {
        w = 1812433253u * (w ^ (w >> 30)) + static_cast<std::uint32_t>(k);
    }
    return w;
}

int certificationParity(std::uint32_t s) {
    std::uint32_t inner = (seededWord(s, 0) & 1u) ^ (seededWord(s, 3) & 0x13c9e684u);
    for (int shift = 16; shift > 0; shift >>= 1) {
        inner ^= inner >> shift;
    }
    return static_cast<int>(inner & 1u);
}

} // namespace

TEST(Sfmt19937, MatchesThePublishedSequenceForSeed1234) {
    Sfmt19937 g;
    g.seed(1234);
    const std::uint32_t expected[8] = {3440181298u, 1564997079u, 1510669302u, 2930277156u,
                                       1452439940u, 3796268453u, 423124208u,  2143818589u};
    for (std::uint32_t want : expected) {
        EXPECT_EQ(g.nextU32(), want);
    }
}

TEST(Sfmt19937, RegeneratesOnFirstDrawAndEvery624Draws) {
    Sfmt19937 g;
    g.seed(1234);
    EXPECT_EQ(g.index(), 624);
    Sfmt19937 copy = g;
    copy.regenerate();
    std::uint32_t first = g.nextU32();
    EXPECT_EQ(first, copy.word(0));
    for (int i = 1; i < 623; ++i) {
        g.nextU32();
    }
    EXPECT_EQ(g.nextU32(), copy.word(623));
    EXPECT_EQ(g.index(), 624);
    copy.regenerate();
    EXPECT_EQ(g.nextU32(), copy.word(0));
    EXPECT_EQ(g.index(), 1);
}

TEST(Sfmt19937, CertificationFlipsBitZeroOnlyForParityZeroSeeds) {
    int seenZero = 0;
    int seenOne = 0;
    for (std::uint32_t s = 0; s < 64 && (seenZero < 3 || seenOne < 3); ++s) {
        Sfmt19937 g;
        g.seed(s);
        std::uint32_t computed = seededWord(s, 0);
        if (certificationParity(s) == 0) {
            ++seenZero;
            EXPECT_EQ(g.word(0), computed ^ 1u) << "seed " << s;
        } else {
            ++seenOne;
            EXPECT_EQ(g.word(0), computed) << "seed " << s;
        }
        EXPECT_EQ(g.word(3), seededWord(s, 3));
    }
    EXPECT_GE(seenZero, 3);
    EXPECT_GE(seenOne, 3);
}

TEST(Sfmt19937, RandomBelowStaysInRangeAndMatchesTheFormula) {
    Sfmt19937 g;
    g.seed(99);
    Sfmt19937 shadow = g;
    for (int i = 0; i < 5000; ++i) {
        int n = 1 + i % 630;
        std::uint32_t u = shadow.nextU32();
        int r = g.randomBelow(n);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, n);
        // The double-precision form of the original: u * (n * 2^-32), truncated.
        double product = static_cast<double>(u) * (n * 2.3283064365386963e-10);
        ASSERT_EQ(r, static_cast<int>(product)) << "n " << n << " u " << u;
    }
}

TEST(Sfmt19937, DrawEdgesNeverReachN) {
    // u = 0xffffffff is the largest output; the formula must still stay below n.
    const std::uint64_t u = 0xffffffffu;
    for (int n : {1, 5, 6, 36, 630}) {
        EXPECT_EQ((static_cast<std::uint64_t>(n) * u) >> 32, static_cast<std::uint64_t>(n - 1));
    }
    Sfmt19937 g;
    g.seed(7);
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(g.randomBelow(1), 0);
    }
}
