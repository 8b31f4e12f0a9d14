// Every frame the game draws, from the title screen through whole matches and back, reduced to
// one digest per run and compared with the digests recorded when the drawing was known good.
// A change that moves one draw, one frame or one random draw changes a digest. Refactors must
// keep them; a deliberate change of what is drawn records them anew (printed on failure).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "cpu/turn_setup.h"
#include "headless/headless.h"
#include "input/key_state.h"
#include "rng/sfmt19937.h"
#include "screens/title_screen.h"
#include "support/match_driver.h"

using namespace kokurin;
using namespace testing_support;

namespace {

// FNV-1a over a canonical form of every draw: the same bytes whatever the draw record's layout.
class Digest {
  public:
    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            value_ = (value_ ^ p[i]) * 1099511628211ull;
        }
    }
    void number(std::int64_t n) { bytes(&n, sizeof n); }
    void real(float f) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        number(bits);
    }
    void text(const std::string& s) {
        number(static_cast<std::int64_t>(s.size()));
        bytes(s.data(), s.size());
    }
    std::uint64_t value() const { return value_; }

  private:
    std::uint64_t value_ = 1469598103934665603ull;
};

void addDraw(Digest& d, const headless::DrawCall& call) {
    using Kind = headless::DrawCall::Kind;
    switch (call.kind) {
    case Kind::Text:
        d.text("text");
        d.number(call.x);
        d.number(call.y);
        d.text(call.text);
        d.number(call.colour);
        d.number(call.height);
        d.text(call.face);
        d.number(call.format);
        break;
    case Kind::Primitive:
        d.text(call.primitive == PrimitiveKind::LineList ? "lines" : "strip");
        d.number(call.primitiveCount);
        for (const ColourVertex& v : call.vertices) {
            d.real(v.x);
            d.real(v.y);
            d.real(v.z);
            d.real(v.rhw);
            d.number(v.colour);
        }
        break;
    case Kind::Background:
        d.text("picture");
        d.number(call.x);
        d.number(call.y);
        d.real(call.scaleX);
        d.real(call.scaleY);
        d.real(call.pivotX);
        d.real(call.pivotY);
        d.real(call.angle);
        d.real(call.depth);
        d.text(call.picture);
        break;
    }
}

// Keys by poll from a fixed pseudo-random sequence: the title's choice first, then busy play
// with every key a human has (both seats, the hint), then ESC out of the match and the title.
class BusyPlayer : public headless::KeySource {
  public:
    BusyPlayer(int entry, std::uint32_t salt, long escapeAt)
        : entry_(entry), salt_(salt), escapeAt_(escapeAt) {}

    void keysDown(long poll, bool down[256]) override {
        // Title: S once per entry on even polls, then SPACE.
        if (poll <= 2L * entry_ && poll % 2 == 0) {
            down[keyS] = true;
            return;
        }
        if (poll == 2L * entry_ + 2) {
            down[keySpace] = true;
            return;
        }
        if (poll == escapeAt_ || poll == escapeAt_ + 200) {
            down[keyEscape] = true;
            return;
        }
        static const int keys[] = {keyW,    keyA,    keyS,     keyD,      keySpace, keyUp,
                                   keyDown, keyLeft, keyRight, keyReturn, keyH};
        std::uint32_t h = static_cast<std::uint32_t>(poll) * 2654435761u ^ salt_;
        h ^= h >> 15;
        h *= 2246822519u;
        h ^= h >> 13;
        if (h % 5 == 0) {
            // H rarely: each hint is 630 simulations.
            int index = static_cast<int>((h >> 8) % (sizeof keys / sizeof keys[0]));
            if (keys[index] != keyH || (h >> 20) % 8 == 0) {
                down[keys[index]] = true;
            }
        }
    }

  private:
    int entry_;
    std::uint32_t salt_;
    long escapeAt_;
};

struct RunDigest {
    std::uint64_t frames;
    long polls;
};

RunDigest digestRun(int entry, std::uint32_t seed, long escapeAt) {
    headless::reset();
    headless::setPollLimit(escapeAt + 1000);
    testRandom().seed(seed);
    // Entry 8's rotation counts turns across the process: start it as a new process does.
    testRotation() = 0;
    BusyPlayer player(entry, seed * 7919u, escapeAt);
    headless::setKeySource(&player);
    Digest digest;
    headless::setMessageHandler([&digest](const char* text) {
        digest.text("box");
        digest.text(text);
    });
    headless::setFrameHook([&digest](const std::vector<headless::DrawCall>& frame, long poll) {
        digest.number(poll);
        for (const headless::DrawCall& call : frame) {
            addDraw(digest, call);
        }
    });
    runTitleScreen();
    for (const std::string& name : headless::loadedPictures()) {
        digest.text(name);
    }
    RunDigest result{digest.value(), headless::pollCount()};
    headless::reset();
    return result;
}

struct Recorded {
    int entry;
    std::uint32_t seed;
    long escapeAt;
    std::uint64_t frames;
    long polls;
};

// Recorded from the game as it was before its front ends were separated.
const Recorded recorded[] = {
    {0, 1, 2500, 0xcaef379fadd32354ull, 3500},    {1, 2, 2500, 0xc8fc3758d24881dfull, 3500},
    {2, 3, 2500, 0xaf8bdb7565087976ull, 3500},    {3, 4, 2500, 0x6f04b756a723cfdcull, 3500},
    {4, 5, 2500, 0x4509a5fa75b51faull, 3500},     {5, 6, 2500, 0x2be277251c0776f4ull, 3500},
    {6, 7, 2500, 0xde456178f2ef23fcull, 3500},    {7, 8, 2500, 0x45a63deb7059678aull, 3500},
    {8, 9, 2500, 0x5051ae2670a9c69eull, 3500},    {9, 10, 2500, 0x2f3a88e597fcafe4ull, 3500},
    {10, 11, 2500, 0x6e12fff1bc668a11ull, 3500},  {11, 12, 2500, 0xf2b4110ae70db03aull, 3500},
    {12, 13, 2500, 0x698dafd0c1969bcull, 3500},   {13, 14, 2500, 0x6b0b254b406b6ef0ull, 3500},
    {14, 15, 2500, 0x9d3c39f47bc4e226ull, 3500},  {15, 16, 2500, 0xefc0cc474a1fafeaull, 3500},
    {0, 2026, 5000, 0x7da9ee8c8ce5dd50ull, 5200}, {8, 2026, 5000, 0xda1bb02201efe9f6ull, 5200},
    {15, 77, 5000, 0x6deed0bce1dd2c22ull, 6000},  {2, 4242, 5000, 0x1dbe90e9431d9d70ull, 6000},
};

} // namespace

TEST(FrameDigest, EveryFrameOfWholeRunsDrawsAsRecorded) {
    for (const Recorded& r : recorded) {
        RunDigest got = digestRun(r.entry, r.seed, r.escapeAt);
        EXPECT_EQ(got.frames, r.frames)
            << "entry " << r.entry << " seed " << r.seed << ": now {" << r.entry << ", " << r.seed
            << ", " << r.escapeAt << ", 0x" << std::hex << got.frames << "ull, " << std::dec
            << got.polls << "},";
        EXPECT_EQ(got.polls, r.polls) << "entry " << r.entry << " seed " << r.seed;
    }
}
