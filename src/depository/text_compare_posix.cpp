#include "depository/text_compare.h"

namespace tnk {
namespace {

// The simple upper case of one UTF-16 code unit, for the scripts listed in
// text_compare.h; every other unit maps to itself.
char16_t upper(char16_t c) {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs of capital and small letters, capital first, except in the
        // two runs that start on an odd code point.
        bool oddRun = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F || c == 0x130) {
            return c;
        }
        if (oddRun) {
            return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
        }
        return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9) {
        return c == 0x3C2 ? char16_t(0x3A3) : static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x430 && c <= 0x44F) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    if (c >= 0xFF41 && c <= 0xFF5A) {
        return static_cast<char16_t>(c - 0x20);
    }
    return c;
}

bool sameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && sameIgnoringCase(a, b);
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && sameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace tnk
