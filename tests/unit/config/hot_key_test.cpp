#include "config/hot_key.h"

#include <gtest/gtest.h>

namespace tnk {
namespace {

constexpr std::uint32_t kF1 = 0x70;

TEST(HotKey, ReadsWhatItWritesAndWritesOneSpelling) {
    struct Row {
        const char16_t* text;
        HotKey key;
        const char16_t* written;
    };
    const Row rows[] = {
        {u"Ctrl+Shift+F9", {HotKey::ctrl | HotKey::shift, kF1 + 8}, u"Ctrl+Shift+F9"},
        // Any order, any letter case, spaces around the names.
        {u"shift + CTRL + f9", {HotKey::ctrl | HotKey::shift, kF1 + 8}, u"Ctrl+Shift+F9"},
        {u"Win+Alt+Shift+Ctrl+Z",
         {HotKey::ctrl | HotKey::alt | HotKey::shift | HotKey::win, 'Z'},
         u"Ctrl+Alt+Shift+Win+Z"},
        {u"Alt+q", {HotKey::alt, 'Q'}, u"Alt+Q"},
        {u"Win+0", {HotKey::win, '0'}, u"Win+0"},
        // Function keys need no modifier; F1 to F24.
        {u"F1", {0, kF1}, u"F1"},
        {u"Shift+F10", {HotKey::shift, kF1 + 9}, u"Shift+F10"},
        {u"Ctrl+F24", {HotKey::ctrl, kF1 + 23}, u"Ctrl+F24"},
    };
    for (const Row& row : rows) {
        const auto parsed = parseHotKey(row.text);
        ASSERT_TRUE(parsed) << testing::PrintToString(std::u16string(row.text));
        EXPECT_EQ(*parsed, row.key);
        EXPECT_EQ(formatHotKey(*parsed), row.written);
        EXPECT_EQ(parseHotKey(formatHotKey(*parsed)), parsed);
    }
}

TEST(HotKey, AnythingElseIsNone) {
    // Besides what is no key at all: a letter or a digit that would type,
    // alone or with Shift only.
    const char16_t* bad[] = {u"",       u"Ctrl+",     u"+F9",     u"Ctrl++F9",    u"Ctrl+Shift",
                             u"F0",     u"F25",       u"F09",     u"F100",        u"Ctrl+Ctrl+A",
                             u"Ctlr+A", u"Ctrl+Home", u"Ctrl+AB", u"Ctrl+\u00c4", u"Ctrl+-",
                             u"A",      u"7",         u"Shift+A"};
    for (const char16_t* text : bad) {
        EXPECT_FALSE(parseHotKey(text)) << testing::PrintToString(std::u16string(text));
    }
    EXPECT_EQ(formatHotKey({HotKey::shift, 'A'}), u"");
    EXPECT_EQ(formatHotKey({HotKey::ctrl, 0x24}), u"");  // Home
    EXPECT_EQ(formatHotKey({0x10, kF1}), u"");
    EXPECT_EQ(formatHotKey({}), u"");
}

}  // namespace
}  // namespace tnk
