#include "config/md5.h"

#include <bit>
#include <cstring>

namespace tnk {
namespace {

constexpr std::uint32_t rotl(std::uint32_t v, int s) {
    return (v << s) | (v >> (32 - s));
}

std::uint32_t load32(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    } else {
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
}

void store32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

// The four auxiliary functions of RFC 1321, in equivalent forms that need fewer
// operations.
constexpr std::uint32_t fF(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return z ^ (x & (y ^ z));
}
// The two terms never share a set bit, so adding them is or-ing them; as a sum the term
// without x joins the step's other additions before the previous step has finished.
constexpr std::uint32_t fG(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & z) + (y & ~z);
}
constexpr std::uint32_t fH(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}
constexpr std::uint32_t fI(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (x | ~z);
}

#define TNK_MD5_STEP(f, a, b, c, d, x, t, s) a = b + rotl(a + f(b, c, d) + (x) + (t), s)

}  // namespace

Md5::Md5() : state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u} {}

void Md5::block(const std::uint8_t* p) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = load32(p + 4 * i);
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

    TNK_MD5_STEP(fF, a, b, c, d, x[0], 0xd76aa478u, 7);
    TNK_MD5_STEP(fF, d, a, b, c, x[1], 0xe8c7b756u, 12);
    TNK_MD5_STEP(fF, c, d, a, b, x[2], 0x242070dbu, 17);
    TNK_MD5_STEP(fF, b, c, d, a, x[3], 0xc1bdceeeu, 22);
    TNK_MD5_STEP(fF, a, b, c, d, x[4], 0xf57c0fafu, 7);
    TNK_MD5_STEP(fF, d, a, b, c, x[5], 0x4787c62au, 12);
    TNK_MD5_STEP(fF, c, d, a, b, x[6], 0xa8304613u, 17);
    TNK_MD5_STEP(fF, b, c, d, a, x[7], 0xfd469501u, 22);
    TNK_MD5_STEP(fF, a, b, c, d, x[8], 0x698098d8u, 7);
    TNK_MD5_STEP(fF, d, a, b, c, x[9], 0x8b44f7afu, 12);
    TNK_MD5_STEP(fF, c, d, a, b, x[10], 0xffff5bb1u, 17);
    TNK_MD5_STEP(fF, b, c, d, a, x[11], 0x895cd7beu, 22);
    TNK_MD5_STEP(fF, a, b, c, d, x[12], 0x6b901122u, 7);
    TNK_MD5_STEP(fF, d, a, b, c, x[13], 0xfd987193u, 12);
    TNK_MD5_STEP(fF, c, d, a, b, x[14], 0xa679438eu, 17);
    TNK_MD5_STEP(fF, b, c, d, a, x[15], 0x49b40821u, 22);

    TNK_MD5_STEP(fG, a, b, c, d, x[1], 0xf61e2562u, 5);
    TNK_MD5_STEP(fG, d, a, b, c, x[6], 0xc040b340u, 9);
    TNK_MD5_STEP(fG, c, d, a, b, x[11], 0x265e5a51u, 14);
    TNK_MD5_STEP(fG, b, c, d, a, x[0], 0xe9b6c7aau, 20);
    TNK_MD5_STEP(fG, a, b, c, d, x[5], 0xd62f105du, 5);
    TNK_MD5_STEP(fG, d, a, b, c, x[10], 0x02441453u, 9);
    TNK_MD5_STEP(fG, c, d, a, b, x[15], 0xd8a1e681u, 14);
    TNK_MD5_STEP(fG, b, c, d, a, x[4], 0xe7d3fbc8u, 20);
    TNK_MD5_STEP(fG, a, b, c, d, x[9], 0x21e1cde6u, 5);
    TNK_MD5_STEP(fG, d, a, b, c, x[14], 0xc33707d6u, 9);
    TNK_MD5_STEP(fG, c, d, a, b, x[3], 0xf4d50d87u, 14);
    TNK_MD5_STEP(fG, b, c, d, a, x[8], 0x455a14edu, 20);
    TNK_MD5_STEP(fG, a, b, c, d, x[13], 0xa9e3e905u, 5);
    TNK_MD5_STEP(fG, d, a, b, c, x[2], 0xfcefa3f8u, 9);
    TNK_MD5_STEP(fG, c, d, a, b, x[7], 0x676f02d9u, 14);
    TNK_MD5_STEP(fG, b, c, d, a, x[12], 0x8d2a4c8au, 20);

    TNK_MD5_STEP(fH, a, b, c, d, x[5], 0xfffa3942u, 4);
    TNK_MD5_STEP(fH, d, a, b, c, x[8], 0x8771f681u, 11);
    TNK_MD5_STEP(fH, c, d, a, b, x[11], 0x6d9d6122u, 16);
    TNK_MD5_STEP(fH, b, c, d, a, x[14], 0xfde5380cu, 23);
    TNK_MD5_STEP(fH, a, b, c, d, x[1], 0xa4beea44u, 4);
    TNK_MD5_STEP(fH, d, a, b, c, x[4], 0x4bdecfa9u, 11);
    TNK_MD5_STEP(fH, c, d, a, b, x[7], 0xf6bb4b60u, 16);
    TNK_MD5_STEP(fH, b, c, d, a, x[10], 0xbebfbc70u, 23);
    TNK_MD5_STEP(fH, a, b, c, d, x[13], 0x289b7ec6u, 4);
    TNK_MD5_STEP(fH, d, a, b, c, x[0], 0xeaa127fau, 11);
    TNK_MD5_STEP(fH, c, d, a, b, x[3], 0xd4ef3085u, 16);
    TNK_MD5_STEP(fH, b, c, d, a, x[6], 0x04881d05u, 23);
    TNK_MD5_STEP(fH, a, b, c, d, x[9], 0xd9d4d039u, 4);
    TNK_MD5_STEP(fH, d, a, b, c, x[12], 0xe6db99e5u, 11);
    TNK_MD5_STEP(fH, c, d, a, b, x[15], 0x1fa27cf8u, 16);
    TNK_MD5_STEP(fH, b, c, d, a, x[2], 0xc4ac5665u, 23);

    TNK_MD5_STEP(fI, a, b, c, d, x[0], 0xf4292244u, 6);
    TNK_MD5_STEP(fI, d, a, b, c, x[7], 0x432aff97u, 10);
    TNK_MD5_STEP(fI, c, d, a, b, x[14], 0xab9423a7u, 15);
    TNK_MD5_STEP(fI, b, c, d, a, x[5], 0xfc93a039u, 21);
    TNK_MD5_STEP(fI, a, b, c, d, x[12], 0x655b59c3u, 6);
    TNK_MD5_STEP(fI, d, a, b, c, x[3], 0x8f0ccc92u, 10);
    TNK_MD5_STEP(fI, c, d, a, b, x[10], 0xffeff47du, 15);
    TNK_MD5_STEP(fI, b, c, d, a, x[1], 0x85845dd1u, 21);
    TNK_MD5_STEP(fI, a, b, c, d, x[8], 0x6fa87e4fu, 6);
    TNK_MD5_STEP(fI, d, a, b, c, x[15], 0xfe2ce6e0u, 10);
    TNK_MD5_STEP(fI, c, d, a, b, x[6], 0xa3014314u, 15);
    TNK_MD5_STEP(fI, b, c, d, a, x[13], 0x4e0811a1u, 21);
    TNK_MD5_STEP(fI, a, b, c, d, x[4], 0xf7537e82u, 6);
    TNK_MD5_STEP(fI, d, a, b, c, x[11], 0xbd3af235u, 10);
    TNK_MD5_STEP(fI, c, d, a, b, x[2], 0x2ad7d2bbu, 15);
    TNK_MD5_STEP(fI, b, c, d, a, x[9], 0xeb86d391u, 21);

    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

