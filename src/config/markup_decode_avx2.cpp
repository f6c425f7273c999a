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

// One bit per byte of 64 at `p`: ASCII, continuation bytes 80..BF, the lead bytes of
// the sequences decoded here (C2..DF, and E1..EF but for ED), and with `entities` the
// "&" that starts "&lt;" or "&gt;" (entity4) or "&quot;" (entity6). Bytes compare as
// signed: 80..BF are -128..-65, C2..DF -62..-33, E1..EF -31..-17, ED -19.
struct Classes {
    std::uint64_t ascii, cont, lead2, lead3, entity4, entity6;
};

inline __m256i load32(const unsigned char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline std::uint64_t bits(__m256i low, __m256i high) {
    return std::uint32_t(_mm256_movemask_epi8(low)) |
           std::uint64_t(std::uint32_t(_mm256_movemask_epi8(high))) << 32;
}

inline __m256i equals(const unsigned char* p, char c) {
    return _mm256_cmpeq_epi8(load32(p), _mm256_set1_epi8(c));
}

inline Classes classify(const unsigned char* p, bool entities) {
    const __m256i x[2] = {load32(p), load32(p + 32)};
    __m256i cont[2], lead2[2], lead3[2], amp[2];
    for (int h = 0; h < 2; ++h) {
        cont[h] = _mm256_cmpgt_epi8(_mm256_set1_epi8(-64), x[h]);
        lead2[h] = _mm256_and_si256(_mm256_cmpgt_epi8(x[h], _mm256_set1_epi8(-63)),
                                    _mm256_cmpgt_epi8(_mm256_set1_epi8(-32), x[h]));
        lead3[h] =
            _mm256_andnot_si256(_mm256_cmpeq_epi8(x[h], _mm256_set1_epi8(-19)),
                                _mm256_and_si256(_mm256_cmpgt_epi8(x[h], _mm256_set1_epi8(-32)),
                                                 _mm256_cmpgt_epi8(_mm256_set1_epi8(-16), x[h])));
        amp[h] = _mm256_cmpeq_epi8(x[h], _mm256_set1_epi8('&'));
    }
    Classes c{~bits(x[0], x[1]),
              bits(cont[0], cont[1]),
              bits(lead2[0], lead2[1]),
              bits(lead3[0], lead3[1]),
              0,
              0};
    // Only whether entities are wanted decides: a test of the bytes here would fail at
    // random in text that holds them, and a mispredicted branch costs more than the
    // tests.
    if (entities) {
        __m256i four[2], six[2];
        for (int h = 0; h < 2; ++h) {
            const unsigned char* q = p + 32 * h;
            const __m256i t = _mm256_and_si256(equals(q + 2, 't'), equals(q + 3, ';'));
            four[h] = _mm256_and_si256(t, _mm256_or_si256(equals(q + 1, 'l'), equals(q + 1, 'g')));
            six[h] = _mm256_and_si256(
                _mm256_and_si256(equals(q + 1, 'q'), equals(q + 2, 'u')),
                _mm256_and_si256(_mm256_and_si256(equals(q + 3, 'o'), equals(q + 4, 't')),
                                 equals(q + 5, ';')));
        }
        const std::uint64_t amps = bits(amp[0], amp[1]);
        c.entity4 = amps & bits(four[0], four[1]);
        c.entity6 = amps & bits(six[0], six[1]);
    }
    return c;
}

// Stores the units of the lanes set in `keep` at `out`; returns the end of them.
inline char16_t* packEight(char16_t* out, __m128i units, unsigned keep) {
    const __m128i order = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kPack.rows[keep]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(units, order));
    return out + __builtin_popcount(keep);
}

