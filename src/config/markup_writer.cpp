#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config/config_document.h"
#include "config/markup_text.h"
#include "platform/utf8_codec.h"

namespace tnk {

namespace {

std::size_t escapedLength(const std::u16string& text) {
    return markup::escapedLength(text.data(), text.size());
}

// Visits `first` (and with `withSiblings` every node after it) depth first with
// an explicit stack, so that nesting depth costs heap memory, not call stack.
// `enter` sees every node; `leave` sees every non-Text node after its children.
// Text nodes' children are never visited: a Text node is written as its data.
template <typename Enter, typename Leave>
void walkForWriting(const ConfigNode* first, bool withSiblings, int level, Enter enter,
                    Leave leave) {
    std::vector<const ConfigNode*> open;
    const ConfigNode* node = first;
    const std::size_t base = static_cast<std::size_t>(std::max(level, 0));
    while (true) {
        while (node != nullptr) {
            std::size_t depth = base + open.size();
            enter(*node, depth);
            if (node->kind != NodeKind::Text && node->firstChild) {
                open.push_back(node);
                node = node->firstChild.get();
                continue;
            }
            if (node->kind != NodeKind::Text) {
                leave(*node, depth);
            }
            if (!withSiblings && open.empty()) {
                return;
            }
            node = node->nextSibling.get();
        }
        if (open.empty()) {
            return;
        }
        const ConfigNode* finished = open.back();
        open.pop_back();
        leave(*finished, base + open.size());
        if (!withSiblings && open.empty()) {
            return;
        }
        node = finished->nextSibling.get();
    }
}

bool endTagOnOwnLine(const ConfigNode& node) {
    return node.firstChild && node.firstChild->kind != NodeKind::Text;
}

std::size_t writtenLength(const ConfigNode* first, bool withSiblings, int level) {
    std::size_t total = 0;
    walkForWriting(
        first, withSiblings, level,
        [&](const ConfigNode& node, std::size_t depth) {
            if (node.kind == NodeKind::Text) {
                total += escapedLength(node.name);
                return;
            }
            total += 2 + depth + 1 + escapedLength(node.name) + 1;
            for (const auto& [name, value] : node.attributes) {
                total += 1 + escapedLength(name) + 2 + escapedLength(value) + 1;
            }
        },
        [&](const ConfigNode& node, std::size_t depth) {
            if (endTagOnOwnLine(node)) {
                total += 2 + depth;
            }
            total += 2 + escapedLength(node.name) + 1;
        });
    return total;
}

// Collects output in a small buffer and appends it in large pieces: the text
// is written once, with no per-piece overhead and no zero-filling.
class Sink {
  public:
    explicit Sink(std::u16string& output) : output_(output) {}

    void put(char16_t c) { *room(1) = c, ++used_; }
    void put(std::u16string_view text) {
        char16_t* out = room(text.size());
        std::copy(text.begin(), text.end(), out);
        used_ += text.size();
    }
    void putEscaped(const std::u16string& text) {
        // Slices small enough that even all-quotation-mark text fits.
        constexpr std::size_t slice = kSize / 6;
        for (std::size_t i = 0; i < text.size(); i += slice) {
            std::size_t count = std::min(slice, text.size() - i);
            char16_t* out = room(count * 6);
            used_ =
                static_cast<std::size_t>(markup::escapeInto(out, text.data() + i, count) - buffer_);
        }
    }
    void putLine(std::size_t depth) {
        put(std::u16string_view(u"\r\n"));
        while (depth != 0) {
            std::size_t count = std::min(depth, kSize);
            std::fill_n(room(count), count, u'\t');
            used_ += count;
            depth -= count;
        }
    }
    void flush() {
        output_.append(buffer_, used_);
        used_ = 0;
    }

  private:
    static constexpr std::size_t kSize = 6 * 1024;

    char16_t* room(std::size_t count) {
        if (kSize - used_ < count) {
            flush();
        }
        return buffer_ + used_;
    }

