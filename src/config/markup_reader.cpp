#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "config/avx2.h"
#include "config/config_document.h"
#include "config/markup_text.h"
#include "platform/utf8_codec.h"

namespace tnk {

namespace {

// The reader works on [p, end) of UTF-16 code units or of UTF-8 bytes; a zero
// unit ends the text as well, so every scan below stops at one. Everything
// the reader looks for is ASCII, and a UTF-8 decoder never takes an ASCII
// byte into a sequence, so runs decoded one by one equal the runs of the
// text decoded whole.

template <typename Unit>
bool isBlankUnit(Unit c) {
    return markup::isBlank(static_cast<char16_t>(c));
}

template <typename Unit>
const Unit* skipBlanks(const Unit* p, const Unit* end) {
    while (p != end && isBlankUnit(*p)) {
        ++p;
    }
    return p;
}

template <typename Unit>
bool atEnd(const Unit* p, const Unit* end) {
    return p == end || *p == 0;
}

// Finds the first `stop` or zero unit at or after `p` (or `end`), and
// reports whether an "&" came before it, so that data without one is copied
// without the unescaping pass. Character data and attribute values are the
// bulk of a document; this loop is where reading spends its time.
template <typename Unit>
const Unit* scanData(const Unit* p, const Unit* end, char16_t stop, bool& ampersand) {
#ifdef TNK_MARKUP_SSE2
    if constexpr (sizeof(Unit) == 2) {
        using namespace markup;
        const __m128i stopVector = splat(stop), ampVector = splat(u'&'), zero = _mm_setzero_si128();
        for (; end - p >= 8; p += 8) {
            __m128i chunk = load8(p);
            unsigned stops = maskOf(
                _mm_or_si128(_mm_cmpeq_epi16(chunk, stopVector), _mm_cmpeq_epi16(chunk, zero)));
            unsigned amps = maskOf(_mm_cmpeq_epi16(chunk, ampVector));
            if (stops != 0) {
                unsigned first = static_cast<unsigned>(__builtin_ctz(stops));
                ampersand = ampersand || (amps & ((1u << first) - 1)) != 0;
                return p + first / 2;
            }
            ampersand = ampersand || amps != 0;
        }
    } else {
        const __m128i stopVector = _mm_set1_epi8(static_cast<char>(stop)),
                      ampVector = _mm_set1_epi8('&'), zero = _mm_setzero_si128();
        for (; end - p >= 16; p += 16) {
            __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            unsigned stops = markup::maskOf(
                _mm_or_si128(_mm_cmpeq_epi8(chunk, stopVector), _mm_cmpeq_epi8(chunk, zero)));
            unsigned amps = markup::maskOf(_mm_cmpeq_epi8(chunk, ampVector));
            if (stops != 0) {
                unsigned first = static_cast<unsigned>(__builtin_ctz(stops));
                ampersand = ampersand || (amps & ((1u << first) - 1)) != 0;
                return p + first;
            }
            ampersand = ampersand || amps != 0;
        }
    }
#endif
    for (; p != end; ++p) {
        Unit c = *p;
        if (c == stop || c == 0) {
            return p;
        }
        if (c == u'&') {
            ampersand = true;
        }
    }
    return p;
}

std::u16string textOf(const char16_t* begin, const char16_t* end) {
    return std::u16string(begin, end);
}

// Decodes UTF-8 data and, with `ampersand`, replaces the three entities in
// the same pass. Entities are ASCII and no UTF-8 sequence holds an ASCII
// byte, so matching them on the bytes equals unescaping the decoded text.
std::u16string decodedUtf8(const unsigned char* s, std::size_t size, bool ampersand) {
    std::u16string text;
    text.resize(size);  // a byte never decodes to more than one unit
    char16_t* out = text.data();
    std::size_t i = 0;
    const bool avx2 = markupAvx2Decoding();
    while (i != size) {
        if (avx2 && size - i >= markup::kAvx2DecodeMinimum) {
            // Long stretches, 64 bytes a step.
            markup::decodeUtf8Avx2(s, size, i, out, ampersand);
            if (i == size) {
                break;
            }
        }
#ifdef TNK_MARKUP_SSE2
        // Sixteen bytes at a time while they are ASCII other than "&". The
        // output never runs ahead of the input, so a whole block may be
        // stored before it is known how much of it counts.
        const __m128i zero = _mm_setzero_si128(),
                      amp = ampersand ? _mm_set1_epi8('&') : _mm_set1_epi8(0);
        while (size - i >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            markup::store8(out, _mm_unpacklo_epi8(chunk, zero));
            markup::store8(out + 8, _mm_unpackhi_epi8(chunk, zero));
            const unsigned special =
                markup::maskOf(chunk) | markup::maskOf(_mm_cmpeq_epi8(chunk, amp));
            if (special != 0) {
                const unsigned plain = static_cast<unsigned>(__builtin_ctz(special));
                i += plain;
                out += plain;
                break;
            }
            i += 16;
            out += 16;
        }
        if (i == size) {
            break;
        }
#endif
        const unsigned char b = s[i];
        const std::size_t left = size - i;
        // ASCII and the two- and three-byte characters of running text, when
        // whole, are decoded here; anything else goes to the codec.
        if (b < 0x80 && (b != '&' || !ampersand)) {
            *out++ = b;
            ++i;
            continue;
        }
        if (b >= 0xC2 && b < 0xE0 && left >= 2 && (s[i + 1] & 0xC0) == 0x80) {
            *out++ = static_cast<char16_t>(((b & 0x1F) << 6) | (s[i + 1] & 0x3F));
            i += 2;
            continue;
        }
        if (b > 0xE0 && b < 0xF0 && b != 0xED && left >= 3 && (s[i + 1] & 0xC0) == 0x80 &&
            (s[i + 2] & 0xC0) == 0x80) {
            *out++ = static_cast<char16_t>(((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) |
                                           (s[i + 2] & 0x3F));
            i += 3;
            continue;
        }
        if (b != '&' || !ampersand) {
            const Utf8Step step = decodeUtf8Sequence(s + i, left);
            i += step.bytes;
            *out++ = step.unit;
            if (step.low != 0) {
                *out++ = step.low;
            }
            continue;
        }
        if (left >= 4 && s[i + 2] == 't' && s[i + 3] == ';' &&
            (s[i + 1] == 'l' || s[i + 1] == 'g')) {
            *out++ = s[i + 1] == 'l' ? u'<' : u'>';
            i += 4;
        } else if (left >= 6 && std::memcmp(s + i + 1, "quot;", 5) == 0) {
            *out++ = u'"';
            i += 6;
        } else {
            *out++ = u'&';
            ++i;
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    // Text in the larger scripts takes three bytes per unit; keeping the room
    // of a byte per unit would double the memory of such a depository.
    if (text.capacity() - text.size() > text.size() / 2) {
        text.shrink_to_fit();
    }
    return text;
}

std::u16string textOf(const unsigned char* begin, const unsigned char* end) {
    return decodedUtf8(begin, static_cast<std::size_t>(end - begin), false);
}

std::u16string decoded(const char16_t* begin, const char16_t* end, bool ampersand) {
    std::u16string text(begin, end);
    if (ampersand) {
        char16_t* last = markup::unescapeInPlace(text.data(), text.data() + text.size());
        text.resize(static_cast<std::size_t>(last - text.data()));
    }
    return text;
}

std::u16string decoded(const unsigned char* begin, const unsigned char* end, bool ampersand) {
    return decodedUtf8(begin, static_cast<std::size_t>(end - begin), ampersand);
}

// A tag name runs to white space, ">" or the end of the text.
template <typename Unit>
const Unit* scanName(const Unit* p, const Unit* end, bool& ampersand) {
    for (; p != end; ++p) {
        Unit c = *p;
        if (c == u'>' || c == 0 || isBlankUnit(c)) {
            break;
        }
        if (c == u'&') {
            ampersand = true;
        }
    }
    return p;
}

template <typename Unit>
bool startsWith(const Unit* p, const Unit* end, std::u16string_view prefix) {
    if (static_cast<std::size_t>(end - p) < prefix.size()) {
        return false;
    }
    for (char16_t c : prefix) {
        if (*p++ != c) {
            return false;
        }
    }
    return true;
}

// Reads the attributes of a start tag; returns the position of ">" or of the
// end of the text. Malformed attributes are dropped, never reported.
template <typename Unit>
const Unit* readAttributeList(ConfigNode& node, const Unit* p, const Unit* end) {
    while (true) {
        p = skipBlanks(p, end);
        if (atEnd(p, end) || *p == u'>') {
            return p;
        }
        const Unit* nameStart = p;
        while (p != end && *p != u'>' && *p != u'=' && *p != 0 && !isBlankUnit(*p)) {
            ++p;
        }
        if (atEnd(p, end) || *p == u'>') {
            return p;
        }
        if (*p != u'=') {
            continue;  // a word followed by white space: dropped
        }
        const Unit* nameEnd = p;
        ++p;
        if (nameEnd == nameStart || p == end || *p != u'"') {
            continue;  // an unquoted value is scanned (and dropped) as a name
        }
        ++p;
        bool ampersand = false;
        const Unit* valueEnd = scanData(p, end, u'"', ampersand);
        if (atEnd(valueEnd, end)) {
            return valueEnd;
        }
        node.attributes.set(textOf(nameStart, nameEnd), decoded(p, valueEnd, ampersand));
        p = valueEnd + 1;
    }
}

// Builds a node list from markup with an explicit stack of open elements, so
// that nesting depth never reaches the call stack. The result is that of the
// straightforward recursive reader: read a node (skipping white space first),
// and for an element with content read children, skipping white space before
// each, until an end tag of any name closes it.
template <typename Unit>
class MarkupReader {
  public:
    MarkupReader(std::unique_ptr<ConfigNode>& root, const Unit* p, const Unit* end)
        : topSlot_(&root), p_(p), end_(end) {}

    // Every node up to the end of the text, as top-level nodes.
    void run() {
        while (!atEnd(p_, end_)) {
            readNode();
            readUntilClosed();
        }
    }

    // One top-level node, an element with all its content.
    void readOne() {
        readNode();
        readUntilClosed();
    }

    // Children of `element`, appended after those it has, until an end tag.
    void readContentOf(ConfigNode& element) {
        std::unique_ptr<ConfigNode>* tail = &element.firstChild;
        while (*tail) {
            tail = &(*tail)->nextSibling;
        }
        open_.push_back({&element, tail});
        readUntilClosed();
    }

    const Unit* position() const { return p_; }

  private:
    void readUntilClosed() {
        while (!open_.empty()) {
            p_ = skipBlanks(p_, end_);
            if (atEnd(p_, end_)) {
                return;  // elements still open are complete as read
            }
            readNode();
        }
    }

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
        const Unit* end = end_;
        const Unit* p = skipBlanks(p_, end);
        if (atEnd(p, end) || *p != u'<') {
            bool ampersand = false;
            const Unit* dataEnd = scanData(p, end, u'<', ampersand);
            append(NodeKind::Text, decoded(p, dataEnd, ampersand));
            p_ = dataEnd;
            return;
        }
        if (startsWith(p, end, u"<?xml")) {
            const Unit* q = p + 5;
            while (!atEnd(q, end) && !(*q == u'?' && q + 1 != end && q[1] == u'>')) {
                ++q;
            }
            p_ = atEnd(q, end) ? q : q + 2;
            append(NodeKind::Element, {});
            return;
        }
        if (p + 1 != end && p[1] == u'/') {
            bool ampersand = false;
            const Unit* nameEnd = scanName(p + 2, end, ampersand);
            if (open_.empty()) {
                append(NodeKind::EndTag, decoded(p + 2, nameEnd, ampersand));
            } else {
                open_.pop_back();  // any end tag closes the innermost element
            }
            p_ = (nameEnd != end && *nameEnd == u'>') ? nameEnd + 1 : nameEnd;
            return;
        }
        bool ampersand = false;
        const Unit* nameEnd = scanName(p + 1, end, ampersand);
        ConfigNode* element = append(NodeKind::Element, decoded(p + 1, nameEnd, ampersand));
        if (atEnd(nameEnd, end)) {
            p_ = nameEnd;
            return;
        }
        p = readAttributeList(*element, nameEnd, end);
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
    const Unit* p_;
    const Unit* end_;
};

}  // namespace

void ConfigDocument::parse(std::u16string_view text) {
    clear();
    if (text.empty()) {
        return;
    }
    MarkupReader<char16_t>(root, text.data(), text.data() + text.size()).run();
}

namespace {

const char16_t* endOfText(const char16_t* position) {
    return position + std::char_traits<char16_t>::length(position);
}

// Appends the children read at `p` to `element` until an end tag closes it.
const char16_t* readChildren(ConfigNode& element, const char16_t* p, const char16_t* end) {
    std::unique_ptr<ConfigNode> unused;
    MarkupReader<char16_t> reader(unused, p, end);
    reader.readContentOf(element);
    return reader.position();
}

}  // namespace

const char16_t* ConfigNode::read(const char16_t* position) {
    if (!position) {
        return position;
    }
    std::unique_ptr<ConfigNode> node;
    MarkupReader<char16_t> reader(node, position, endOfText(position));
    reader.readOne();
    kind = node->kind;
    name = std::move(node->name);
    attributes = std::move(node->attributes);
    firstChild = std::move(node->firstChild);
    for (ConfigNode* child = firstChild.get(); child; child = child->nextSibling.get()) {
        child->parent = this;
    }
    return reader.position();
}

const char16_t* ConfigNode::readText(const char16_t* position) {
    if (!position) {
        return position;
    }
    bool ampersand = false;
    const char16_t* dataEnd = scanData(position, endOfText(position), u'<', ampersand);
    kind = NodeKind::Text;
    name = decoded(position, dataEnd, ampersand);
    return dataEnd;
}

const char16_t* ConfigNode::readElement(const char16_t* position) {
    if (!position || *position == 0) {
        return position;
    }
    const char16_t* end = endOfText(position);
    bool ampersand = false;
    const char16_t* nameEnd = scanName(position + 1, end, ampersand);
    kind = NodeKind::Element;
    name = decoded(position + 1, nameEnd, ampersand);
    if (atEnd(nameEnd, end)) {
        return nameEnd;
    }
    const char16_t* p = readAttributeList(*this, nameEnd, end);
    if (atEnd(p, end)) {
        return p;
    }
    if (p[-1] == u'/') {
        return p + 1;  // an empty element
    }
    return readChildren(*this, p + 1, end);
}

const char16_t* ConfigNode::readAttributes(const char16_t* position) {
    return position ? readAttributeList(*this, position, endOfText(position)) : position;
}

const char16_t* ConfigNode::readContent(const char16_t* position) {
    if (!position) {
        return position;
    }
    return readChildren(*this, position, endOfText(position));
}

const char16_t* ConfigNode::readEndTag(const char16_t* position) {
    if (!position) {
        return position;
    }
    const char16_t* end = endOfText(position);
    const char16_t* nameStart = std::min(position + 2, end);
    bool ampersand = false;
    const char16_t* nameEnd = scanName(nameStart, end, ampersand);
    kind = NodeKind::EndTag;
    name = decoded(nameStart, nameEnd, ampersand);
    return (nameEnd != end && *nameEnd == u'>') ? nameEnd + 1 : nameEnd;
}

void ConfigDocument::parseUtf8(std::string_view text) {
    clear();
    if (text.empty()) {
        return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    MarkupReader<unsigned char>(root, bytes, bytes + text.size()).run();
}

}  // namespace tnk
