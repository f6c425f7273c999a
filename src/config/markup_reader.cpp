#include <cstring>
#include <vector>

#include "config/config_document.h"
#include "config/markup_text.h"

namespace tnk {

namespace {

// The reader works on [p, end); a zero code unit ends the text as well, so
// every scan below stops at one.

using markup::isBlank;

const char16_t* skipBlanks(const char16_t* p, const char16_t* end) {
    while (p != end && isBlank(*p)) {
        ++p;
    }
    return p;
}

bool atEnd(const char16_t* p, const char16_t* end) {
    return p == end || *p == 0;
}

// Finds the first `stop` or zero code unit at or after `p` (or `end`), and
// reports whether an "&" came before it, so that data without one is copied
// without the unescaping pass. Character data and attribute values are the
// bulk of a document; this loop is where reading spends its time.
const char16_t* scanData(const char16_t* p, const char16_t* end, char16_t stop, bool& ampersand) {
#ifdef TNK_MARKUP_SSE2
    using namespace markup;
    const __m128i stopVector = splat(stop), ampVector = splat(u'&'), zero = _mm_setzero_si128();
    for (; end - p >= 8; p += 8) {
        __m128i chunk = load8(p);
        unsigned stops =
            maskOf(_mm_or_si128(_mm_cmpeq_epi16(chunk, stopVector), _mm_cmpeq_epi16(chunk, zero)));
        unsigned amps = maskOf(_mm_cmpeq_epi16(chunk, ampVector));
        if (stops != 0) {
            unsigned first = static_cast<unsigned>(__builtin_ctz(stops));
            ampersand = ampersand || (amps & ((1u << first) - 1)) != 0;
            return p + first / 2;
        }
        ampersand = ampersand || amps != 0;
    }
#endif
    for (; p != end; ++p) {
        char16_t c = *p;
        if (c == stop || c == 0) {
            return p;
        }
        if (c == u'&') {
            ampersand = true;
        }
    }
    return p;
}

std::u16string decoded(const char16_t* begin, const char16_t* end, bool ampersand) {
    std::u16string text(begin, end);
    if (ampersand) {
        char16_t* last = markup::unescapeInPlace(text.data(), text.data() + text.size());
        text.resize(static_cast<std::size_t>(last - text.data()));
    }
    return text;
}

// A tag name runs to white space, ">" or the end of the text.
const char16_t* scanName(const char16_t* p, const char16_t* end, bool& ampersand) {
    for (; p != end; ++p) {
        char16_t c = *p;
        if (c == u'>' || c == 0 || isBlank(c)) {
            break;
        }
        if (c == u'&') {
            ampersand = true;
        }
    }
    return p;
}

bool startsWith(const char16_t* p, const char16_t* end, std::u16string_view prefix) {
    return static_cast<std::size_t>(end - p) >= prefix.size() &&
           std::memcmp(p, prefix.data(), prefix.size() * sizeof(char16_t)) == 0;
}

// Reads the attributes of a start tag; returns the position of ">" or of the
// end of the text. Malformed attributes are dropped, never reported.
const char16_t* readAttributes(ConfigNode& node, const char16_t* p, const char16_t* end) {
    while (true) {
        p = skipBlanks(p, end);
        if (atEnd(p, end) || *p == u'>') {
            return p;
        }
        const char16_t* nameStart = p;
        while (p != end && *p != u'>' && *p != u'=' && *p != 0 && !isBlank(*p)) {
            ++p;
        }
        if (atEnd(p, end) || *p == u'>') {
            return p;
        }
        if (*p != u'=') {
            continue;  // a word followed by white space: dropped
        }
        std::u16string_view name(nameStart, static_cast<std::size_t>(p - nameStart));
        ++p;
        if (name.empty() || p == end || *p != u'"') {
            continue;  // an unquoted value is scanned (and dropped) as a name
        }
        ++p;
        bool ampersand = false;
        const char16_t* valueEnd = scanData(p, end, u'"', ampersand);
        if (atEnd(valueEnd, end)) {
            return valueEnd;
        }
        node.attributes.set(std::u16string(name), decoded(p, valueEnd, ampersand));
        p = valueEnd + 1;
    }
}

// Builds a node list from markup with an explicit stack of open elements, so
// that nesting depth never reaches the call stack. The result is that of the
// straightforward recursive reader: read a node (skipping white space first),
// and for an element with content read children, skipping white space before
// each, until an end tag of any name closes it.
class MarkupReader {
  public:
    MarkupReader(std::unique_ptr<ConfigNode>& root, const char16_t* p, const char16_t* end)
        : topSlot_(&root), p_(p), end_(end) {}

