#pragma once

#include <string>
#include <string_view>

// The one pair of conversions at the edge between portable UTF-16 strings
// and Win32 wide strings. Both are 16 bits wide on Windows, so this copies.
namespace tnk {

inline std::wstring toWide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}
inline std::u16string fromWide(std::wstring_view s) {
    return std::u16string(s.begin(), s.end());
}

}  // namespace tnk
