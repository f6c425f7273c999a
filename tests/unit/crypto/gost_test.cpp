#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
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

// Runs `body` once with each engine this processor can run, then restores the choice.
template <typename Body>
void withEachEngine(Body body) {
    const tnk::GostEngine before = tnk::gostEngine();
    for (tnk::GostEngine engine : {tnk::GostEngine::Portable, tnk::GostEngine::Avx2}) {
        if (tnk::useGostEngine(engine)) {
            SCOPED_TRACE(engine == tnk::GostEngine::Avx2 ? "AVX2" : "portable");
            body();
        }
    }
    tnk::useGostEngine(before);
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
    withEachEngine([&cases] {
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
    });
}

// Counts up to 20 cross the interleaved group size in several ways; every block must
// come out as if it had been enciphered on its own.
TEST(Gost, EcbOfOneToTwentyBlocksEqualsBlockByBlock) {
    withEachEngine([] {
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
    });
}

TEST(Gost, EngineChoice) {
    const tnk::GostEngine before = tnk::gostEngine();
    EXPECT_TRUE(tnk::gostEngineAvailable(tnk::GostEngine::Portable));
    ASSERT_TRUE(tnk::useGostEngine(tnk::GostEngine::Portable));
    EXPECT_EQ(tnk::gostEngine(), tnk::GostEngine::Portable);
    // Unavailable means refused, leaving the choice as it was.
    EXPECT_EQ(tnk::useGostEngine(tnk::GostEngine::Avx2),
              tnk::gostEngineAvailable(tnk::GostEngine::Avx2));
    tnk::useGostEngine(before);
}

// The vector engine works on groups of blocks; every count around and between group
// sizes, at every alignment, with random keys, must give the portable engine's bytes.
TEST(Gost, EnginesAgreeOnEveryLengthAndAlignment) {
    if (!tnk::gostEngineAvailable(tnk::GostEngine::Avx2)) {
        GTEST_SKIP() << "no AVX2 on this processor";
    }
    const tnk::GostEngine before = tnk::gostEngine();
    std::mt19937 rng(5);
    std::vector<std::size_t> counts;
    for (std::size_t blocks = 0; blocks <= 200; ++blocks) {
        counts.push_back(blocks);
    }
    for (std::size_t blocks : {1023u, 1024u, 1025u, 4096u + 31u, 12345u}) {
        counts.push_back(blocks);
    }
    for (std::size_t blocks : counts) {
        std::uint8_t key[32];
        for (auto& b : key) {
            b = std::uint8_t(rng());
        }
        const std::size_t offset = blocks % 8;
        std::vector<std::uint8_t> storage(offset + 8 * blocks);
        for (auto& b : storage) {
            b = std::uint8_t(rng());
        }
        for (bool decrypt : {false, true}) {
            auto run = [&](tnk::GostEngine engine) {
                tnk::useGostEngine(engine);
                auto copy = storage;
                (decrypt ? tnk::gostDecryptEcb : tnk::gostEncryptEcb)(copy.data() + offset,
                                                                      8 * blocks, key);
                return copy;
            };
            const auto portable = run(tnk::GostEngine::Portable);
            const auto vector = run(tnk::GostEngine::Avx2);
            ASSERT_EQ(vector, portable) << blocks << " blocks, decrypt " << decrypt;
            if (blocks > 0) {
                ASSERT_NE(portable, storage);
            }
        }
    }
    tnk::useGostEngine(before);
}

#ifdef NDEBUG
// Release builds leave a trailing partial block as it is; debug builds assert instead.
TEST(Gost, TrailingPartialBlockIsLeftUntouched) {
    withEachEngine([] {
        const auto key = pattern(32, 6);
        const auto plain = pattern(8 * 9 + 5, 7);
        auto data = plain;
        tnk::gostEncryptEcb(data.data(), data.size(), key.data());
        std::vector<std::uint8_t> whole(plain.begin(), plain.end() - 5);
        tnk::gostEncryptEcb(whole.data(), whole.size(), key.data());
        EXPECT_TRUE(std::equal(whole.begin(), whole.end(), data.begin()));
        EXPECT_TRUE(std::equal(plain.end() - 5, plain.end(), data.end() - 5));
    });
}
#endif

}  // namespace
