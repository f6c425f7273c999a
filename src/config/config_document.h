#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/config_node.h"
#include "platform/file_system.h"

namespace tnk {

using CipherKey = std::array<std::uint8_t, 32>;

// The whole configuration: options, language texts and the depository, read
// from and written to the enciphered "tnk.cfg".
class ConfigDocument {
  public:
    ConfigDocument() = default;
    ~ConfigDocument();
    ConfigDocument(const ConfigDocument&) = delete;
    ConfigDocument& operator=(const ConfigDocument&) = delete;

    // First top-level node; the others follow through nextSibling.
    std::unique_ptr<ConfigNode> root;
    // The path of the last load whose file could be opened.
    std::u16string path;

    ConfigNode* select(std::u16string_view path);
    const ConfigNode* select(std::u16string_view path) const;
    ConfigNode* findTopLevel(std::u16string_view name);
    const ConfigNode* findTopLevel(std::u16string_view name) const;
    ConfigNode* findTopLevel(const char16_t* name, std::size_t count);
    void clear();
    // Appends a node to the top-level list; returns it.
    ConfigNode* appendTopLevel(std::unique_ptr<ConfigNode> node);

    // Replaces the tree by the tree read from `text`, which ends at its first
    // zero code unit or at its end. Never fails.
    void parse(std::u16string_view text);
    // As parse of the UTF-16 form of the UTF-8 `text` (ends at its first zero
    // byte), without holding that form: runs are decoded as they are read.
    void parseUtf8(std::string_view text);
    // The markup text of the whole document.
    std::u16string serialize() const;

    // Reads the file enciphered for the running executable. A file that cannot
    // be opened leaves everything unchanged.
    void load(const std::u16string& path);
    // As load, with an explicit key and file system (tests and tools).
    // Returns false when the file could not be opened or no key was given.
    bool load(const std::u16string& path, const std::optional<CipherKey>& key, FileSystem& fs);

    // Writes the document enciphered with the key held in "win". With a null
    // path the remembered one is used. Returns false, writing nothing, when
    // the document is empty, "win" is not 32 code units long, or its key is
    // not the key this program reads with (the file would be unreadable).
    bool save(const std::u16string* path = nullptr);
    bool save(const std::u16string& path, FileSystem& fs);

    // The text of `key` in the current language, or null.
    const std::u16string* languageText(std::u16string_view key) const;

    // The key the running program reads with; remembered by load, derived
    // from the executable when the document was never loaded from a file.
    std::optional<CipherKey> readKey;
};

// The process-wide configuration.
ConfigDocument& theConfig();

}  // namespace tnk