    std::u16string& output_;
    std::size_t used_ = 0;
    char16_t buffer_[kSize];
};

// UTF-8 output is made in two passes over the tree, one counting and one
// writing into room of exactly that size. A high surrogate that ends one
// piece pairs with a low surrogate that starts the next (two adjacent text
// nodes), so that the bytes equal those of the whole text encoded at once;
// any other lone surrogate becomes U+FFFD.

#ifdef TNK_MARKUP_SSE2
// Mask of the units in `chunk` that are not ASCII.
inline unsigned nonAsciiMask(__m128i chunk) {
    const __m128i zero = _mm_setzero_si128();
    return markup::maskOf(_mm_cmpeq_epi16(_mm_and_si128(chunk, markup::splat(0xFF80)), zero)) ^
           0xFFFFu;
}
#endif

// Bytes of the escaped UTF-8 form of [p, end) on its own.
std::size_t escapedUtf8Length(const char16_t* p, const char16_t* end) {
    std::size_t total = 0;
    while (p != end) {
#ifdef TNK_MARKUP_SSE2
        using namespace markup;
        const __m128i lt = splat(u'<'), gt = splat(u'>'), quote = splat(u'"');
        for (; end - p >= 8; p += 8) {
            const __m128i chunk = load8(p);
            if (nonAsciiMask(chunk) != 0) {
                break;
            }
            unsigned angles =
                maskOf(_mm_or_si128(_mm_cmpeq_epi16(chunk, lt), _mm_cmpeq_epi16(chunk, gt))) &
                0x5555;
            unsigned quotes = maskOf(_mm_cmpeq_epi16(chunk, quote)) & 0x5555;
            total += 8;
            for (; angles != 0; angles &= angles - 1) {
                total += 3;
            }
            for (; quotes != 0; quotes &= quotes - 1) {
                total += 5;
            }
        }
        if (p == end) {
            break;
        }
#endif
        const char16_t c = *p++;
        if (c < 0x80) {
            total += (c == u'<' || c == u'>') ? 4 : c == u'"' ? 6 : 1;
        } else if (c < 0x800) {
            total += 2;
        } else if (isHighSurrogate(c) && p != end && isLowSurrogate(*p)) {
            total += 4;
            ++p;
        } else {
            total += 3;  // the rest of the plane, or U+FFFD for a lone surrogate
        }
    }
    return total;
}

class Utf8Counter {
  public:
    void put(char16_t) { ++size_, endsHigh_ = false; }
    void put(std::u16string_view ascii) { size_ += ascii.size(), endsHigh_ = false; }
    void putEscaped(const std::u16string& text) {
        if (text.empty()) {
            return;
        }
        if (endsHigh_ && isLowSurrogate(text.front())) {
            size_ -= 2;  // one four-byte character instead of two replacements
        }
        size_ += escapedUtf8Length(text.data(), text.data() + text.size());
        endsHigh_ = isHighSurrogate(text.back());
    }
    void putLine(std::size_t depth) { size_ += 2 + depth, endsHigh_ = false; }
    void flush() {}
    std::size_t size() const { return size_; }

  private:
    std::size_t size_ = 0;
    bool endsHigh_ = false;
};

class Utf8Writer {
  public:
    explicit Utf8Writer(std::uint8_t* out) : out_(out) {}

    void put(char16_t ascii) {
        endPending();
        *out_++ = static_cast<std::uint8_t>(ascii);
    }
    void put(std::u16string_view ascii) {
        endPending();
        for (char16_t c : ascii) {
            *out_++ = static_cast<std::uint8_t>(c);
        }
    }
    void putEscaped(const std::u16string& text) {
        const char16_t* p = text.data();
        const char16_t* end = p + text.size();
        if (pending_ != 0 && p != end && isLowSurrogate(*p)) {
            putCode(0x10000 + ((pending_ - 0xD800u) << 10) + (*p++ - 0xDC00u));
            pending_ = 0;
        }
        if (p != end) {
            endPending();
        }
        while (p != end) {
#ifdef TNK_MARKUP_SSE2
            // Plain ASCII moves eight units at a time.
            using namespace markup;
            const __m128i lt = splat(u'<'), gt = splat(u'>'), quote = splat(u'"');
            for (; end - p >= 8; p += 8) {
                const __m128i chunk = load8(p);
                const unsigned special = maskOf(_mm_or_si128(
                    _mm_or_si128(_mm_cmpeq_epi16(chunk, lt), _mm_cmpeq_epi16(chunk, gt)),
                    _mm_cmpeq_epi16(chunk, quote)));
                if ((special | nonAsciiMask(chunk)) != 0) {
                    break;
                }
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out_), _mm_packus_epi16(chunk, chunk));
                out_ += 8;
            }
            if (p == end) {
                break;
            }
#endif
            const char16_t c = *p++;
            if (c < 0x80) {
                putAsciiEscaped(c);
            } else if (isHighSurrogate(c)) {
                if (p == end) {
                    pending_ = c;  // the next piece may hold its partner
                } else if (isLowSurrogate(*p)) {
                    putCode(0x10000 + ((c - 0xD800u) << 10) + (*p++ - 0xDC00u));
                } else {
                    putCode(kReplacement);
                }
            } else {
                putCode(isLowSurrogate(c) ? kReplacement : c);
            }
        }
    }
    void putLine(std::size_t depth) {
        put(u"\r\n");
        std::memset(out_, '\t', depth);
        out_ += depth;
    }
    void flush() {
        endPending();
    }

