// Feeds arbitrary bytes to the markup reader, as UTF-16 code units, as
// Latin-1 widened and as UTF-8, then checks what must hold for any input: the
// writer's output reads back without harm, the iterative reader agrees with
// the plain recursive one, trees the writer can represent survive a second
// cycle, reading UTF-8 directly equals reading its decoded text, and the
// UTF-8 writer equals the encoded UTF-16 writer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../unit/config/reference_reader.h"
#include "../unit/config/tree_helpers.h"
#include "config/config_document.h"
#include "platform/utf8_codec.h"

namespace {

using tnk::ConfigDocument;
using tnk::ConfigNode;
using tnk::NodeKind;

bool blank(char16_t c) {
    return tnk::reference::Reader::blank(c);
}

// Names the writer puts out that read back as something else: a blank or a
// zero ends a name early, a trailing "/" makes the element empty (so its end
// tag closes the parent), a leading "/" or "?xml" makes an end tag or a
// declaration.
bool writableElementName(const std::u16string& name) {
    return !name.empty() && name.front() != u'/' && name.back() != u'/' &&
           !name.starts_with(u"?xml") &&
           std::none_of(name.begin(), name.end(), [](char16_t c) { return c == 0 || blank(c); });
}

// Attribute names are escaped on writing but not unescaped on reading.
bool writableAttributeName(const std::u16string& name) {
    return name.find_first_of(u"<>\"") == std::u16string::npos;
}

// True for the trees that the writer and reader carry over unchanged: only
// elements, each holding only elements or exactly one Text child without
// leading white space (reading drops it, and white-space-only text vanishes).
bool representable(const ConfigNode* list) {
    std::vector<const ConfigNode*> pending{list};
    while (!pending.empty()) {
        const ConfigNode* node = pending.back();
        pending.pop_back();
        for (; node; node = node->nextSibling.get()) {
            if (node->kind != NodeKind::Element || !writableElementName(node->name)) {
                return false;
            }
            for (const auto& [name, value] : node->attributes) {
                if (!writableAttributeName(name)) {
                    return false;
                }
            }
            const ConfigNode* child = node->firstChild.get();
            if (child && child->kind == NodeKind::Text) {
                const std::u16string& data = child->name;
                if (child->nextSibling || data.empty() || blank(data.front()) ||
                    data.find(u'\0') != std::u16string::npos) {
                    return false;
                }
            } else if (child) {
                pending.push_back(child);
            }
        }
    }
    return true;
}

void check(std::u16string_view text) {
    ConfigDocument doc;
    doc.parse(text);

    // The iterative reader must give the recursive reader's result. The
    // oracle recurses per level, so it only sees inputs of modest size.
    if (text.size() <= 16384) {
        ConfigDocument oracle;
        tnk::reference::parse(oracle, text);
        if (!tnk::testing::sameTree(doc.root.get(), oracle.root.get())) {
            std::abort();
        }
    }

    std::u16string written = doc.serialize();
    ConfigDocument again;
    again.parse(written);
    if (representable(doc.root.get())) {
        if (!tnk::testing::sameTree(again.root.get(), doc.root.get()) ||
            again.serialize() != written) {
            std::abort();
        }
    }
    // Anything written reads and writes again without harm.
    std::u16string second = again.serialize();
    ConfigDocument third;
    third.parse(second);
    (void)third.serialize();
}

void checkUtf8(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size, u'\0');
    text.resize(tnk::decodeUtf8(data, size, text.data()));
    ConfigDocument direct;
    direct.parseUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    ConfigDocument decoded;
    decoded.parse(text);
    if (!tnk::testing::sameTree(direct.root.get(), decoded.root.get())) {
        std::abort();
    }
    if (!direct.root) {
        return;
    }
    const std::u16string written = direct.serialize();
    std::string expected(3 * written.size(), '\0');
    expected.resize(tnk::encodeUtf8(written, expected.data()));
    std::vector<std::uint8_t> bytes;
    direct.root->writeListUtf8(bytes, 0);
    if (std::string(bytes.begin(), bytes.end()) != expected) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    check(units);
    check(std::u16string(data, data + size));
    checkUtf8(data, size);
    return 0;
}
