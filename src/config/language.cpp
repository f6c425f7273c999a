#include "config/config_document.h"

namespace tnk {

const std::u16string* ConfigDocument::languageText(std::u16string_view key) const {
    // The table is the first top-level *element* of that name: a stray text
    // or end tag spelled "language" must not hide it.
    const ConfigNode* table = root ? root->select(u"language") : nullptr;
    if (table == nullptr) {
        return nullptr;
    }
    const std::u16string* language = table->attribute(u"curlng");
    if (language == nullptr) {
        return nullptr;
    }
    std::u16string path;
    path.reserve(language->size() + key.size() + 8);
    path += u'@';
    path += *language;
    path += u"@text@";
    path += key;
    const ConfigNode* entry = table->select(path);
    return entry ? entry->text() : nullptr;
}

}  // namespace tnk