// The units of the characters that start at the bytes of `p` set in `starts`, each
// decoded by the kind of its lead byte, or replaced where `entities` says an entity
// starts (the bytes after the sixteen are read for those that start near the end).
// Returns the end of what was stored at `out`.
template <bool Entities>
inline char16_t* decodeSixteen(const unsigned char* p, unsigned starts, unsigned entities,
                               char16_t* out) {
    const __m256i low6 = _mm256_set1_epi16(0x3F), low5 = _mm256_set1_epi16(0x1F);
    const __m128i b = load16(p);
    const __m256i w0 = _mm256_cvtepu8_epi16(b);
    const __m256i next = _mm256_cvtepu8_epi16(load16(p + 1));
    const __m256i w1 = _mm256_and_si256(next, low6);
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
    if constexpr (Entities) {
        // The letter after "&" tells the entity: "l", "g", else "q".
        __m256i entity = _mm256_blendv_epi8(_mm256_set1_epi16('"'), _mm256_set1_epi16('<'),
                                            _mm256_cmpeq_epi16(next, _mm256_set1_epi16('l')));
        entity = _mm256_blendv_epi8(entity, _mm256_set1_epi16('>'),
                                    _mm256_cmpeq_epi16(next, _mm256_set1_epi16('g')));
        const __m256i laneBits = _mm256_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024,
                                                   2048, 4096, 8192, 16384, -32768);
        const __m256i isEntity = _mm256_cmpeq_epi16(
            _mm256_and_si256(_mm256_set1_epi16(short(entities)), laneBits), laneBits);
        units = _mm256_blendv_epi8(units, entity, isEntity);
    }
    out = packEight(out, _mm256_castsi256_si128(units), starts & 0xFF);
    return packEight(out, _mm256_extracti128_si256(units, 1), starts >> 8);
}

// The bits below `n` (n up to 64).
inline std::uint64_t below(unsigned n) {
    return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

template <bool Entities>
void decodeWithAvx2(const unsigned char* s, std::size_t size, std::size_t& position,
                    char16_t*& output) {
    std::size_t i = position;
    char16_t* out = output;
    // Five bytes beyond the 64 of a step are read for what starts in them.
    static_assert(kAvx2DecodeMinimum == 64 + 5);
    while (size - i >= kAvx2DecodeMinimum) {
        const Classes c = classify(s + i, Entities);
        if (c.ascii == ~std::uint64_t{0} && (c.entity4 | c.entity6) == 0) {
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
        // breaks this, or before a character or entity that runs past the 64 bytes.
        const std::uint64_t leads = c.lead2 | c.lead3;
        const std::uint64_t bad =
            (c.cont ^ ((leads << 1) | (c.lead3 << 2))) | ~(c.ascii | leads | c.cont);
        unsigned cut = bad ? static_cast<unsigned>(__builtin_ctzll(bad)) : 64;
        // A character still open at the cut is left whole for the next step: its lead
        // byte is one or two places back. (Without a branch: where the cut falls is as
        // good as random.) So is an entity, whose bytes are all ASCII.
        const unsigned back1 = cut >= 1 ? unsigned(leads >> (cut - 1)) & 1 : 0;
        const unsigned back2 = cut >= 2 ? unsigned(c.lead3 >> (cut - 2)) & 1 : 0;
        cut -= back1 ? 1 : 2 * back2;
        const std::uint64_t open = ((c.entity4 & ~below(cut >= 3 ? cut - 3 : 0)) |
                                    (c.entity6 & ~below(cut >= 5 ? cut - 5 : 0))) &
                                   below(cut);
        cut = open ? static_cast<unsigned>(__builtin_ctzll(open)) : cut;
        if (cut == 0) {
            break;  // not a character decoded here
        }
        // The bytes after the "&" of an entity start nothing.
        const std::uint64_t inEntity = (c.entity4 << 1) | (c.entity4 << 2) | (c.entity4 << 3) |
                                       (c.entity6 << 1) | (c.entity6 << 2) | (c.entity6 << 3) |
                                       (c.entity6 << 4) | (c.entity6 << 5);
        const std::uint64_t starts = (c.ascii | leads) & ~inEntity & below(cut);
        const std::uint64_t entities = (c.entity4 | c.entity6) & below(cut);
        // Sixteen bytes at a time, each independent of the others: the units of the
        // characters that start in them.
        for (int k = 0; k < 4; ++k) {
            out = decodeSixteen<Entities>(s + i + 16 * k, unsigned(starts >> (16 * k)) & 0xFFFF,
                                          unsigned(entities >> (16 * k)) & 0xFFFF, out);
        }
        i += cut;
    }
    position = i;
    output = out;
}

}  // namespace

void decodeUtf8Avx2(const unsigned char* s, std::size_t size, std::size_t& i, char16_t*& out,
                    bool ampersand) {
    if (ampersand) {
        decodeWithAvx2<true>(s, size, i, out);
    } else {
        decodeWithAvx2<false>(s, size, i, out);
    }
}

}  // namespace tnk::markup
