// The markup writer's UTF-8 encoder for AVX2: sixteen units a step, ASCII and the other
// characters of the basic plane alike, without a branch per character. Only this file
// and the other *_avx2.cpp are compiled for AVX2; nothing here runs unless the
// processor offers it, and it uses no inline function of another header.
//
// A step of plain ASCII is packed to bytes. A step with other characters spreads each
// unit over 32 bits holding its one, two or three UTF-8 bytes, and a shuffle chosen by
// the sizes of four units gathers their bytes to the front of each 128-bit half. An
// entity in an ASCII step ends the step there; a surrogate, or an entity among other
// characters, leaves the step to the plain code.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "config/avx2.h"

namespace tnk::markup {
namespace {

// Row m gathers the bytes of four units, unit k in bytes 4k..4k+3, to the front: bit k
// of m says that unit k takes two bytes or more, bit k + 4 that it takes three.
struct GatherTable {
    std::uint8_t rows[256][16];
    std::uint8_t sizes[256];
};

constexpr GatherTable makeGatherTable() {
    GatherTable t{};
    for (int m = 0; m < 256; ++m) {
        int n = 0;
        for (int k = 0; k < 4; ++k) {
            const int bytes = 1 + ((m >> k) & 1) + ((m >> (k + 4)) & 1);
            for (int b = 0; b < bytes; ++b) {
                t.rows[m][n++] = std::uint8_t(4 * k + b);
            }
        }
        t.sizes[m] = std::uint8_t(n);
        for (; n < 16; ++n) {
            t.rows[m][n] = 0x80;
        }
    }
    return t;
}

alignas(16) constexpr GatherTable kGather = makeGatherTable();

inline __m128i load16(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

inline void store16(void* p, __m128i v) {
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

inline __m256i splat32(int v) {
    return _mm256_set1_epi32(v);
}

// Eight units of the basic plane, none a surrogate, as UTF-8 at `out`; 16 bytes past
// the returned end may be overwritten.
inline std::uint8_t* encode8(__m128i units, std::uint8_t* out) {
    const __m256i c = _mm256_cvtepu16_epi32(units);
    const __m256i last = _mm256_or_si256(_mm256_and_si256(c, splat32(0x3F)), splat32(0x80));
    const __m256i middle =
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(c, 6), splat32(0x3F)), splat32(0x80));
    const __m256i two = _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(c, 6), splat32(0xC0)),
                                        _mm256_slli_epi32(last, 8));
    const __m256i three =
        _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(c, 12), splat32(0xE0)),
                        _mm256_or_si256(_mm256_slli_epi32(middle, 8), _mm256_slli_epi32(last, 16)));
    const __m256i wide = _mm256_cmpgt_epi32(c, splat32(0x7F));
    const __m256i wider = _mm256_cmpgt_epi32(c, splat32(0x7FF));
    const __m256i bytes = _mm256_blendv_epi8(_mm256_blendv_epi8(c, two, wide), three, wider);
    const unsigned m2 = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(wide)));
    const unsigned m3 = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(wider)));
    const unsigned low = (m2 & 15) | (m3 & 15) << 4;
    const unsigned high = m2 >> 4 | (m3 & 0xF0);
    const __m256i gather = _mm256_inserti128_si256(
        _mm256_castsi128_si256(load16(kGather.rows[low])), load16(kGather.rows[high]), 1);
    const __m256i packed = _mm256_shuffle_epi8(bytes, gather);
    store16(out, _mm256_castsi256_si128(packed));
    out += kGather.sizes[low];
    store16(out, _mm256_extracti128_si256(packed, 1));
    return out + kGather.sizes[high];
}

inline std::uint8_t* putEntity(char16_t c, std::uint8_t* out) {
    const char* entity = c == u'<' ? "&lt;" : c == u'>' ? "&gt;" : "&quot;";
    while (*entity != 0) {
        *out++ = static_cast<std::uint8_t>(*entity++);
    }
    return out;
}

}  // namespace

std::uint8_t* escapeUtf8Avx2(const char16_t* p, const char16_t* end, std::uint8_t* out) {
    const __m256i lt = _mm256_set1_epi16(u'<');
    const __m256i gt = _mm256_set1_epi16(u'>');
    const __m256i quote = _mm256_set1_epi16(u'"');
    const __m256i notAscii = _mm256_set1_epi16(static_cast<short>(0xFF80));
    const __m256i surrogateBits = _mm256_set1_epi16(static_cast<short>(0xF800));
    const __m256i surrogate = _mm256_set1_epi16(static_cast<short>(0xD800));
    while (end - p >= 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i entity =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, lt), _mm256_cmpeq_epi16(v, gt)),
                            _mm256_cmpeq_epi16(v, quote));
        if (_mm256_testz_si256(v, notAscii)) {
            // The whole step is stored; only what comes before an entity counts.
            const __m256i packed = _mm256_packus_epi16(v, v);
            store16(out, _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08)));
            const unsigned found = static_cast<unsigned>(_mm256_movemask_epi8(entity));
            if (found == 0) {
                p += 16, out += 16;
                continue;
            }
            const unsigned k = static_cast<unsigned>(__builtin_ctz(found)) / 2;
            out = putEntity(p[k], out + k);
            p += k + 1;
            continue;
        }
        const __m256i other = _mm256_or_si256(
            entity, _mm256_cmpeq_epi16(_mm256_and_si256(v, surrogateBits), surrogate));
        if (_mm256_testz_si256(other, other)) {
            out = encode8(_mm256_castsi256_si128(v), out);
            out = encode8(_mm256_extracti128_si256(v, 1), out);
            p += 16;
            continue;
        }
        // The plain code takes the step, and with it the partner of a high surrogate
        // that ends it.
        const bool pairAcross = end - p > 16 && p[15] >= 0xD800 && p[15] <= 0xDBFF &&
                                p[16] >= 0xDC00 && p[16] <= 0xDFFF;
        const char16_t* const stop = p + (pairAcross ? 17 : 16);
        out = escapeUtf8(p, stop, out);
        p = stop;
    }
    return escapeUtf8(p, end, out);
}

}  // namespace tnk::markup
