#include <string>

#include "config/config_document.h"
#include "config/config_file.h"
#include "config/hot_key.h"
#include "tool_fixture.h"

namespace tnk {
namespace {

using testing::buildPath;
using testing::ToolTest;

const char16_t* const kKeys[] = {
    u"main_caption",    u"main_usage",  u"main_option",    u"main_filter",   u"main_hideoc",
    u"main_autowrap",   u"main_copy",   u"main_save",      u"main_deposit",  u"main_onlinehelp",
    u"main_text",       u"main_html",   u"main_anywindow", u"main_tidytext", u"main_outline",
    u"main_copyatonce", u"hotkey_menu", u"hotkey_caption", u"hotkey_label",  u"hotkey_taken",
    u"hotkey_invalid",
};

class DefaultConfig : public ToolTest {};

TEST_F(DefaultConfig, IsExactlyWhatTheWriterProduces) {
    Bytes bytes;
    ASSERT_TRUE(systemFileSystem().readFile(buildPath(TNK_DEFAULT_CONFIG), bytes));
    const std::u16string text = utf8ToUtf16(std::string(bytes.begin(), bytes.end()));
    ConfigDocument doc;
    doc.parse(text);
    EXPECT_EQ(doc.serialize(), text);
}

// Packed for a stand-in program, as the build packs it for tarnwick.exe.
TEST_F(DefaultConfig, PackedForAProgramLoadsWithItsKey) {
    ASSERT_EQ(run({u"pack", buildPath(TNK_DEFAULT_CONFIG), u"--exe", at("old.exe"), u"-o",
                   at("tnk.cfg")}),
              0)
        << err;
    ConfigDocument doc;
    const auto key = deriveKeyFromFile(at("old.exe"), systemFileSystem());
    ASSERT_TRUE(doc.load(at("tnk.cfg"), key, systemFileSystem()));

    ASSERT_NE(doc.languageText(u"main_caption"), nullptr);
    EXPECT_EQ(*doc.languageText(u"main_caption"), u"Tarnwick");
    EXPECT_EQ(*doc.languageText(u"main_usage"),
              u"Usage:Drag the hand icon over the text you want to extract/copy.");
    EXPECT_EQ(*doc.languageText(u"main_deposit"), u"Depository");
    for (const char16_t* k : kKeys)
        EXPECT_NE(doc.languageText(k), nullptr);

    // Every text exists in Chinese as well, and the caption stays the same
    // so that a second start finds the window.
    doc.findTopLevel(u"language")->setAttribute(u"curlng", u"chinese");
    for (const char16_t* k : kKeys)
        EXPECT_NE(doc.languageText(k), nullptr);
    EXPECT_EQ(*doc.languageText(u"main_caption"), u"Tarnwick");
    EXPECT_EQ(*doc.languageText(u"main_copy"), u"\u590d\u5236");

    const ConfigNode* option = doc.findTopLevel(u"option");
    ASSERT_NE(option, nullptr);
    EXPECT_EQ(option->intAttribute(u"filter", -1), 1);
    EXPECT_EQ(option->intAttribute(u"hideoc", -1), 0);
    EXPECT_EQ(option->intAttribute(u"autowrap", -1), 0);
    // A new user's first drag over a browser should just work.
    EXPECT_EQ(option->intAttribute(u"anywindow", -1), 1);
    EXPECT_EQ(option->intAttribute(u"tidytext", -1), 1);
    EXPECT_EQ(option->intAttribute(u"outline", -1), 1);
    EXPECT_EQ(option->intAttribute(u"copyatonce", -1), 0);
    // The capture key as text, and one the program reads as a key.
    ASSERT_NE(option->attribute(u"hotkey"), nullptr);
    EXPECT_EQ(*option->attribute(u"hotkey"), u"Ctrl+Shift+F9");
    EXPECT_TRUE(parseHotKey(*option->attribute(u"hotkey")));
    const ConfigNode* depository = doc.findTopLevel(u"depository");
    ASSERT_NE(depository, nullptr);
    EXPECT_EQ(depository->firstChild, nullptr);

    // The program can save what it loaded.
    EXPECT_EQ(saveKeyOf(doc), key);
    EXPECT_TRUE(doc.save(at("tnk.cfg"), systemFileSystem()));
}

}  // namespace
}  // namespace tnk
