#pragma once

#include <cstddef>
#include <string_view>

// The UTF-8 codec itself, free of any system service: the configuration
// reader and writer convert text runs with it directly, and the POSIX side
// of platform.h is built on it.
namespace tnk {

// What stands for a character that cannot be decoded or encoded.
constexpr char16_t kReplacement = 0xFFFD;

inline bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Decodes [s, s + size) into `out`, which has room for `size` code units;
// returns the number written. Each maximal invalid subsequence becomes one
// U+FFFD, so ASCII bytes always decode to themselves.
std::size_t decodeUtf8(const unsigned char* s, std::size_t size, char16_t* out);

// The one character that starts at `s`, of `left` bytes: the bytes it takes
// and its unit, or its two units beyond the BMP (`low` is then the second),
// or U+FFFD for a maximal invalid subsequence.
struct Utf8Step {
    std::size_t bytes;
    char16_t unit;
    char16_t low;  // zero for a single unit
};
Utf8Step decodeUtf8Sequence(const unsigned char* s, std::size_t left);

// Encodes `text` at `out` and returns the byte count; a null `out` only
// counts. A surrogate without its partner becomes U+FFFD (EF BF BD).
std::size_t encodeUtf8(std::u16string_view text, char* out);

}  // namespace tnk
