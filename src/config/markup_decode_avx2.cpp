// The markup reader's UTF-8 decoder for AVX2: sixteen bytes a step, ASCII and the
// common two- and three-byte characters alike, without a branch per character. Only
// this file and the other *_avx2.cpp are compiled for AVX2; nothing here runs unless
// the processor offers it, and it uses no inline function of another header.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "config/avx2.h"

namespace tnk::markup {
namespace {

// Row m packs the 16-bit lanes whose bits are set in m to the front of a register.
struct PackTable {
    std::uint8_t rows[256][16];
};

constexpr PackTable makePackTable() {
    PackTable t{};
    for (int m = 0; m < 256; ++m) {
        int n = 0;
        for (int lane = 0; lane < 8; ++lane) {
            if (m & (1 << lane)) {
                t.rows[m][2 * n] = std::uint8_t(2 * lane);
                t.rows[m][2 * n + 1] = std::uint8_t(2 * lane + 1);
                ++n;
            }
        }
        for (; n < 8; ++n) {
            t.rows[m][2 * n] = t.rows[m][2 * n + 1] = 0x80;
        }
    }
    return t;
}

constexpr PackTable kPack = makePackTable();

inline __m128i load16(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// One bit per byte of 64 at `p`: ASCII, continuation
// bytes 80..BF, and the lead bytes of the sequences decoded here: C2..DF, and E1..EF but
// for ED. Compared as signed bytes: 80..BF are -128..-65, C2..DF -62..-33, E1..EF
// -31..-17, ED -19.
struct Classes {
    std::uint64_t ascii, cont, lead2, lead3;
};

inline std::uint64_t bits(__m256i low, __m256i high) {
    return std::uint32_t(_mm256_movemask_epi8(low)) |
           std::uint64_t(std::uint32_t(_mm256_movemask_epi8(high))) << 32;
}

inline Classes classify(const unsigned char* p) {
    __m256i x[2] = {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32))};
    __m256i cont[2], lead2[2], lead3[2];
    for (int h = 0; h < 2; ++h) {
        cont[h] = _mm256_cmpgt_epi8(_mm256_set1_epi8(-64), x[h]);
        lead2[h] = _mm256_and_si256(_mm256_cmpgt_epi8(x[h], _mm256_set1_epi8(-63)),
                                    _mm256_cmpgt_epi8(_mm256_set1_epi8(-32), x[h]));
        lead3[h] =
            _mm256_andnot_si256(_mm256_cmpeq_epi8(x[h], _mm256_set1_epi8(-19)),
                                _mm256_and_si256(_mm256_cmpgt_epi8(x[h], _mm256_set1_epi8(-32)),
                                                 _mm256_cmpgt_epi8(_mm256_set1_epi8(-16), x[h])));
    }
    return {~bits(x[0], x[1]), bits(cont[0], cont[1]), bits(lead2[0], lead2[1]),
            bits(lead3[0], lead3[1])};
}

// Stores the units of the lanes set in `keep` at `out`; returns the end of them.
inline char16_t* packEight(char16_t* out, __m128i units, unsigned keep) {
    const __m128i order = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kPack.rows[keep]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(units, order));
    return out + __builtin_popcount(keep);
}

// The units of the characters that start at the bytes of `p` set in `starts`, each
// decoded by the kind of its lead byte (the bytes after the sixteen are read for those
// that start near the end). Returns the end of what was stored at `out`.
inline char16_t* decodeSixteen(const unsigned char* p, unsigned starts, char16_t* out) {
    const __m256i low6 = _mm256_set1_epi16(0x3F), low5 = _mm256_set1_epi16(0x1F);
    const __m128i b = load16(p);
    const __m256i w0 = _mm256_cvtepu8_epi16(b);
    const __m256i w1 = _mm256_and_si256(_mm256_cvtepu8_epi16(load16(p + 1)), low6);
    const __m256i w2 = _mm256_and_si256(_mm256_cvtepu8_epi16(load16(p + 2)), low6);
    const __m256i two = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(w0, low5), 6), w1);
    const __m256i three =
        _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(w0, 12), _mm256_slli_epi16(w1, 6)), w2);
    // Of the bytes that start characters, those above BF lead two-byte sequences, those
    // above DF three-byte ones.
    const __m256i isLead = _mm256_cmpgt_epi16(w0, _mm256_set1_epi16(0xBF));
    const __m256i isThree = _mm256_cmpgt_epi16(w0, _mm256_set1_epi16(0xDF));
    __m256i units = _mm256_blendv_epi8(w0, two, isLead);
    units = _mm256_blendv_epi8(units, three, isThree);
    out = packEight(out, _mm256_castsi256_si128(units), starts & 0xFF);
    return packEight(out, _mm256_extracti128_si256(units, 1), starts >> 8);
}

}  // namespace

void decodeUtf8Avx2(const unsigned char* s, std::size_t size, std::size_t& position,
                    char16_t*& output) {
    std::size_t i = position;
    char16_t* out = output;
    // Two bytes beyond the 64 of a step are read for the characters that start in them.
    while (size - i >= 66) {
        const Classes c = classify(s + i);
        if (c.ascii == ~std::uint64_t{0}) {
            for (int k = 0; k < 4; ++k) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16 * k),
                                    _mm256_cvtepu8_epi16(load16(s + i + 16 * k)));
            }
            i += 64;
            out += 64;
            continue;
        }
        // Continuation bytes must follow each lead byte, and only there; every other byte
        // must start a character decoded here. The step ends before the first that
        // breaks this, or before a character that runs past the 64 bytes.
        const std::uint64_t leads = c.lead2 | c.lead3;
        const std::uint64_t bad =
            (c.cont ^ ((leads << 1) | (c.lead3 << 2))) | ~(c.ascii | leads | c.cont);
        unsigned cut = bad ? static_cast<unsigned>(__builtin_ctzll(bad)) : 64;
        // A character still open at the cut is left whole for the next step: its lead
        // byte is one or two places back. (Without a branch: where the cut falls is as
        // good as random.)
        const unsigned back1 = cut >= 1 ? unsigned(leads >> (cut - 1)) & 1 : 0;
        const unsigned back2 = cut >= 2 ? unsigned(c.lead3 >> (cut - 2)) & 1 : 0;
        cut -= back1 ? 1 : 2 * back2;
        if (cut == 0) {
            break;  // not a character decoded here
        }
        const std::uint64_t starts =
            (c.ascii | leads) & (cut == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << cut) - 1);
        // Sixteen bytes at a time, each independent of the others: the units of the
        // characters that start in them.
        for (int k = 0; k < 4; ++k) {
            out = decodeSixteen(s + i + 16 * k, unsigned(starts >> (16 * k)) & 0xFFFF, out);
        }
        i += cut;
    }
    position = i;
    output = out;
}

}  // namespace tnk::markup
