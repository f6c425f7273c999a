#include <algorithm>
#include <cstdint>
#include <string_view>

#include "capture/capture_engine.h"

namespace tnk {

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

bool startsLine(std::u16string_view display) {
    return display == u"block" || display == u"list-item" || display == u"table-header-group" ||
           display == u"table-footer-group";
}

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

std::uint32_t digitValue(char16_t c) {
    const char16_t lower = lowerAscii(c);
    return lower <= 0x39 ? std::uint32_t(lower) - 0x30 : std::uint32_t(lower) - 0x57;
}

// Compares a colour text, lower-cased on the fly, with a table name;
// negative, zero or positive like strcmp.
int compareName(std::u16string_view text, const char* name) {
    std::size_t i = 0;
    for (; i < text.size() && name[i] != 0; ++i) {
        const int a = lowerAscii(text[i]);
        const int b = static_cast<unsigned char>(name[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (i == text.size()) {
        return name[i] == 0 ? 0 : -1;
    }
    return 1;
}

}  // namespace

std::int32_t CaptureEngine::parseColor(const dom::StyleValue& value) {
    if (!value.isString) {
        return value.number;
    }
    const std::u16string_view text = value.text;
    if (!text.empty() && text[0] == u'#') {
        // Unsigned arithmetic: characters are not validated, so any text
        // must give some value without overflow.
        std::uint32_t rgb = 0;
        if (text.size() == 4) {
            for (std::size_t i = 1; i < 4; ++i) {
                rgb = rgb * 256 + digitValue(text[i]) * 17;
            }
        } else if (text.size() == 7) {
            for (std::size_t i = 1; i < 7; ++i) {
                rgb = rgb * 16 + digitValue(text[i]);
            }
        }
        return static_cast<std::int32_t>(rgb);
    }
    const NamedColor* first = namedColors;
    const NamedColor* last = namedColors + std::size(namedColors);
    const NamedColor* found = std::lower_bound(
        first, last, text,
        [](const NamedColor& row, std::u16string_view t) { return compareName(t, row.name) > 0; });
    if (found != last && compareName(text, found->name) == 0) {
        return found->rgb;
    }
    return 0xFFFFFF;
}

bool CaptureEngine::sameColor(const dom::StyleValue& a, const dom::StyleValue& b) {
    return parseColor(a) == parseColor(b);
}

dom::NodePtr CaptureEngine::enterElement(dom::Element& element, std::u16string& text) {
    const std::unique_ptr<dom::Style> style = element.currentStyle();
    if (!style) {
        return nullptr;
    }
    const std::u16string display = style->display();
    if (display == u"none") {
        return nullptr;
    }
    if (startsLine(display) && !text.empty()) {
        text += kLineBreak;
    }
    const std::u16string fontSize = style->fontSize();
    if (!fontSize.empty() && fontSize[0] == u'0') {
        return nullptr;
    }
    if (sameColor(style->color(), style->backgroundColor())) {
        return nullptr;
    }
    const dom::NodePtr node = element.asNode();
    return node ? node->firstChild() : nullptr;
}

dom::NodePtr CaptureEngine::visitNode(dom::Node& node, std::u16string& text) {
    if (node.nodeType() == 3) {
        if (const auto value = node.nodeValue()) {
            text += *value;
        }
        return nullptr;
    }
    if (node.nodeName() == u"BR") {
        text += kLineBreak;
        return nullptr;
    }
    if (!node.hasChildNodes()) {
        return nullptr;
    }
    const dom::ElementPtr element = node.asElement();
    return element ? enterElement(*element, text) : nullptr;
}

// The walk keeps one pending node per nesting level on walk_ instead of one
// call per level, so a deeply nested page cannot exhaust the stack; the
// order of the document calls and the text are those of a recursive walk.
void CaptureEngine::walkFrom(dom::NodePtr first, std::u16string& text) {
    walk_.clear();
    walk_.push_back(std::move(first));
    while (!walk_.empty() && !stopped()) {
        if (dom::NodePtr child = visitNode(*walk_.back(), text)) {
            walk_.push_back(std::move(child));
            continue;
        }
        while (!walk_.empty()) {
            if (dom::NodePtr next = walk_.back()->nextSibling()) {
                walk_.back() = std::move(next);
                break;
            }
            walk_.pop_back();
        }
    }
    // A walk that gave way lets go of the nodes it still held.
    walk_.clear();
}

void CaptureEngine::filteredText(dom::Element& element, std::u16string& text) {
    if (dom::NodePtr first = enterElement(element, text)) {
        walkFrom(std::move(first), text);
    }
}

void CaptureEngine::appendNodeText(dom::Node& node, std::u16string& text) {
    if (dom::NodePtr first = visitNode(node, text)) {
        walkFrom(std::move(first), text);
    }
}

}  // namespace tnk
