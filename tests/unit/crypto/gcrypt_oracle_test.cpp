// Cross-checks against libgcrypt, an independent implementation of both algorithms.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "config/gost.h"
#include "config/md5.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes randomBytes(std::mt19937& rng, std::size_t size) {
    Bytes v(size);
    for (auto& b : v) {
        b = std::uint8_t(rng());
    }
    return v;
}

// Enciphers or deciphers with libgcrypt, with its default substitution rows or with the
// rows of GOST R 34.11-94's test parameter set named explicitly.
Bytes gcryptGost(const Bytes& key, Bytes data, bool decrypt, bool explicitSbox = true) {
    gcry_check_version(nullptr);
    gcry_cipher_hd_t h = nullptr;
    EXPECT_EQ(0u, gcry_cipher_open(&h, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, 0));
    if (explicitSbox) {
        // Not gcry_cipher_set_sbox: that macro carries its own semicolon.
        static char oid[] = "1.2.643.2.2.30.0";
        EXPECT_EQ(0u, gcry_cipher_ctl(h, GCRYCTL_SET_SBOX, oid, 0));
    }
    EXPECT_EQ(0u, gcry_cipher_setkey(h, key.data(), key.size()));
    EXPECT_EQ(0u, decrypt ? gcry_cipher_decrypt(h, data.data(), data.size(), nullptr, 0)
                          : gcry_cipher_encrypt(h, data.data(), data.size(), nullptr, 0));
    gcry_cipher_close(h);
    return data;
}

TEST(GcryptOracle, GostAgreesOnRandomKeysAndData) {
    std::mt19937 rng(12);
    const Bytes key0 = randomBytes(rng, 32), data0 = randomBytes(rng, 512);
    ASSERT_EQ(gcryptGost(key0, data0, false, false), gcryptGost(key0, data0, false))
        << "libgcrypt's default substitution rows are not the expected ones";

    // Each engine this processor can run, on its own.
    const tnk::GostEngine before = tnk::gostEngine();
    for (tnk::GostEngine engine : {tnk::GostEngine::Portable, tnk::GostEngine::Avx2}) {
        if (!tnk::useGostEngine(engine)) {
            continue;
        }
        for (int round = 0; round < 200; ++round) {
            const Bytes key = randomBytes(rng, 32);
            const std::size_t blocks = round % 10 == 0 ? 4096 + rng() % 64 : 1 + rng() % 80;
            const Bytes plain = randomBytes(rng, 8 * blocks);
            Bytes ours = plain;
            tnk::gostEncryptEcb(ours.data(), ours.size(), key.data());
            ASSERT_EQ(ours, gcryptGost(key, plain, false))
                << "encipher, round " << round << ", engine " << int(engine);
            ours = plain;
            tnk::gostDecryptEcb(ours.data(), ours.size(), key.data());
            ASSERT_EQ(ours, gcryptGost(key, plain, true))
                << "decipher, round " << round << ", engine " << int(engine);
        }
    }
    tnk::useGostEngine(before);
}

TEST(GcryptOracle, Md5AgreesForEverySmallSizeAndRandomPieces) {
    std::mt19937 rng(13);
    const Bytes data = randomBytes(rng, 70000);
    std::uint8_t expected[16];
    for (std::size_t size = 0; size <= 300; ++size) {
        gcry_md_hash_buffer(GCRY_MD_MD5, expected, data.data(), size);
        ASSERT_EQ(0, std::memcmp(tnk::Md5::digest(data.data(), size).data(), expected, 16))
            << size << " bytes";
    }
    for (int round = 0; round < 20; ++round) {
        const std::size_t size = rng() % data.size();
        tnk::Md5 md5;
        for (std::size_t at = 0, piece; at < size; at += piece) {
            piece = std::min<std::size_t>(size - at, rng() % 200);
            md5.update(data.data() + at, piece);
        }
        gcry_md_hash_buffer(GCRY_MD_MD5, expected, data.data(), size);
        ASSERT_EQ(0, std::memcmp(md5.finish().data(), expected, 16)) << size << " bytes";
    }
}

}  // namespace
