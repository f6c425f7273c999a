#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/gost.h"
#include "config/md5.h"
#include "config_file_helpers.h"
#include "memory_file_system.h"
#include "platform/platform.h"

namespace tnk {
namespace {

using testing::kKey;
using testing::kOtherKey;

Bytes deciphered(Bytes bytes, const CipherKey& key) {
    gostDecryptEcb(bytes.data(), bytes.size(), key.data());
    return bytes;
}

Bytes enciphered(Bytes bytes, const CipherKey& key) {
    bytes.resize((bytes.size() + 7) / 8 * 8, 0);
    gostEncryptEcb(bytes.data(), bytes.size(), key.data());
    return bytes;
}

TEST(FileFormat, MarkPlusTextIsPaddedToWholeBlocks) {
    // 3 + 5 bytes fill one block exactly; 3 + 6 need a second, zero-filled.
    const Bytes five = encodeConfigText(u"abcde", kKey);
    ASSERT_EQ(five.size(), 8u);
    EXPECT_EQ(deciphered(five, kKey), (Bytes{0xEF, 0xBB, 0xBF, 'a', 'b', 'c', 'd', 'e'}));

    const Bytes six = encodeConfigText(u"abcdef", kKey);
    ASSERT_EQ(six.size(), 16u);
    EXPECT_EQ(deciphered(six, kKey),
              (Bytes{0xEF, 0xBB, 0xBF, 'a', 'b', 'c', 'd', 'e', 'f', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(encodeConfigText(u"", kKey).size(), 8u);
    // UTF-8, not UTF-16: a CJK character takes three bytes.
    EXPECT_EQ(encodeConfigText(u"\u6587\u6587", kKey).size(), 16u);
}

TEST(FileFormat, DecodesTheThreeEncodings) {
    const std::u16string text = u"<a k=\"v\">x\u00e9\u6587</a>";
    bool mark = false;

    Bytes utf8 = encodeConfigText(text, kKey);
    EXPECT_EQ(decodeConfigBytes(utf8, kKey, &mark), text);
    EXPECT_TRUE(mark);

    Bytes utf16{0xFF, 0xFE};
    for (char16_t c : text) {
        utf16.push_back(static_cast<std::uint8_t>(c & 0xFF));
        utf16.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    Bytes file16 = enciphered(utf16, kKey);
    EXPECT_EQ(decodeConfigBytes(file16, kKey, &mark), text);
    EXPECT_TRUE(mark);

    // Without a mark the bytes are in the ANSI code page; ASCII is the same
    // in every one of them.
    const std::string ascii = "<a k=\"v\">plain</a>";
    Bytes fileAnsi = enciphered(Bytes(ascii.begin(), ascii.end()), kKey);
    EXPECT_EQ(decodeConfigBytes(fileAnsi, kKey, &mark), u"<a k=\"v\">plain</a>");
    EXPECT_FALSE(mark);
}

TEST(FileFormat, TextEndsAtTheFirstZero) {
    Bytes withZero = enciphered(Bytes{0xEF, 0xBB, 0xBF, 'a', 'b', 0, 'c', 'd'}, kKey);
    EXPECT_EQ(decodeConfigBytes(withZero, kKey), u"ab");
    Bytes utf16 = enciphered(Bytes{0xFF, 0xFE, 'a', 0, 0, 0, 'b', 0}, kKey);
    EXPECT_EQ(decodeConfigBytes(utf16, kKey), u"a");
    Bytes ansi = enciphered(Bytes{'x', 'y', 0, 'z'}, kKey);
    EXPECT_EQ(decodeConfigBytes(ansi, kKey), u"xy");
}

TEST(FileFormat, TrailingPartialBlockIsDecipheredAsIfZeroFilled) {
    // Two whole blocks of text without padding, then five stray bytes.
    Bytes file = encodeConfigText(u"abcdefghijklm", kKey);
    ASSERT_EQ(file.size(), 16u);
    const std::uint8_t tail[5] = {'v', 'w', 'x', 'y', 'z'};
    file.insert(file.end(), tail, tail + 5);

    std::uint8_t block[8] = {'v', 'w', 'x', 'y', 'z', 0, 0, 0};
    gostDecryptBlock(block, kKey.data());
    std::string expectedTail;
    for (int i = 0; i < 5 && block[i] != 0; ++i)
        expectedTail += static_cast<char>(block[i]);

    Bytes copy = file;
    const std::u16string text = decodeConfigBytes(copy, kKey);
    ASSERT_GE(text.size(), 13u);
    EXPECT_EQ(text.substr(0, 13), u"abcdefghijklm");
    // The tail bytes go through the UTF-8 reader; compare through it too.
    EXPECT_EQ(text.substr(13), utf8ToUtf16(expectedTail));
}

TEST(FileFormat, ShortAndEmptyInputs) {
    for (std::size_t size = 0; size < 9; ++size) {
        Bytes bytes(size, 0x41);
        decodeConfigBytes(bytes, kKey);  // must not read or write out of bounds
        EXPECT_EQ(bytes.size(), size);
    }
}

// Files are made and read with whatever cipher engine the processor offers; a file made
// by one must be the very file the other makes, and read back alike, at every length
// (the padding, the tail a truncated file leaves) and at sizes split between threads.
TEST(FileFormat, EveryCipherEngineMakesAndReadsTheSameFile) {
    if (!gostEngineAvailable(GostEngine::Avx2)) {
        GTEST_SKIP() << "only one engine on this processor";
    }
    const GostEngine before = gostEngine();
    std::vector<std::u16string> texts;
    for (std::size_t size = 0; size < 300; ++size) {
        texts.push_back(std::u16string(size, u'a' + size % 26) + u"\u6587");
    }
    // Beyond the size at which the cipher is shared out between threads.
    std::u16string large;
    for (int i = 0; large.size() < 9'000'011; ++i) {
        large += u"<record title=\"" + utf8ToUtf16(std::to_string(i)) + u"\">\u6587 text</record>";
    }
    texts.push_back(large);
    for (const std::u16string& text : texts) {
        Bytes files[2];
        std::u16string read[2];
        for (GostEngine engine : {GostEngine::Portable, GostEngine::Avx2}) {
            const int e = engine == GostEngine::Avx2;
            ASSERT_TRUE(useGostEngine(engine));
            files[e] = encodeConfigText(text, kKey);
            // A stray partial block, as a truncated copy leaves.
            Bytes truncated(files[e].begin(), files[e].end() - (files[e].size() > 8 ? 3 : 0));
            read[e] = decodeConfigBytes(truncated, kKey);
        }
        ASSERT_EQ(files[0], files[1]) << text.size() << " units";
        ASSERT_EQ(read[0], read[1]) << text.size() << " units";
        Bytes whole = files[1];
        ASSERT_EQ(decodeConfigBytes(whole, kKey), text) << text.size() << " units";
    }
    useGostEngine(before);
}

TEST(FileFormat, WrongKeyFindsNoMark) {
    Bytes file = encodeConfigText(u"<win>x</win>", kKey);
    bool mark = true;
    decodeConfigBytes(file, kOtherKey, &mark);
    EXPECT_FALSE(mark);
}

TEST(Keys, WinTextCarriesTheKeyInItsFirstSixteenUnits) {
    const std::u16string win = winTextForKey(kKey);
    ASSERT_EQ(win.size(), 32u);
    EXPECT_EQ(win[0], u'0' | (u'1' << 8));
    EXPECT_EQ(win[15], u'e' | (u'f' << 8));

    ConfigDocument doc;
    doc.parse(u"<win>" + win + u"</win>");
    EXPECT_EQ(saveKeyOf(doc), kKey);
}

TEST(Keys, WinMustBeExactlyThirtyTwoUnits) {
    ConfigDocument doc;
    const std::u16string win = winTextForKey(kKey);
    doc.parse(u"<win>" + win.substr(0, 31) + u"</win>");
    EXPECT_FALSE(saveKeyOf(doc));
    doc.parse(u"<win>" + win + u"x</win>");
    EXPECT_FALSE(saveKeyOf(doc));
    doc.parse(u"<win></win>");
    EXPECT_FALSE(saveKeyOf(doc));
    doc.parse(u"<other>" + win + u"</other>");
    EXPECT_FALSE(saveKeyOf(doc));
}

TEST(Keys, KeyOfAFileIsItsMd5InLowerCaseHex) {
    testing::MemoryFileSystem fs;
    fs.files[u"prog"] = Bytes{'a', 'b', 'c'};
    EXPECT_EQ(deriveKeyFromFile(u"prog", fs), testing::keyFrom("900150983cd24fb0d6963f7d28e17f72"));
    // Larger than any read piece: the pieces hash like the whole.
    const Bytes big(200000, 'a');
    fs.files[u"big"] = big;
    EXPECT_EQ(deriveKeyFromFile(u"big", fs),
              testing::keyFrom(Md5::hex(Md5::digest(big.data(), big.size())).c_str()));
    EXPECT_FALSE(deriveKeyFromFile(u"missing", fs));
}

TEST(Keys, LoadKeyIsTheKeyOfTheRunningExecutable) {
    const auto key = deriveLoadKey();
    ASSERT_TRUE(key);
    EXPECT_EQ(key, deriveKeyFromFile(executablePath(), systemFileSystem()));
    for (std::uint8_t c : *key)
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
}

}  // namespace
}  // namespace tnk
