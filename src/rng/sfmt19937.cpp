// SFMT-19937 (parameters 122-18-1-11-1, masks dfffffef-ddfecb7f-bffaffff-bffffff6) with plain
// 32-bit arithmetic; its output equals the reference generator's 32-bit sequence.
#include "rng/sfmt19937.h"

namespace kokurin {
namespace {

constexpr int blockCount = 156;
constexpr int pos1 = 122;
constexpr int sl1 = 18;
constexpr int sr1 = 11;
constexpr std::uint32_t masks[4] = {0xdfffffefu, 0xddfecb7fu, 0xbffaffffu, 0xbffffff6u};
constexpr std::uint32_t parity[4] = {0x00000001u, 0x00000000u, 0x00000000u, 0x13c9e684u};

// The whole 128-bit block shifted left by one byte (word 0 is the least significant).
void shiftLeft128(const std::uint32_t* in, std::uint32_t* out) {
    std::uint64_t high = (static_cast<std::uint64_t>(in[3]) << 32) | in[2];
    std::uint64_t low = (static_cast<std::uint64_t>(in[1]) << 32) | in[0];
    std::uint64_t outHigh = (high << 8) | (low >> 56);
    std::uint64_t outLow = low << 8;
    out[0] = static_cast<std::uint32_t>(outLow);
    out[1] = static_cast<std::uint32_t>(outLow >> 32);
    out[2] = static_cast<std::uint32_t>(outHigh);
    out[3] = static_cast<std::uint32_t>(outHigh >> 32);
}

// The whole 128-bit block shifted right by one byte.
void shiftRight128(const std::uint32_t* in, std::uint32_t* out) {
    std::uint64_t high = (static_cast<std::uint64_t>(in[3]) << 32) | in[2];
    std::uint64_t low = (static_cast<std::uint64_t>(in[1]) << 32) | in[0];
    std::uint64_t outLow = (low >> 8) | (high << 56);
    std::uint64_t outHigh = high >> 8;
    out[0] = static_cast<std::uint32_t>(outLow);
    out[1] = static_cast<std::uint32_t>(outLow >> 32);
    out[2] = static_cast<std::uint32_t>(outHigh);
    out[3] = static_cast<std::uint32_t>(outHigh >> 32);
}

} // namespace

void Sfmt19937::seed(std::uint32_t s) {
    seed_ = s;
    state_[0] = s;
    for (int i = 1; i < wordCount; ++i) {
        std::uint32_t previous = state_[i - 1];
        state_[i] = 1812433253u * (previous ^ (previous >> 30)) + static_cast<std::uint32_t>(i);
    }
    index_ = wordCount;

    // Period certification: the state must not lie in the short-period subspace.
    std::uint32_t inner = 0;
    for (int k = 0; k < 4; ++k) {
        inner ^= state_[k] & parity[k];
    }
    for (int shift = 16; shift > 0; shift >>= 1) {
        inner ^= inner >> shift;
    }
    if ((inner & 1u) == 1u) {
        return;
    }
    for (int k = 0; k < 4; ++k) {
        for (int bit = 0; bit < 32; ++bit) {
            std::uint32_t work = 1u << bit;
            if ((work & parity[k]) != 0) {
                state_[k] ^= work;
                return;
            }
        }
    }
}

void Sfmt19937::regenerate() {
    std::uint32_t* r1 = &state_[4 * (blockCount - 2)];
    std::uint32_t* r2 = &state_[4 * (blockCount - 1)];
    for (int i = 0; i < blockCount; ++i) {
        std::uint32_t* a = &state_[4 * i];
        const std::uint32_t* b = &state_[4 * ((i + pos1) % blockCount)];
        std::uint32_t x[4];
        std::uint32_t y[4];
        shiftLeft128(a, x);
        shiftRight128(r1, y);
        for (int w = 0; w < 4; ++w) {
            a[w] = a[w] ^ x[w] ^ ((b[w] >> sr1) & masks[w]) ^ y[w] ^ (r2[w] << sl1);
        }
        r1 = r2;
        r2 = a;
    }
}

std::uint32_t Sfmt19937::nextU32() {
    if (index_ >= wordCount) {
        regenerate();
        index_ = 0;
    }
    return state_[index_++];
}

int Sfmt19937::randomBelow(int n) {
    // floor(n * u / 2^32): exact in 64-bit integers, equal to the double-precision product.
    std::uint64_t u = nextU32();
    return static_cast<int>((static_cast<std::uint64_t>(n) * u) >> 32);
}

bool Sfmt19937::restore(const std::uint32_t (&words)[wordCount], int index) {
    if (index < 0 || index > wordCount) {
        return false;
    }
    for (int i = 0; i < wordCount; ++i) {
        state_[i] = words[i];
    }
    index_ = index;
    return true;
}

} // namespace kokurin
