#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/md5.h"

namespace {

std::string md5Hex(const std::string& text) {
    return tnk::Md5::hex(tnk::Md5::digest(text.data(), text.size()));
}

TEST(Md5, Rfc1321SuiteAndPaddingBoundaries) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890"
         "1234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Lengths where the padding fits one block or spills into another.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        {std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(md5Hex(text), expected) << text.size() << " bytes";
    }
}

TEST(Md5, StreamingInAnyPiecesEqualsOneShot) {
    std::vector<std::uint8_t> data(3 * 1024 * 1024 + 17);
    std::uint32_t x = 12345;
    for (auto& b : data) {
        x = x * 1103515245u + 12345u;
        b = std::uint8_t(x >> 16);
    }
    const auto whole = tnk::Md5::digest(data.data(), data.size());
    EXPECT_EQ(tnk::Md5::hex(whole), "7934c6891a24db4966537637e7947f1b");

    tnk::Md5 md5;
    md5.update("left over from an earlier message", 33);
    md5.finish();
    // 1024 is how the executable file is hashed; the others straddle block edges.
    for (std::size_t piece : {1u, 55u, 64u, 65u, 1024u, 4099u}) {
        for (std::size_t at = 0; at < data.size(); at += piece) {
            md5.update(data.data() + at, std::min(piece, data.size() - at));
        }
        md5.update(nullptr, 0);
        EXPECT_EQ(md5.finish(), whole) << "pieces of " << piece;
    }
}

}  // namespace
