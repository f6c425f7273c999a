#include "config/hot_key.h"

#include <array>

namespace tnk {

namespace {

constexpr std::uint32_t kF1 = 0x70;
constexpr std::uint32_t kF24 = 0x87;

struct ModifierName {
    std::u16string_view name;
    std::uint32_t flag;
};

// The order formatHotKey writes them in.
constexpr std::array<ModifierName, 4> kModifiers = {{
    {u"Ctrl", HotKey::ctrl},
    {u"Alt", HotKey::alt},
    {u"Shift", HotKey::shift},
    {u"Win", HotKey::win},
}};

char16_t upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && text.front() == u' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == u' ') {
        text.remove_suffix(1);
    }
    return text;
}

bool isLetterOrDigit(std::uint32_t key) {
    return (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
}

// A key name: one letter or digit, or F1 to F24 (no leading zero); 0 for
// anything else.
std::uint32_t keyOf(std::u16string_view name) {
    if (name.size() == 1) {
        const std::uint32_t key = upper(name[0]);
        return isLetterOrDigit(key) ? key : 0;
    }
    if (name.size() < 2 || name.size() > 3 || upper(name[0]) != u'F' || name[1] == u'0') {
        return 0;
    }
    std::uint32_t number = 0;
    for (char16_t c : name.substr(1)) {
        if (c < u'0' || c > u'9') {
            return 0;
        }
        number = number * 10 + (c - u'0');
    }
    return number >= 1 && number <= kF24 - kF1 + 1 ? kF1 + number - 1 : 0;
}

}  // namespace

bool isStorableHotKey(const HotKey& key) {
    if ((key.modifiers & ~(HotKey::ctrl | HotKey::alt | HotKey::shift | HotKey::win)) != 0) {
        return false;
    }
    if (key.key >= kF1 && key.key <= kF24) {
        return true;
    }
    return isLetterOrDigit(key.key) &&
           (key.modifiers & (HotKey::ctrl | HotKey::alt | HotKey::win)) != 0;
}

std::optional<HotKey> parseHotKey(std::u16string_view text) {
    HotKey parsed;
    for (;;) {
        const std::size_t plus = text.find(u'+');
        const std::u16string_view part = trimmed(text.substr(0, plus));
        if (plus == std::u16string_view::npos) {
            parsed.key = keyOf(part);
            break;
        }
        std::uint32_t flag = 0;
        for (const ModifierName& m : kModifiers) {
            if (sameName(part, m.name)) {
                flag = m.flag;
            }
        }
        // An unknown name or one given twice is not a key.
        if (flag == 0 || (parsed.modifiers & flag) != 0) {
            return std::nullopt;
        }
        parsed.modifiers |= flag;
        text.remove_prefix(plus + 1);
    }
    if (!isStorableHotKey(parsed)) {
        return std::nullopt;
    }
    return parsed;
}

std::u16string formatHotKey(const HotKey& key) {
    if (!isStorableHotKey(key)) {
        return {};
    }
    std::u16string text;
    for (const ModifierName& m : kModifiers) {
        if (key.modifiers & m.flag) {
            text += m.name;
            text += u'+';
        }
    }
    if (key.key >= kF1) {
        const std::uint32_t number = key.key - kF1 + 1;
        text += u'F';
        if (number >= 10) {
            text += static_cast<char16_t>(u'0' + number / 10);
        }
        text += static_cast<char16_t>(u'0' + number % 10);
    } else {
        text += static_cast<char16_t>(key.key);
    }
    return text;
}

}  // namespace tnk
