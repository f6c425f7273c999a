#include "platform/utf8_codec.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tnk {

namespace {

inline bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Eight ASCII bytes at a time: configuration text is mostly ASCII markup.
inline bool eightAscii(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return (v & 0x8080808080808080ull) == 0;
}

// Four ASCII units at a time.
inline bool fourAscii(const char16_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return (v & 0xFF80FF80FF80FF80ull) == 0;
}

// Widens the ASCII bytes at s[i...] to o[...], advancing both; stops at the
// first other byte or when fewer than a block remain. `o` never runs ahead
// of `i`, and the output has room for `size` units, so a whole block may be
// stored even when only its start is ASCII: the rest is overwritten later.
inline void widenAsciiRun(const unsigned char* s, std::size_t size, std::size_t& i, char16_t*& o) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= size) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const unsigned other = static_cast<unsigned>(_mm_movemask_epi8(chunk));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(chunk, zero));
        if (other != 0) {
            const unsigned ascii = static_cast<unsigned>(__builtin_ctz(other));
            i += ascii;
            o += ascii;
            return;
        }
        i += 16;
        o += 16;
    }
#endif
    while (i + 8 <= size && eightAscii(s + i)) {
        for (int k = 0; k < 8; ++k)
            o[k] = s[i + k];
        o += 8;
        i += 8;
    }
}

}  // namespace

Utf8Step decodeUtf8Sequence(const unsigned char* s, std::size_t left) {
    const unsigned char b = s[0];
    if (b < 0x80)
        return {1, b, 0};
    if (b < 0xC2)
        return {1, kReplacement, 0};
    if (b < 0xE0) {
        if (left > 1 && isContinuation(s[1]))
            return {2, static_cast<char16_t>(((b & 0x1F) << 6) | (s[1] & 0x3F)), 0};
        return {1, kReplacement, 0};
    }
    if (b < 0xF0) {
        const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = b == 0xED ? 0x9F : 0xBF;
        if (left < 2 || s[1] < lo || s[1] > hi)
            return {1, kReplacement, 0};
        if (left < 3 || !isContinuation(s[2]))
            return {2, kReplacement, 0};
        return {3, static_cast<char16_t>(((b & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F)),
                0};
    }
    if (b < 0xF5) {
        const unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;
        if (left < 2 || s[1] < lo || s[1] > hi)
            return {1, kReplacement, 0};
        if (left < 3 || !isContinuation(s[2]))
            return {2, kReplacement, 0};
        if (left < 4 || !isContinuation(s[3]))
            return {3, kReplacement, 0};
        const std::uint32_t c =
            ((b & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
        return {4, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
    }
    return {1, kReplacement, 0};
}

std::size_t decodeUtf8(const unsigned char* s, std::size_t size, char16_t* out) {
    char16_t* o = out;
    std::size_t i = 0;
    while (i < size) {
        widenAsciiRun(s, size, i, o);
        if (i >= size)
            break;
        const Utf8Step step = decodeUtf8Sequence(s + i, size - i);
        i += step.bytes;
        *o++ = step.unit;
        if (step.low != 0)
            *o++ = step.low;
    }
    return static_cast<std::size_t>(o - out);
}

std::size_t encodeUtf8(std::u16string_view text, char* out) {
    const char16_t* s = text.data();
    const std::size_t n = text.size();
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < n) {
        while (i + 4 <= n && fourAscii(s + i)) {
            if (out) {
                out[count] = static_cast<char>(s[i]);
                out[count + 1] = static_cast<char>(s[i + 1]);
                out[count + 2] = static_cast<char>(s[i + 2]);
                out[count + 3] = static_cast<char>(s[i + 3]);
            }
            count += 4;
            i += 4;
        }
        if (i >= n)
            break;
        std::uint32_t c = s[i++];
        if (isHighSurrogate(static_cast<char16_t>(c)) && i < n && isLowSurrogate(s[i])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
        } else if (isHighSurrogate(static_cast<char16_t>(c)) ||
                   isLowSurrogate(static_cast<char16_t>(c))) {
            c = kReplacement;
        }
        if (c < 0x80) {
            if (out)
                out[count] = static_cast<char>(c);
            count += 1;
        } else if (c < 0x800) {
            if (out) {
                out[count] = static_cast<char>(0xC0 | (c >> 6));
                out[count + 1] = static_cast<char>(0x80 | (c & 0x3F));
            }
            count += 2;
        } else if (c < 0x10000) {
            if (out) {
                out[count] = static_cast<char>(0xE0 | (c >> 12));
                out[count + 1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out[count + 2] = static_cast<char>(0x80 | (c & 0x3F));
            }
            count += 3;
        } else {
            if (out) {
                out[count] = static_cast<char>(0xF0 | (c >> 18));
                out[count + 1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                out[count + 2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out[count + 3] = static_cast<char>(0x80 | (c & 0x3F));
            }
            count += 4;
        }
    }
    return count;
}

}  // namespace tnk
