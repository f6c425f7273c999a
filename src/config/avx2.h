#pragma once

#include <cstddef>

// The AVX2 code of config/ and the switches that choose it. The files ending in _avx2
// are the only ones compiled for AVX2; what they hold runs only where avx2Usable().
namespace tnk {

// Whether this processor and system can run AVX2 code (the system must also save the
// wide registers).
bool avx2Usable();

// Whether the markup reader decodes UTF-8 text with its AVX2 code; on by default where
// usable. Turning it off makes the reader use its plain code, so that tests can check
// both on one machine; false, changing nothing, when asked to turn on and not usable.
bool markupAvx2Decoding();
bool useMarkupAvx2Decoding(bool on);

namespace markup {

// Decodes whole characters of UTF-8 from s[i] on into `out`, while they are ASCII or
// the two- and three-byte sequences that the reader decodes itself (lead bytes C2..DF,
// E1..EC and EE..EF with their continuation bytes), and with `ampersand` replaces the
// three entities; stops before anything else, or where fewer than kAvx2DecodeMinimum
// bytes are left. Advances `i` and `out`. `out` has room for at least size - i units;
// it never runs ahead of the input.
constexpr std::size_t kAvx2DecodeMinimum = 69;
void decodeUtf8Avx2(const unsigned char* s, std::size_t size, std::size_t& i, char16_t*& out,
                    bool ampersand);

}  // namespace markup
}  // namespace tnk
