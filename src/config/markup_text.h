#pragma once

// Character-level helpers shared by the markup reader and writer: white
// space, entity escaping into preallocated buffers, and the fast scans that
// carry most of the work on large documents. Internal to config/.

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#define TNK_MARKUP_SSE2 1
#endif

namespace tnk::markup {

// Space, tab, line feed, vertical tab, form feed, carriage return.
inline bool isBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

#ifdef TNK_MARKUP_SSE2
inline __m128i load8(const char16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store8(char16_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline __m128i splat(char16_t c) {
    return _mm_set1_epi16(static_cast<short>(c));
}
inline unsigned maskOf(__m128i v) {
    return static_cast<unsigned>(_mm_movemask_epi8(v));
}
#endif

// Length of `text` after escaping: "<" and ">" grow by 3, a quotation mark by 5.
inline std::size_t escapedLength(const char16_t* p, std::size_t size) {
    const char16_t* end = p + size;
    std::size_t extra = 0;
#ifdef TNK_MARKUP_SSE2
    const __m128i lt = splat(u'<'), gt = splat(u'>'), quote = splat(u'"');
    for (; end - p >= 8; p += 8) {
        __m128i chunk = load8(p);
        // One mask bit per code unit (of the two the byte mask has); special
        // characters are rare, so counting bit by bit beats a popcount call.
        unsigned angles =
            maskOf(_mm_or_si128(_mm_cmpeq_epi16(chunk, lt), _mm_cmpeq_epi16(chunk, gt))) & 0x5555;
        unsigned quotes = maskOf(_mm_cmpeq_epi16(chunk, quote)) & 0x5555;
        for (; angles != 0; angles &= angles - 1) {
            extra += 3;
        }
        for (; quotes != 0; quotes &= quotes - 1) {
            extra += 5;
        }
    }
#endif
    for (; p != end; ++p) {
        extra += (*p == u'<' || *p == u'>') ? 3 : (*p == u'"') ? 5 : 0;
    }
    return size + extra;
}

// Writes the escaped form of [p, p + size) at `out`, which has room for
// escapedLength(p, size) code units; returns the end of what was written.
inline char16_t* escapeInto(char16_t* out, const char16_t* p, std::size_t size) {
    const char16_t* end = p + size;
    while (p != end) {
#ifdef TNK_MARKUP_SSE2
        // Runs without special characters move eight code units at a time.
        // A whole chunk may be stored even when only part of it counts: the
        // room left at `out` is never less than the input left at `p`.
        const __m128i lt = splat(u'<'), gt = splat(u'>'), quote = splat(u'"');
        while (end - p >= 8) {
            __m128i chunk = load8(p);
            unsigned special = maskOf(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, lt), _mm_cmpeq_epi16(chunk, gt)),
                             _mm_cmpeq_epi16(chunk, quote)));
            store8(out, chunk);
            if (special != 0) {
                unsigned k = static_cast<unsigned>(__builtin_ctz(special)) / 2;
                out += k;
                p += k;
                break;
            }
            out += 8;
            p += 8;
        }
        if (p == end) {
            break;
        }
#endif
        char16_t c = *p++;
        switch (c) {
            case u'<':
                *out++ = u'&', *out++ = u'l', *out++ = u't', *out++ = u';';
                break;
            case u'>':
                *out++ = u'&', *out++ = u'g', *out++ = u't', *out++ = u';';
                break;
            case u'"':
                *out++ = u'&', *out++ = u'q', *out++ = u'u', *out++ = u'o', *out++ = u't';
                *out++ = u';';
                break;
            default:
                *out++ = c;
        }
    }
    return out;
}

// Unescapes [p, end) in place and returns its new end (unescaping never
// lengthens, so the write position never passes the read position).
// One left-to-right pass equals the three replacements one after another:
// each entity starts with "&" and no replacement character can complete one.
inline char16_t* unescapeInPlace(char16_t* p, char16_t* end) {
    char16_t* out = p;
    while (p != end) {
        // Copy the run up to the next "&".
#ifdef TNK_MARKUP_SSE2
        // Eight code units at a time. A chunk holding an "&" is stored whole
        // only when the write position trails by eight or more, so that its
        // surplus units cannot overwrite input not yet read.
        const __m128i amp = splat(u'&');
        while (end - p >= 8) {
            __m128i chunk = load8(p);
            unsigned found = maskOf(_mm_cmpeq_epi16(chunk, amp));
            if (found != 0) {
                unsigned k = static_cast<unsigned>(__builtin_ctz(found)) / 2;
                if (p - out >= 8) {
                    store8(out, chunk);  // the extra units land on input already read
                    out += k;
                    p += k;
                } else {
                    for (; k != 0; --k) {
                        *out++ = *p++;
                    }
                }
                break;
            }
            if (out != p) {
                store8(out, chunk);
            }
            out += 8;
            p += 8;
        }
#endif
        while (p != end && *p != u'&') {
            *out++ = *p++;
        }
        if (p == end) {
            break;
        }
        std::size_t left = static_cast<std::size_t>(end - p);
        if (left >= 4 && p[2] == u't' && p[3] == u';' && (p[1] == u'l' || p[1] == u'g')) {
            *out++ = p[1] == u'l' ? u'<' : u'>';
            p += 4;
        } else if (left >= 6 && p[1] == u'q' && p[2] == u'u' && p[3] == u'o' && p[4] == u't' &&
                   p[5] == u';') {
            *out++ = u'"';
            p += 6;
        } else {
            *out++ = *p++;
        }
    }
    return out;
}

}  // namespace tnk::markup
