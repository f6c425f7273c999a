#include <gtest/gtest.h>

#include <string>

#include "config/config_file.h"
#include "config/gost.h"
#include "config_file_helpers.h"
#include "memory_file_system.h"

namespace tnk {
namespace {

using testing::kKey;
using testing::kOtherKey;
using testing::MemoryFileSystem;
using testing::sampleMarkup;

const std::u16string kPath = u"tnk.cfg";

class LoadSave : public ::testing::Test {
  protected:
    // A document as the program holds it after loading a file made for kKey.
    void prepare(ConfigDocument& doc, const std::u16string& markup) {
        doc.parse(markup);
        doc.readKey = kKey;
    }
    MemoryFileSystem fs;
};

TEST_F(LoadSave, RoundTripKeepsTheTree) {
    ConfigDocument doc;
    prepare(doc, sampleMarkup(kKey));
    ASSERT_TRUE(doc.save(kPath, fs));
    EXPECT_EQ(fs.files.size(), 1u);
    EXPECT_EQ(fs.files[kPath].size() % 8, 0u);

    ConfigDocument back;
    ASSERT_TRUE(back.load(kPath, kKey, fs));
    EXPECT_EQ(back.serialize(), doc.serialize());
    EXPECT_EQ(back.path, kPath);
    EXPECT_EQ(back.readKey, kKey);
    ASSERT_NE(back.languageText(u"main_caption"), nullptr);
    EXPECT_EQ(*back.languageText(u"main_caption"), u"Tarnwick");
    const ConfigNode* record = back.select(u"depository@group@record");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(*record->text(), u"content \U0001F600 <b>");
    EXPECT_EQ(*record->attribute(u"title"), u"t \"q\"");
}

TEST_F(LoadSave, FileBytesAreExactlyMarkTextAndPadding) {
    ConfigDocument doc;
    prepare(doc, sampleMarkup(kKey));
    ASSERT_TRUE(doc.save(kPath, fs));
    EXPECT_EQ(fs.files[kPath], encodeConfigText(doc.serialize(), kKey));
}

// Large files are enciphered by several threads while the text is still being
// written, and the buffer may have to grow meanwhile; a load in between takes the
// same buffer. The file must still be the whole text encoded and enciphered.
TEST_F(LoadSave, LargeSavesAreTheWholeTextEncoded) {
    std::u16string record = u"\r\n\t\t<record title=\"r &quot;1&quot;\">";
    for (int i = 0; i < 12; ++i) {
        record += u"Captured words, \u6587\u672c \u00e9 \U0001F600 &lt;b&gt; and more words. ";
    }
    record += u"</record>";
    const auto markupWith = [&](int records) {
        std::u16string markup = sampleMarkup(kKey) + u"\r\n<depository>\r\n\t<group>";
        for (int i = 0; i < records; ++i) {
            markup += record;
        }
        return markup + u"\r\n\t</group>\r\n</depository>";
    };
    // About 0.2, 6, 15 and 6 MB.
    for (int records : {200, 6000, 15000, 6000}) {
        ConfigDocument doc;
        prepare(doc, markupWith(records));
        ASSERT_TRUE(doc.save(kPath, fs));
        ASSERT_TRUE(fs.files[kPath] == encodeConfigText(doc.serialize(), kKey)) << records;
        if (records == 15000) {
            ConfigDocument back;
            ASSERT_TRUE(back.load(kPath, kKey, fs));
            EXPECT_EQ(back.serialize(), doc.serialize());
        }
    }
}

TEST_F(LoadSave, UnreadableFileLeavesEverythingAsItWas) {
    ConfigDocument doc;
    prepare(doc, u"<keep></keep>");
    doc.path = u"old";
    EXPECT_FALSE(doc.load(u"missing", kKey, fs));
    EXPECT_NE(doc.findTopLevel(u"keep"), nullptr);
    EXPECT_EQ(doc.path, u"old");
}

TEST_F(LoadSave, EmptyFileGivesAnEmptyDocument) {
    fs.files[kPath] = {};
    ConfigDocument doc;
    doc.parse(u"<old></old>");
    EXPECT_TRUE(doc.load(kPath, kKey, fs));
    EXPECT_EQ(doc.root, nullptr);
    EXPECT_EQ(doc.path, kPath);
}

TEST_F(LoadSave, WithoutAKeyTheLoadFailsAndTheDocumentIsEmpty) {
    fs.files[kPath] = encodeConfigText(sampleMarkup(kKey), kKey);
    ConfigDocument doc;
    doc.parse(u"<old></old>");
    EXPECT_FALSE(doc.load(kPath, std::nullopt, fs));
    EXPECT_EQ(doc.root, nullptr);
    EXPECT_FALSE(doc.readKey);
}

TEST_F(LoadSave, WrongKeyGivesGarbageWithoutCaption) {
    fs.files[kPath] = encodeConfigText(sampleMarkup(kKey), kKey);
    ConfigDocument doc;
    EXPECT_TRUE(doc.load(kPath, kOtherKey, fs));
    EXPECT_EQ(doc.languageText(u"main_caption"), nullptr);
}

TEST_F(LoadSave, Utf16AndAnsiFilesLoad) {
    const std::u16string markup =
        u"<language curlng=\"en\"><en><text><main_caption>Tarnwick</main_caption>"
        u"</text></en></language>";
    Bytes utf16{0xFF, 0xFE};
    for (char16_t c : markup) {
        utf16.push_back(static_cast<std::uint8_t>(c & 0xFF));
        utf16.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    Bytes ansi(markup.begin(), markup.end());  // ASCII only
    for (Bytes* plain : {&utf16, &ansi}) {
        plain->resize((plain->size() + 7) / 8 * 8, 0);
        gostEncryptEcb(plain->data(), plain->size(), kKey.data());
        fs.files[kPath] = *plain;
        ConfigDocument doc;
        ASSERT_TRUE(doc.load(kPath, kKey, fs));
        ASSERT_NE(doc.languageText(u"main_caption"), nullptr);
        EXPECT_EQ(*doc.languageText(u"main_caption"), u"Tarnwick");
    }
}

TEST_F(LoadSave, SaveRefusesWhatCouldNotBeReadBack) {
    fs.files[kPath] = Bytes{1, 2, 3, 4, 5, 6, 7, 8};
    const Bytes before = fs.files[kPath];
    const std::u16string win = winTextForKey(kKey);
    const std::u16string cases[] = {
        u"<a></a>",                                              // no "win"
        u"<a></a><win>" + win.substr(0, 31) + u"</win>",         // 31 units
        u"<a></a><win>" + win + u"0</win>",                      // 33 units
        u"<a></a><win>" + winTextForKey(kOtherKey) + u"</win>",  // not our key
    };
    for (const auto& markup : cases) {
        ConfigDocument doc;
        prepare(doc, markup);
        EXPECT_FALSE(doc.save(kPath, fs));
        EXPECT_EQ(fs.files[kPath], before);
        EXPECT_EQ(fs.files.size(), 1u);
        EXPECT_EQ(fs.steps, 0);
    }
    ConfigDocument empty;
    empty.readKey = kKey;
    EXPECT_FALSE(empty.save(kPath, fs));
    EXPECT_EQ(fs.steps, 0);
}

TEST_F(LoadSave, FirstOfSeveralWinElementsDecides) {
    ConfigDocument ours;
    prepare(ours,
            u"<win>" + winTextForKey(kKey) + u"</win><win>" + winTextForKey(kOtherKey) + u"</win>");
    EXPECT_TRUE(ours.save(kPath, fs));
    ConfigDocument theirs;
    prepare(theirs,
            u"<win>" + winTextForKey(kOtherKey) + u"</win><win>" + winTextForKey(kKey) + u"</win>");
    EXPECT_FALSE(theirs.save(u"other.cfg", fs));
}

TEST_F(LoadSave, NeverLoadedDocumentChecksAgainstTheRunningExecutable) {
    const auto own = deriveLoadKey();
    ASSERT_TRUE(own);
    ConfigDocument doc;
    doc.parse(u"<a></a><win>" + winTextForKey(*own) + u"</win>");
    EXPECT_TRUE(doc.save(kPath, fs));
    doc.parse(u"<a></a><win>" + winTextForKey(kKey) + u"</win>");
    EXPECT_FALSE(doc.save(u"second.cfg", fs));
}

}  // namespace
}  // namespace tnk
