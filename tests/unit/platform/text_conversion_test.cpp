#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace tnk {
namespace {

const std::u16string kMixed =
    u"plain ASCII, caf\u00e9, \u6587\u672c\u5e93, \U0001F600 and <markup>\r\n\t end";

TEST(Utf8, RoundTripsEveryPlane) {
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(kMixed)), kMixed);
    EXPECT_EQ(utf16ToUtf8(u"\u00e9\u6587\U0001F600"), "\xC3\xA9\xE6\x96\x87\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8ToUtf16(""), u"");
    EXPECT_EQ(utf16ToUtf8(u""), "");
}

TEST(Utf8, LongTextsCrossTheAsciiFastPathAtEveryOffset) {
    // The ASCII fast path works in groups; a non-ASCII character at each
    // offset of a group must still come through.
    for (std::size_t offset = 0; offset < 17; ++offset) {
        std::u16string text(offset, u'a');
        text += u"\u00e9\U0001F600";
        text += std::u16string(offset + 9, u'z');
        EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(text)), text) << offset;
        EXPECT_EQ(utf8Size(text), utf16ToUtf8(text).size());
    }
}

TEST(Utf8, ConvertsIntoTheCallersBuffer) {
    std::string buffer(utf8Size(kMixed) + 2, '#');
    utf16ToUtf8(kMixed, buffer.data() + 1);
    EXPECT_EQ(buffer.front(), '#');
    EXPECT_EQ(buffer.back(), '#');
    EXPECT_EQ(buffer.substr(1, buffer.size() - 2), utf16ToUtf8(kMixed));
}

TEST(Utf8, ConvertsIntoAReusedString) {
    std::u16string out(500, u'#');
    utf8ToUtf16(utf16ToUtf8(kMixed), out);
    EXPECT_EQ(out, kMixed);
    utf8ToUtf16("ab", out);
    EXPECT_EQ(out, u"ab");
}

TEST(Utf8, InvalidInputIsReplacedAndItsNeighboursKept) {
    const char* cases[] = {
        "a\x80z",              // stray continuation byte
        "a\xC0\x80z",          // overlong encoding
        "a\xED\xA0\x80z",      // an encoded surrogate
        "a\xF4\x90\x80\x80z",  // beyond U+10FFFF
        "a\xFFz",              // never valid
        "a\xE6\x96z",          // truncated three-byte sequence
    };
    for (const char* bytes : cases) {
        const std::u16string text = utf8ToUtf16(bytes);
        ASSERT_GE(text.size(), 3u) << bytes;
        EXPECT_EQ(text.front(), u'a');
        EXPECT_EQ(text.back(), u'z');
        EXPECT_NE(text.find(u'\uFFFD'), std::u16string::npos) << bytes;
    }
    // A sequence cut off by the end of the input.
    const std::u16string cut = utf8ToUtf16("ok\xF0\x9F\x98");
    EXPECT_EQ(cut.substr(0, 2), u"ok");
    EXPECT_EQ(cut.back(), u'\uFFFD');
}

TEST(Utf8, LoneSurrogatesBecomeTheReplacementCharacter) {
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'a', char16_t(0xDC00)}), "a\xEF\xBF\xBD");
}

TEST(Ansi, RoundTripsWhatTheCodePageHolds) {
    const std::u16string ascii = u"Depository <record title=\"x\"> 0123456789 ~!";
    EXPECT_EQ(ansiToUtf16(utf16ToAnsi(ascii)), ascii);
    // Whatever the code page, a character it lacks becomes some default
    // character rather than vanishing, and what it has comes back.
    const std::string narrow = utf16ToAnsi(u"x\u6587y");
    ASSERT_GE(narrow.size(), 3u);
    EXPECT_EQ(narrow.front(), 'x');
    EXPECT_EQ(narrow.back(), 'y');
    const std::u16string back = ansiToUtf16(narrow);
    EXPECT_EQ(back.front(), u'x');
    EXPECT_EQ(back.back(), u'y');
}

}  // namespace
}  // namespace tnk
