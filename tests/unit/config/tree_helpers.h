#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/config_document.h"

namespace tnk::testing {

// A compact picture of a node list for assertions: E for elements, T for
// text, X for end tags; attributes in braces, children in brackets.
// Recursive, so only for small trees.
inline std::string dump(const ConfigNode* node) {
    std::string out;
    auto narrow = [](const std::u16string& s) {
        std::string r;
        for (char16_t c : s) {
            r += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return r;
    };
    for (; node; node = node->nextSibling.get()) {
        if (!out.empty()) {
            out += ',';
        }
        out += node->kind == NodeKind::Text ? "T" : node->kind == NodeKind::EndTag ? "X" : "E";
        out += '(';
        out += narrow(node->name);
        out += ')';
        if (!node->attributes.empty()) {
            out += '{';
            bool first = true;
            for (const auto& [k, v] : node->attributes) {
                if (!first) {
                    out += ' ';
                }
                out += narrow(k);
                out += '=';
                out += narrow(v);
                first = false;
            }
            out += '}';
        }
        if (node->firstChild) {
            out += '[';
            out += dump(node->firstChild.get());
            out += ']';
        }
    }
    return out;
}

inline std::string dump(const ConfigDocument& doc) {
    return dump(doc.root.get());
}

// Structural equality of two node lists, including parent links of `a`,
// walked without recursion so that it works on very deep trees.
inline bool sameTree(const ConfigNode* a, const ConfigNode* b) {
    struct Pair {
        const ConfigNode* a;
        const ConfigNode* b;
        const ConfigNode* parentA;
    };
    std::vector<Pair> pending{{a, b, a ? a->parent : nullptr}};
    while (!pending.empty()) {
        Pair p = pending.back();
        pending.pop_back();
        for (; p.a || p.b; p.a = p.a->nextSibling.get(), p.b = p.b->nextSibling.get()) {
            if (!p.a || !p.b || p.a->kind != p.b->kind || p.a->name != p.b->name ||
                p.a->parent != p.parentA ||
                !std::equal(p.a->attributes.begin(), p.a->attributes.end(), p.b->attributes.begin(),
                            p.b->attributes.end())) {
                return false;
            }
            if (p.a->firstChild || p.b->firstChild) {
                pending.push_back({p.a->firstChild.get(), p.b->firstChild.get(), p.a});
            }
        }
    }
    return true;
}

inline std::unique_ptr<ConfigNode> element(std::u16string_view name) {
    return std::make_unique<ConfigNode>(name, NodeKind::Element);
}

inline std::unique_ptr<ConfigNode> textNode(std::u16string_view data) {
    return std::make_unique<ConfigNode>(data, NodeKind::Text);
}

inline std::u16string widen(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

}  // namespace tnk::testing
