#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tnk {

// A system-wide key as the options store it: modifier names, then one key,
// joined by "+", e.g. "Ctrl+Shift+F9".
struct HotKey {
    // The modifiers, as the window system's hot-key flags number them.
    enum Modifier : std::uint32_t { alt = 1, ctrl = 2, shift = 4, win = 8 };
    std::uint32_t modifiers = 0;
    // The key's virtual-key code: 'A'-'Z', '0'-'9', or F1-F24 (0x70-0x87).
    std::uint32_t key = 0;
    friend bool operator==(const HotKey&, const HotKey&) = default;
};

// Whether a key is one the options can store: a letter or a digit with
// Ctrl, Alt or Win (without them it would type), or F1 to F24 with any.
bool isStorableHotKey(const HotKey& key);

// The key the text names; empty for "" and for anything that does not read
// as a storable key. Names are compared without regard to letter case.
std::optional<HotKey> parseHotKey(std::u16string_view text);

// The text for a storable key, modifiers in the order Ctrl, Alt, Shift,
// Win; empty for any other.
std::u16string formatHotKey(const HotKey& key);

}  // namespace tnk
