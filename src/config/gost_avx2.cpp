// The cipher on 32 blocks at a time in AVX2 registers. Only this file is compiled for
// AVX2, and nothing in it runs unless the processor offers it; it holds no templates or
// inline functions of other headers, so no AVX2 copy of them can reach the rest.
//
// The blocks are byte-sliced: register j holds byte j of all 32 blocks (bytes 0..3 are
// the half N1, read little-endian, 4..7 the half N2). Each byte of the round input then
// meets its own two substitution rows through two 16-entry shuffles, the addition of the
// round key carries from register to register, and the rotation by 11 becomes a choice
// of which register each looked-up part is added into.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/gost_internal.h"

namespace tnk::gost {
namespace {

constexpr std::size_t kGroup = 32;  // blocks per step

// For byte j of the round input x, with its low nibble l and high nibble h, the
// substituted byte s = S[2j+1][h] << 4 | S[2j][l] is rotated by 11: bits 0..4 of s land
// in byte j+1 of the output shifted up by 3, bits 5..7 in byte j+2 shifted down by 5.
// So byte j+1 gets low[j][l] ^ high[j][h] and byte j+2 gets carry[j][h]. The sums
// arrive with their top bit flipped (see halfRound), so the high tables are indexed by
// h ^ 8. Each row is repeated in both 128-bit lanes, as the shuffles want.
struct Tables {
    std::uint8_t low[4][32];
    std::uint8_t high[4][32];
    std::uint8_t carry[4][32];
};

constexpr Tables makeTables() {
    Tables t{};
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 32; ++i) {
            const int l = i & 15, h = (i & 15) ^ 8;
            t.low[j][i] = std::uint8_t(kSbox[2 * j][l] << 3);
            t.high[j][i] = std::uint8_t((kSbox[2 * j + 1][h] & 1) << 7);
            t.carry[j][i] = std::uint8_t(kSbox[2 * j + 1][h] >> 1);
        }
    }
    return t;
}

alignas(32) constexpr Tables kTables = makeTables();

// Byte j of each round key, top bit flipped, in every byte of a register.
using KeyBytes = std::uint8_t[32][4][32];

inline __m256i load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

inline void store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

// b ^= f(a + key). Sums are formed with their top bit flipped (adding the key byte with
// its top bit flipped does that), so that a signed compare against the flipped key byte
// tells an unsigned wrap: a byte of a + key wrapped iff its sum is below the key byte.
// A carry coming in wraps the byte too when its sum was 0xFF (0x7F flipped).
inline void halfRound(const __m256i (&a)[4], __m256i (&b)[4], const std::uint8_t (&key)[4][32]) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i allOnes = _mm256_set1_epi8(0x7F);
    __m256i x[4];
    const __m256i k0 = load(key[0]);
    x[0] = _mm256_add_epi8(a[0], k0);
    __m256i carry = _mm256_cmpgt_epi8(k0, x[0]);
    for (int j = 1; j < 4; ++j) {
        const __m256i k = load(key[j]);
        const __m256i sum = _mm256_add_epi8(a[j], k);
        x[j] = _mm256_sub_epi8(sum, carry);
        if (j < 3) {
            carry = _mm256_or_si256(_mm256_cmpgt_epi8(k, sum),
                                    _mm256_and_si256(_mm256_cmpeq_epi8(sum, allOnes), carry));
        }
    }
    for (int j = 0; j < 4; ++j) {
        const __m256i lo = _mm256_and_si256(x[j], nibble);
        const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(x[j], 4), nibble);
        const __m256i near = _mm256_xor_si256(_mm256_shuffle_epi8(load(kTables.low[j]), lo),
                                              _mm256_shuffle_epi8(load(kTables.high[j]), hi));
        b[(j + 1) & 3] = _mm256_xor_si256(b[(j + 1) & 3], near);
        b[(j + 2) & 3] =
            _mm256_xor_si256(b[(j + 2) & 3], _mm256_shuffle_epi8(load(kTables.carry[j]), hi));
    }
}

// Transposes the 8x8 matrix of 16-bit units in each 128-bit lane of r[0..7]: afterwards
// r[j] holds what was unit j of every register. Doing it twice restores the input.
inline void transpose16(__m256i (&r)[8]) {
    __m256i t[8], u[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_epi16(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_epi16(r[2 * i], r[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            u[4 * i + 2 * j] = _mm256_unpacklo_epi32(t[4 * i + j], t[4 * i + j + 2]);
            u[4 * i + 2 * j + 1] = _mm256_unpackhi_epi32(t[4 * i + j], t[4 * i + j + 2]);
        }
    }
    for (int j = 0; j < 4; ++j) {
        r[2 * j] = _mm256_unpacklo_epi64(u[j], u[j + 4]);
        r[2 * j + 1] = _mm256_unpackhi_epi64(u[j], u[j + 4]);
    }
}

// 32 blocks at `p` through the 32 rounds, in place.
inline void cipherGroup(std::uint8_t* p, const KeyBytes& keys) {
    // Pairs byte j of the two blocks in each lane, so that the 16-bit transpose leaves
    // byte j of every block in register j; and back.
    const __m256i pairBytes =
        _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 0, 8, 1, 9, 2, 10, 3,
                         11, 4, 12, 5, 13, 6, 14, 7, 15);
    const __m256i unpairBytes =
        _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15, 0, 2, 4, 6, 8, 10,
                         12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
    __m256i r[8];
    for (int i = 0; i < 8; ++i) {
        r[i] = _mm256_shuffle_epi8(load(p + 32 * i), pairBytes);
    }
    transpose16(r);
    __m256i a[4] = {r[0], r[1], r[2], r[3]};
    __m256i b[4] = {r[4], r[5], r[6], r[7]};
    for (int i = 0; i < 32; i += 2) {
        halfRound(a, b, keys[i]);
        halfRound(b, a, keys[i + 1]);
    }
    // The last exchange is undone by writing the halves out crossed.
    for (int j = 0; j < 4; ++j) {
        r[j] = b[j];
        r[j + 4] = a[j];
    }
    transpose16(r);
    for (int i = 0; i < 8; ++i) {
        store(p + 32 * i, _mm256_shuffle_epi8(r[i], unpairBytes));
    }
}

}  // namespace

void cipherEcbAvx2(std::uint8_t* data, std::size_t blocks, const std::uint32_t schedule[32]) {
    KeyBytes keys;
    for (int i = 0; i < 32; ++i) {
        for (int j = 0; j < 4; ++j) {
            std::memset(keys[i][j], int(((schedule[i] >> (8 * j)) & 0xFF) ^ 0x80), 32);
        }
    }
    for (; blocks >= kGroup; blocks -= kGroup, data += 8 * kGroup) {
        cipherGroup(data, keys);
    }
    if (blocks > 0) {
        // The last few blocks go through a full group of which only they count.
        std::uint8_t group[8 * kGroup] = {};
        std::memcpy(group, data, 8 * blocks);
        cipherGroup(group, keys);
        std::memcpy(data, group, 8 * blocks);
    }
}

}  // namespace tnk::gost
