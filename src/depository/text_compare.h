#pragma once

#include <string_view>

namespace tnk {

// Whole-string equality that ignores letter case by the ordinal rule: both
// strings are compared code unit by code unit after mapping each unit to its
// simple upper case, with no linguistic folding (no "ß" = "ss", no
// normalisation). On Windows this is CompareStringOrdinal with ignore case;
// the portable build maps ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic
// and fullwidth Latin letters, which covers the names people type.
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

// True when `text` begins with `prefix` under the same rule.
bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);

}  // namespace tnk
