#include "capture/css_color.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "capture/capture_engine.h"

namespace tnk {

namespace {

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

std::uint32_t digitValue(char16_t c) {
    const char16_t lower = lowerAscii(c);
    return lower <= 0x39 ? std::uint32_t(lower) - 0x30 : std::uint32_t(lower) - 0x57;
}

bool isHexDigit(char16_t c) {
    const char16_t lower = lowerAscii(c);
    return (lower >= u'0' && lower <= u'9') || (lower >= u'a' && lower <= u'f');
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Compares a colour text, lower-cased on the fly, with a lower-case name;
// negative, zero or positive like strcmp.
int compareName(std::u16string_view text, const char* name) {
    std::size_t i = 0;
    for (; i < text.size() && name[i] != 0; ++i) {
        const int a = lowerAscii(text[i]);
        const int b = static_cast<unsigned char>(name[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (i == text.size()) {
        return name[i] == 0 ? 0 : -1;
    }
    return 1;
}

bool startsWithName(std::u16string_view text, const char* name) {
    const std::size_t length = std::char_traits<char>::length(name);
    return text.size() >= length && compareName(text.substr(0, length), name) == 0;
}

struct Component {
    double value = 0;
    bool percent = false;
};

// A number of an rgb() form at `at`, with its percent sign; moves past it.
std::optional<Component> readComponent(std::u16string_view text, std::size_t& at) {
    std::size_t i = at;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        ++i;
    }
    Component c;
    bool digits = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        c.value = c.value * 10 + (text[i] - u'0');
        digits = true;
    }
    if (i < text.size() && text[i] == u'.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            c.value += (text[i] - u'0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    if (negative) {
        c.value = -c.value;
    }
    c.percent = i < text.size() && text[i] == u'%';
    at = c.percent ? i + 1 : i;
    return c;
}

// "rgb(" or "rgba(", three channels and an optional alpha separated by
// commas, spaces or "/", and ")".
CssColor readRgbFunction(std::u16string_view text) {
    std::size_t at = 0;
    if (startsWithName(text, "rgba(")) {
        at = 5;
    } else if (startsWithName(text, "rgb(")) {
        at = 4;
    } else {
        return {};
    }
    Component parts[4];
    std::size_t count = 0;
    for (;;) {
        while (at < text.size() && isSpace(text[at])) {
            ++at;
        }
        if (count == 4) {
            break;
        }
        const auto part = readComponent(text, at);
        if (!part) {
            break;
        }
        parts[count++] = *part;
        while (at < text.size() && isSpace(text[at])) {
            ++at;
        }
        if (at < text.size() && (text[at] == u',' || text[at] == u'/')) {
            ++at;
        }
    }
    if (count < 3 || at + 1 != text.size() || text[at] != u')') {
        return {};
    }
    std::int32_t rgb = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const double channel = parts[i].percent ? parts[i].value * 255 / 100 : parts[i].value;
        rgb = rgb * 256 + static_cast<std::int32_t>(std::lround(std::clamp(channel, 0.0, 255.0)));
    }
    double alpha = 1;
    if (count == 4) {
        alpha = parts[3].percent ? parts[3].value / 100 : parts[3].value;
    }
    if (alpha <= 0) {
        return {CssColor::Kind::transparent};
    }
    return {CssColor::Kind::rgb, rgb, static_cast<float>(std::min(alpha, 1.0))};
}

}  // namespace

std::optional<std::int32_t> namedColor(std::u16string_view text) {
    const NamedColor* first = namedColors;
    const NamedColor* last = namedColors + std::size(namedColors);
    const NamedColor* found = std::lower_bound(
        first, last, text,
        [](const NamedColor& row, std::u16string_view t) { return compareName(t, row.name) > 0; });
    if (found != last && compareName(text, found->name) == 0) {
        return found->rgb;
    }
    return std::nullopt;
}

std::int32_t hashDigits(std::u16string_view text) {
    // Unsigned arithmetic: characters are not validated, so any text must
    // give some value without overflow.
    std::uint32_t rgb = 0;
    if (text.size() == 4) {
        for (std::size_t i = 1; i < 4; ++i) {
            rgb = rgb * 256 + digitValue(text[i]) * 17;
        }
    } else if (text.size() == 7) {
        for (std::size_t i = 1; i < 7; ++i) {
            rgb = rgb * 16 + digitValue(text[i]);
        }
    }
    return static_cast<std::int32_t>(rgb);
}

CssColor readCssColor(const dom::StyleValue& value) {
    if (!value.isString) {
        return value.number >= 0 && value.number <= 0xFFFFFF ? CssColor::opaque(value.number)
                                                             : CssColor{};
    }
    const std::u16string_view text = value.text;
    if (!text.empty() && text[0] == u'#') {
        if ((text.size() != 4 && text.size() != 7) ||
            !std::all_of(text.begin() + 1, text.end(), isHexDigit)) {
            return {};
        }
        return CssColor::opaque(hashDigits(text));
    }
    if (compareName(text, "transparent") == 0) {
        return {CssColor::Kind::transparent};
    }
    if (const auto rgb = namedColor(text)) {
        return CssColor::opaque(*rgb);
    }
    return readRgbFunction(text);
}

CssColor paintedOver(const CssColor& top, const CssColor& below) {
    if (top.kind == CssColor::Kind::transparent) {
        return below;
    }
    if (top.isOpaque() || top.kind == CssColor::Kind::unreadable) {
        return top;
    }
    if (below.kind != CssColor::Kind::rgb) {
        return {};
    }
    std::int32_t rgb = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const double a = (top.rgb >> shift) & 0xFF;
        const double b = (below.rgb >> shift) & 0xFF;
        rgb =
            rgb * 256 + static_cast<std::int32_t>(std::lround(a * top.alpha + b * (1 - top.alpha)));
    }
    return CssColor::opaque(rgb);
}

bool invisibleOn(const CssColor& text, const CssColor& backdrop) {
    if (text.kind == CssColor::Kind::transparent) {
        return true;
    }
    return text.kind == CssColor::Kind::rgb && backdrop.kind == CssColor::Kind::rgb &&
           text.rgb == backdrop.rgb;
}

}  // namespace tnk