#undef TNK_MD5_STEP

void Md5::update(const void* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    auto p = static_cast<const std::uint8_t*>(data);
    length_ += size;
    if (buffered_ > 0) {
        std::size_t take = 64 - buffered_;
        if (take > size) {
            take = size;
        }
        std::memcpy(buffer_ + buffered_, p, take);
        buffered_ += take;
        p += take;
        size -= take;
        if (buffered_ < 64) {
            return;
        }
        block(buffer_);
        buffered_ = 0;
    }
    for (; size >= 64; p += 64, size -= 64) {
        block(p);
    }
    if (size > 0) {
        std::memcpy(buffer_, p, size);
        buffered_ = size;
    }
}

Md5::Digest Md5::finish() {
    const std::uint64_t bits = length_ * 8;
    buffer_[buffered_++] = 0x80;
    if (buffered_ > 56) {
        std::memset(buffer_ + buffered_, 0, 64 - buffered_);
        block(buffer_);
        buffered_ = 0;
    }
    std::memset(buffer_ + buffered_, 0, 56 - buffered_);
    store32(buffer_ + 56, std::uint32_t(bits));
    store32(buffer_ + 60, std::uint32_t(bits >> 32));
    block(buffer_);

    Digest out;
    for (int i = 0; i < 4; ++i) {
        store32(out.data() + 4 * i, state_[i]);
    }
    *this = Md5();
    return out;
}

Md5::Digest Md5::digest(const void* data, std::size_t size) {
    Md5 md5;
    md5.update(data, size);
    return md5.finish();
}

std::string Md5::hex(const Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(32, '0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = kDigits[digest[i] >> 4];
        text[2 * i + 1] = kDigits[digest[i] & 15];
    }
    return text;
}

}  // namespace tnk