    void run() {
        while (true) {
            if (open_.empty()) {
                if (atEnd(p_, end_)) {
                    return;
                }
            } else {
                p_ = skipBlanks(p_, end_);
                if (atEnd(p_, end_)) {
                    return;  // elements still open are complete as read
                }
            }
            readNode();
        }
    }

  private:
    struct OpenElement {
        ConfigNode* node;
        std::unique_ptr<ConfigNode>* tailSlot;
    };

    ConfigNode* append(NodeKind kind, std::u16string&& name) {
        auto node = std::make_unique<ConfigNode>();
        node->kind = kind;
        node->name = std::move(name);
        std::unique_ptr<ConfigNode>** slot = &topSlot_;
        if (!open_.empty()) {
            node->parent = open_.back().node;
            slot = &open_.back().tailSlot;
        }
        ConfigNode* raw = node.get();
        **slot = std::move(node);
        *slot = &raw->nextSibling;
        return raw;
    }

    void readNode() {
        const char16_t* end = end_;
        const char16_t* p = skipBlanks(p_, end);
        if (atEnd(p, end) || *p != u'<') {
            bool ampersand = false;
            const char16_t* dataEnd = scanData(p, end, u'<', ampersand);
            append(NodeKind::Text, decoded(p, dataEnd, ampersand));
            p_ = dataEnd;
            return;
        }
        if (startsWith(p, end, u"<?xml")) {
            const char16_t* q = p + 5;
            while (!atEnd(q, end) && !(*q == u'?' && q + 1 != end && q[1] == u'>')) {
                ++q;
            }
            p_ = atEnd(q, end) ? q : q + 2;
            append(NodeKind::Element, {});
            return;
        }
        if (p + 1 != end && p[1] == u'/') {
            bool ampersand = false;
            const char16_t* nameEnd = scanName(p + 2, end, ampersand);
            if (open_.empty()) {
                append(NodeKind::EndTag, decoded(p + 2, nameEnd, ampersand));
            } else {
                open_.pop_back();  // any end tag closes the innermost element
            }
            p_ = (nameEnd != end && *nameEnd == u'>') ? nameEnd + 1 : nameEnd;
            return;
        }
        bool ampersand = false;
        const char16_t* nameEnd = scanName(p + 1, end, ampersand);
        ConfigNode* element = append(NodeKind::Element, decoded(p + 1, nameEnd, ampersand));
        if (atEnd(nameEnd, end)) {
            p_ = nameEnd;
            return;
        }
        p = readAttributes(*element, nameEnd, end);
        if (atEnd(p, end)) {
            p_ = p;
            return;
        }
        bool empty = p[-1] == u'/';
        p_ = p + 1;
        if (!empty) {
            open_.push_back({element, &element->firstChild});
        }
    }

    std::unique_ptr<ConfigNode>* topSlot_;
    std::vector<OpenElement> open_;
    const char16_t* p_;
    const char16_t* end_;
};

}  // namespace

void ConfigDocument::parse(std::u16string_view text) {
    clear();
    if (text.empty()) {
        return;
    }
    MarkupReader(root, text.data(), text.data() + text.size()).run();
}

}  // namespace tnk
