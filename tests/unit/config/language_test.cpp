#include <gtest/gtest.h>

#include "config/config_document.h"

namespace tnk {
namespace {

const char16_t* kLanguages =
    u"\r\n<language curlng=\"english\">notes"
    u"\r\n\t<english>\r\n\t\t<text>"
    u"\r\n\t\t\t<main_caption>Tarnwick</main_caption>"
    u"\r\n\t\t\t<Main_usage>wrong case</Main_usage>"
    u"\r\n\t\t\t<main_usage>Drag &lt;here&gt;\r\nsecond line</main_usage>"
    u"\r\n\t\t\t<main_copy></main_copy>"
    u"\r\n\t\t</text>\r\n\t</english>"
    u"\r\n\t<deutsch>\r\n\t\t<text>"
    u"\r\n\t\t\t<main_caption>Tarnwick DE</main_caption>"
    u"\r\n\t\t\t<main_copy>Kopieren</main_copy>"
    u"\r\n\t\t</text>\r\n\t</deutsch>"
    u"\r\n</language>";

std::u16string textOf(const ConfigDocument& doc, std::u16string_view key) {
    const std::u16string* text = doc.languageText(key);
    return text ? *text : u"<null>";
}

TEST(LanguageTest, LooksUpTheCurrentLanguage) {
    ConfigDocument doc;
    doc.parse(kLanguages);
    EXPECT_EQ(textOf(doc, u"main_caption"), u"Tarnwick");
    EXPECT_EQ(textOf(doc, u"main_usage"), u"Drag <here>\r\nsecond line");
    EXPECT_EQ(textOf(doc, u"main_copy"), u"<null>");  // present but empty
    EXPECT_EQ(textOf(doc, u"Main_caption"), u"<null>");
    EXPECT_EQ(textOf(doc, u"main_save"), u"<null>");

    doc.findTopLevel(u"language")->setAttribute(u"curlng", u"deutsch");
    EXPECT_EQ(textOf(doc, u"main_caption"), u"Tarnwick DE");
    EXPECT_EQ(textOf(doc, u"main_copy"), u"Kopieren");
    EXPECT_EQ(textOf(doc, u"main_usage"), u"<null>");
}

TEST(LanguageTest, EveryMissIsNull) {
    const char16_t* misses[] = {
        u"",
        u"<option/>",
        u"<language><english><text><main_caption>x</main_caption></text></english></language>",
        u"<language curlng=\"french\"><english><text><main_caption>x</main_caption></text>"
        u"</english></language>",
        u"<language "
        u"curlng=\"english\"><english><main_caption>x</main_caption></english></language>",
        u"<language curlng=\"english\"><english><text><main_caption><b>x</b></main_caption>"
        u"</text></english></language>",
    };
    for (std::size_t i = 0; i < std::size(misses); ++i) {
        ConfigDocument doc;
        doc.parse(misses[i]);
        EXPECT_EQ(doc.languageText(u"main_caption"), nullptr) << "case " << i;
    }
}

TEST(LanguageTest, TableIsTheFirstTopLevelElement) {
    ConfigDocument doc;
    // A stray end tag spelled like the table does not hide it; a second
    // table is never read.
    doc.parse(
        u"</language>\r\n<language curlng=\"en\"><en><text><k>one</k></text></en></language>"
        u"<language curlng=\"en\"><en><text><k>two</k></text></en></language>");
    EXPECT_EQ(textOf(doc, u"k"), u"one");
}

}  // namespace
}  // namespace tnk
