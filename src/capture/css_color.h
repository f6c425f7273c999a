#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "capture/dom.h"

namespace tnk {

// A colour as the filtered walk compares it: a colour with its opacity,
// "transparent" (also any colour of opacity 0), or a value the reader does
// not know, which never equals anything.
struct CssColor {
    enum class Kind : std::uint8_t { rgb, transparent, unreadable };
    Kind kind = Kind::unreadable;
    std::int32_t rgb = 0;  // 0xRRGGBB
    float alpha = 1;       // above 0, up to 1

    static CssColor opaque(std::int32_t rgb) { return {Kind::rgb, rgb, 1}; }
    bool isOpaque() const { return kind == Kind::rgb && alpha >= 1; }
};

// Reads, in any case: "#rgb", "#rrggbb", the named colours, "transparent",
// rgb() and rgba() with commas or spaces (alpha after "/" or as a fourth
// value), numbers or percentages; a number 0 to 0xFFFFFF as 0xRRGGBB.
// Anything else ("#" of other lengths or with other characters, system
// colours, hsl(), numbers beyond 24 bits) is unreadable.
CssColor readCssColor(const dom::StyleValue& value);

// What shows where `top` is painted over the opaque or unreadable `below`.
CssColor paintedOver(const CssColor& top, const CssColor& below);

// Whether text of colour `text` cannot be seen on `backdrop`, an opaque or
// unreadable colour: transparent text, or text of exactly the backdrop's
// colour. A translucent text colour blends into a backdrop of its own
// colour, so only the colour counts.
bool invisibleOn(const CssColor& text, const CssColor& backdrop);

// The named colours' lookup, and the "#" digits read as the original
// comparison reads them (see CaptureEngine::parseColor).
std::optional<std::int32_t> namedColor(std::u16string_view text);
std::int32_t hashDigits(std::u16string_view text);

}  // namespace tnk
