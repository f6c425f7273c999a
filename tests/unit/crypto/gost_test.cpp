#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "config/gost.h"

namespace {

using Block = std::array<std::uint8_t, 8>;

std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> v(size);
    for (auto& b : v) {
        seed = seed * 1103515245u + 12345u;
        b = std::uint8_t(seed >> 16);
    }
    return v;
}

// Pinned from an independent implementation with the same substitution rows, key and
// data bytes passed unchanged. Key byte i is i * keyStep + keyBase.
TEST(Gost, KnownAnswersThroughBothEntryPoints) {
    struct {
        int keyStep, keyBase;
        Block plain, cipher;
    } const cases[] = {
        {0, 0, {0, 0, 0, 0, 0, 0, 0, 0}, {0xc9, 0xfd, 0xc2, 0xa6, 0xe2, 0x0b, 0x61, 0x12}},
        {1, 0, {0, 1, 2, 3, 4, 5, 6, 7}, {0xd4, 0x8f, 0x98, 0x74, 0x5d, 0x38, 0xb9, 0xd2}},
        {0,
         0xff,
         {255, 255, 255, 255, 255, 255, 255, 255},
         {6, 0xbc, 0x29, 0x1b, 0x78, 0x16, 4, 0x78}},
        {37,
         11,
         {'T', 'a', 'r', 'n', 'w', 'i', 'c', 'k'},
         {8, 0x2b, 0xfa, 6, 0xe7, 0xb8, 0x1a, 0x34}},
    };
    for (const auto& c : cases) {
        std::uint8_t key[32];
        for (int i = 0; i < 32; ++i) {
            key[i] = std::uint8_t(i * c.keyStep + c.keyBase);
        }
        Block b = c.plain;
        tnk::gostEncryptBlock(b.data(), key);
        EXPECT_EQ(b, c.cipher);
        tnk::gostDecryptBlock(b.data(), key);
        EXPECT_EQ(b, c.plain);
        tnk::gostEncryptEcb(b.data(), b.size(), key);
        EXPECT_EQ(b, c.cipher);
        tnk::gostDecryptEcb(b.data(), b.size(), key);
        EXPECT_EQ(b, c.plain);
    }
}

// Counts up to 20 cross the interleaved group size in several ways; every block must
// come out as if it had been enciphered on its own.
TEST(Gost, EcbOfOneToTwentyBlocksEqualsBlockByBlock) {
    const auto key = pattern(32, 1);
    for (std::size_t blocks = 1; blocks <= 20; ++blocks) {
        const auto plain = pattern(8 * blocks, std::uint32_t(blocks));
        auto single = plain;
        for (std::size_t i = 0; i < blocks; ++i) {
            tnk::gostEncryptBlock(single.data() + 8 * i, key.data());
        }
        // At an odd address, as a block inside a file buffer may be.
        std::vector<std::uint8_t> storage(1 + plain.size());
        std::uint8_t* ecb = storage.data() + 1;
        std::copy(plain.begin(), plain.end(), ecb);
        tnk::gostEncryptEcb(ecb, plain.size(), key.data());
        ASSERT_TRUE(std::equal(single.begin(), single.end(), ecb)) << blocks << " blocks";
        tnk::gostDecryptEcb(ecb, plain.size(), key.data());
        ASSERT_TRUE(std::equal(plain.begin(), plain.end(), ecb)) << blocks << " blocks";
    }
    tnk::gostEncryptEcb(nullptr, 0, key.data());
}

#ifdef NDEBUG
// Release builds leave a trailing partial block as it is; debug builds assert instead.
TEST(Gost, TrailingPartialBlockIsLeftUntouched) {
    const auto key = pattern(32, 6);
    const auto plain = pattern(8 * 9 + 5, 7);
    auto data = plain;
    tnk::gostEncryptEcb(data.data(), data.size(), key.data());
    std::vector<std::uint8_t> whole(plain.begin(), plain.end() - 5);
    tnk::gostEncryptEcb(whole.data(), whole.size(), key.data());
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), data.begin()));
    EXPECT_TRUE(std::equal(plain.end() - 5, plain.end(), data.end() - 5));
}
#endif

}  // namespace
