#pragma once

#include <cstddef>
#include <cstdint>

namespace tnk {

// GOST 28147-89 with the S-box set of the GOST R 34.11-94 test parameters,
// 32 key bytes read as eight little-endian words K0..K7.
void gostEncryptBlock(std::uint8_t block[8], const std::uint8_t key[32]);
void gostDecryptBlock(std::uint8_t block[8], const std::uint8_t key[32]);

// Electronic codebook over whole 8-byte blocks, in place; `size` should be a multiple
// of 8. A trailing partial block is a caller's mistake: debug builds assert, release
// builds leave those last size % 8 bytes as they are (pad with zeros to cipher them).
void gostEncryptEcb(std::uint8_t* data, std::size_t size, const std::uint8_t key[32]);
void gostDecryptEcb(std::uint8_t* data, std::size_t size, const std::uint8_t key[32]);

// The implementations behind the codebook functions; they give the same bytes. The
// widest one the processor offers is used unless another is asked for.
enum class GostEngine { Portable, Avx2 };

// Whether this processor and system can run `engine`.
bool gostEngineAvailable(GostEngine engine);
// The engine the codebook functions use now.
GostEngine gostEngine();
// Makes the codebook functions use `engine` from now on, so that tests and benchmarks
// can compare them; false, changing nothing, when this processor cannot run it.
bool useGostEngine(GostEngine engine);

}  // namespace tnk
