#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tnk {

// MD5 message digest (RFC 1321): feed bytes with update() in pieces of any size,
// then finish(), which also resets the object for a new message.
class Md5 {
  public:
    using Digest = std::array<std::uint8_t, 16>;

    Md5();
    void update(const void* data, std::size_t size);
    Digest finish();

    static Digest digest(const void* data, std::size_t size);
    // 32 lower-case hexadecimal digits.
    static std::string hex(const Digest& digest);

  private:
    void block(const std::uint8_t* p);
    std::uint32_t state_[4];
    std::uint64_t length_ = 0;
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
};

}  // namespace tnk
