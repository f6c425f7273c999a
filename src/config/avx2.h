#pragma once

#include <cstddef>
#include <cstdint>

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
// The same for the markup writer's UTF-8 encoder.
bool markupAvx2Encoding();
bool useMarkupAvx2Encoding(bool on);

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

// Writes [p, end) at `out` as UTF-8, with "<", ">" and the quotation mark as entities,
// and returns the end of what it wrote. A surrogate whose partner is not in the range
// becomes U+FFFD. `out` has room for six bytes a unit and kEncodeSlack more, and bytes
// past the returned end, within that room, may have been overwritten.
constexpr std::size_t kEncodeSlack = 32;
std::uint8_t* escapeUtf8(const char16_t* p, const char16_t* end, std::uint8_t* out);
// The same with the AVX2 code; the same bytes.
std::uint8_t* escapeUtf8Avx2(const char16_t* p, const char16_t* end, std::uint8_t* out);

}  // namespace markup
}  // namespace tnk
