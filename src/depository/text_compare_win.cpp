#include <windows.h>

#include "depository/text_compare.h"

namespace tnk {
namespace {

bool ordinalEqual(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    if (a.empty()) {
        return true;
    }
    return CompareStringOrdinal(reinterpret_cast<LPCWCH>(a.data()), static_cast<int>(a.size()),
                                reinterpret_cast<LPCWCH>(b.data()), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

}  // namespace

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return ordinalEqual(a, b);
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && ordinalEqual(text.substr(0, prefix.size()), prefix);
}

}  // namespace tnk
