#pragma once

#include <memory>
#include <string>

#include "config/config_document.h"

// The markup reader written the plain recursive way, one function per
// construct. It recurses per nesting level, so it serves only as the oracle
// that the iterative reader is checked against on shallow inputs.
namespace tnk::reference {

struct Reader {
    const char16_t* end;

    static bool blank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
    bool done(const char16_t* p) const { return p == end || *p == 0; }
    const char16_t* skip(const char16_t* p) const {
        while (!done(p) && blank(*p)) {
            ++p;
        }
        return p;
    }
    bool has(const char16_t* p, std::u16string_view s) const {
        for (char16_t c : s) {
            if (done(p) || *p++ != c) {
                return false;
            }
        }
        return true;
    }

    const char16_t* readName(const char16_t* p, std::u16string& name) const {
        const char16_t* start = p;
        while (!done(p) && !blank(*p) && *p != u'>') {
            ++p;
        }
        name = unescapeMarkup(std::u16string_view(start, p - start));
        return p;
    }

    const char16_t* readAttributes(ConfigNode& node, const char16_t* p) const {
        while (true) {
            p = skip(p);
            if (done(p) || *p == u'>') {
                return p;
            }
            const char16_t* start = p;
            while (!done(p) && *p != u'>' && *p != u'=' && !blank(*p)) {
                ++p;
            }
            if (done(p) || *p == u'>') {
                return p;
            }
            if (blank(*p)) {
                continue;
            }
            std::u16string name(start, p - start);
            ++p;
            if (name.empty() || done(p) || *p != u'"') {
                continue;
            }
            const char16_t* value = ++p;
            while (!done(p) && *p != u'"') {
                ++p;
            }
            if (done(p)) {
                return p;
            }
            node.setAttribute(name, unescapeMarkup(std::u16string_view(value, p - value)));
            ++p;
        }
    }

    const char16_t* readContent(ConfigNode& node, const char16_t* p) const {
        p = skip(p);
        if (done(p)) {
            return p;
        }
        while (true) {
            auto child = std::make_unique<ConfigNode>();
            p = read(*child, p);
            if (child->kind == NodeKind::EndTag) {
                return p;
            }
            node.appendChild(std::move(child));
            p = skip(p);
            if (done(p)) {
                return p;
            }
        }
    }

    const char16_t* read(ConfigNode& node, const char16_t* p) const {
        p = skip(p);
        if (done(p) || *p != u'<') {
            const char16_t* start = p;
            while (!done(p) && *p != u'<') {
                ++p;
            }
            node.kind = NodeKind::Text;
            node.name = unescapeMarkup(std::u16string_view(start, p - start));
            return p;
        }
        if (has(p, u"<?xml")) {
            p += 5;
            while (!done(p) && !has(p, u"?>")) {
                ++p;
            }
            return done(p) ? p : p + 2;
        }
        if (has(p, u"</")) {
            node.kind = NodeKind::EndTag;
            p = readName(p + 2, node.name);
            return (!done(p) && *p == u'>') ? p + 1 : p;
        }
        p = readName(p + 1, node.name);
        if (done(p)) {
            return p;
        }
        p = readAttributes(node, p);
        if (done(p)) {
            return p;
        }
        if (p[-1] == u'/') {
            return p + 1;
        }
        return readContent(node, p + 1);
    }
};

inline void parse(ConfigDocument& doc, std::u16string_view text) {
    doc.clear();
    if (text.empty()) {
        return;
    }
    Reader reader{text.data() + text.size()};
    const char16_t* p = text.data();
    while (!reader.done(p)) {
        auto node = std::make_unique<ConfigNode>();
        p = reader.read(*node, p);
        doc.appendTopLevel(std::move(node));
    }
}

}  // namespace tnk::reference
