// Bytes of a configuration file -> decipher and decode -> markup reader ->
// writer. The first byte chooses whether the rest is taken as the deciphered
// content (enciphered here first, so the fuzzer steers the text the reader
// sees) or as raw file bytes of any length.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/config_document.h"
#include "config/config_file.h"
#include "config/gost.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    tnk::CipherKey key;
    std::memcpy(key.data(), "0123456789abcdef0123456789abcdef", key.size());
    const bool steerText = (data[0] & 1) == 0;
    tnk::Bytes bytes(data + 1, data + size);
    if (steerText) {
        bytes.resize((bytes.size() + 7) / 8 * 8, 0);
        tnk::gostEncryptEcb(bytes.data(), bytes.size(), key.data());
    }
    const std::u16string text = tnk::decodeConfigBytes(bytes, key);
    tnk::ConfigDocument doc;
    doc.parse(text);
    doc.serialize();
    return 0;
}
