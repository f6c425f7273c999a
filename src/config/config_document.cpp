#include "config/config_document.h"

namespace tnk {

ConfigDocument::~ConfigDocument() {
    clear();
}

ConfigNode* ConfigDocument::select(std::u16string_view path) {
    return root ? root->select(path) : nullptr;
}

const ConfigNode* ConfigDocument::select(std::u16string_view path) const {
    return root ? root->select(path) : nullptr;
}

ConfigNode* ConfigDocument::findTopLevel(std::u16string_view name) {
    for (ConfigNode* node = root.get(); node; node = node->nextSibling.get()) {
        if (node->name == name) {
            return node;
        }
    }
    return nullptr;
}

const ConfigNode* ConfigDocument::findTopLevel(std::u16string_view name) const {
    return const_cast<ConfigDocument*>(this)->findTopLevel(name);
}

ConfigNode* ConfigDocument::findTopLevel(const char16_t* name, std::size_t count) {
    return findTopLevel(std::u16string_view(name, count));
}

void ConfigDocument::clear() {
    destroyNodeList(std::move(root));
}

ConfigNode* ConfigDocument::appendTopLevel(std::unique_ptr<ConfigNode> node) {
    if (!node) {
        return nullptr;
    }
    node->parent = nullptr;
    std::unique_ptr<ConfigNode>* slot = &root;
    while (*slot) {
        slot = &(*slot)->nextSibling;
    }
    *slot = std::move(node);
    return slot->get();
}

ConfigDocument& theConfig() {
    static ConfigDocument document;
    return document;
}

}  // namespace tnk