  private:
    void putAsciiEscaped(char16_t c) {
        switch (c) {
            case u'<':
                std::memcpy(out_, "&lt;", 4), out_ += 4;
                break;
            case u'>':
                std::memcpy(out_, "&gt;", 4), out_ += 4;
                break;
            case u'"':
                std::memcpy(out_, "&quot;", 6), out_ += 6;
                break;
            default:
                *out_++ = static_cast<std::uint8_t>(c);
        }
    }

    void putCode(std::uint32_t c) {
        if (c < 0x80) {
            *out_++ = static_cast<std::uint8_t>(c);
        } else if (c < 0x800) {
            out_[0] = static_cast<std::uint8_t>(0xC0 | (c >> 6));
            out_[1] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
            out_ += 2;
        } else if (c < 0x10000) {
            out_[0] = static_cast<std::uint8_t>(0xE0 | (c >> 12));
            out_[1] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
            out_[2] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
            out_ += 3;
        } else {
            out_[0] = static_cast<std::uint8_t>(0xF0 | (c >> 18));
            out_[1] = static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F));
            out_[2] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
            out_[3] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
            out_ += 4;
        }
    }

    void endPending() {
        if (pending_ != 0) {
            putCode(kReplacement);
            pending_ = 0;
        }
    }

    std::uint8_t* out_;
    char16_t pending_ = 0;
};

template <typename Sink>
void writeNodesTo(Sink& sink, const ConfigNode* first, bool withSiblings, int level) {
    walkForWriting(
        first, withSiblings, level,
        [&](const ConfigNode& node, std::size_t depth) {
            if (node.kind == NodeKind::Text) {
                sink.putEscaped(node.name);
                return;
            }
            sink.putLine(depth);
            sink.put(u'<');
            sink.putEscaped(node.name);
            for (const auto& [name, value] : node.attributes) {
                sink.put(u' ');
                sink.putEscaped(name);
                sink.put(std::u16string_view(u"=\""));
                sink.putEscaped(value);
                sink.put(u'"');
            }
            sink.put(u'>');
        },
        [&](const ConfigNode& node, std::size_t depth) {
            if (endTagOnOwnLine(node)) {
                sink.putLine(depth);
            }
            sink.put(std::u16string_view(u"</"));
            sink.putEscaped(node.name);
            sink.put(u'>');
        });
    sink.flush();
}

void writeNodes(const ConfigNode* first, bool withSiblings, std::u16string& output, int level) {
    // The exact length first, in one read-only pass: the output then grows
    // once instead of being copied as it doubles, and holds no slack.
    const std::size_t needed = writtenLength(first, withSiblings, level);
    if (output.capacity() - output.size() < needed) {
        output.reserve(std::max(output.size() + needed, output.capacity() * 2));
    }
    Sink sink(output);
    writeNodesTo(sink, first, withSiblings, level);
}

}  // namespace

void ConfigNode::writeList(std::u16string& output, int level) const {
    writeNodes(this, true, output, level);
}

void ConfigNode::write(std::u16string& output, int level) const {
    writeNodes(this, false, output, level);
}

void ConfigNode::writeListUtf8(std::vector<std::uint8_t>& output, int level) const {
    Utf8Counter counter;
    writeNodesTo(counter, this, true, level);
    const std::size_t start = output.size();
    output.resize(start + counter.size());
    Utf8Writer writer(output.data() + start);
    writeNodesTo(writer, this, true, level);
}

std::u16string ConfigDocument::serialize() const {
    std::u16string output;
    if (root) {
        root->writeList(output, 0);
    }
    return output;
}

}  // namespace tnk
