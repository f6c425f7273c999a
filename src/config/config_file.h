#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/config_document.h"
#include "platform/file_system.h"

// The enciphered file form of the configuration: UTF-8 with a byte-order mark,
// zero-padded to whole 8-byte blocks, GOST in electronic-codebook mode.
namespace tnk {

// MD5 of the file as 32 lower-case hex digits: the key a file made for that
// executable is read with. Empty when the file cannot be read.
std::optional<CipherKey> deriveKeyFromFile(const std::u16string& path, FileSystem& fs);
// The same for the running executable.
std::optional<CipherKey> deriveLoadKey();

// The key held in the top-level "win" text, when it is 32 code units long.
std::optional<CipherKey> saveKeyOf(const ConfigDocument& doc);
// A 32-code-unit text whose first 32 little-endian bytes are `key`.
std::u16string winTextForKey(const CipherKey& key);

// Deciphers file bytes in place and decodes them (UTF-8 after EF BB BF, UTF-16
// LE after FF FE, else the ANSI code page). `hadMark` says whether a mark was
// found: without one, the key most likely does not fit.
std::u16string decodeConfigBytes(Bytes& bytes, const CipherKey& key, bool* hadMark = nullptr);
// Encodes markup text into enciphered file bytes.
Bytes encodeConfigText(std::u16string_view markup, const CipherKey& key);

}  // namespace tnk
