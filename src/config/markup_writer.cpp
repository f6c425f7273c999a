#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config/avx2.h"
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

void putAsciiEscaped(std::uint8_t*& out, char16_t c) {
    switch (c) {
        case u'<':
            std::memcpy(out, "&lt;", 4), out += 4;
            break;
        case u'>':
            std::memcpy(out, "&gt;", 4), out += 4;
            break;
        case u'"':
            std::memcpy(out, "&quot;", 6), out += 6;
            break;
        default:
            *out++ = static_cast<std::uint8_t>(c);
    }
}

void putCode(std::uint8_t*& out, std::uint32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<std::uint8_t>(c);
    } else if (c < 0x800) {
        out[0] = static_cast<std::uint8_t>(0xC0 | (c >> 6));
        out[1] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        out += 2;
    } else if (c < 0x10000) {
        out[0] = static_cast<std::uint8_t>(0xE0 | (c >> 12));
        out[1] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        out += 3;
    } else {
        out[0] = static_cast<std::uint8_t>(0xF0 | (c >> 18));
        out[1] = static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F));
        out[2] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
        out[3] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        out += 4;
    }
}

std::uint32_t joinSurrogates(char16_t high, char16_t low) {
    return 0x10000 + ((high - 0xD800u) << 10) + (low - 0xDC00u);
}

// Writes the UTF-8 form in one pass, asking its ByteRoom for room before each piece.
// A high surrogate that ends one piece pairs with a low surrogate that starts the next
// (two adjacent text nodes), so that the bytes equal those of the whole text encoded
// at once; any other lone surrogate becomes U+FFFD.
class Utf8Writer {
  public:
    Utf8Writer(ByteRoom& room, std::size_t start)
        : room_(room), escape_(markupAvx2Encoding() ? markup::escapeUtf8Avx2 : markup::escapeUtf8) {
        const std::span<std::uint8_t> first = room_.room(start, kPendingRoom);
        base_ = first.data();
        out_ = base_ + start;
        limit_ = base_ + first.size();
    }

    void put(char16_t ascii) {
        reserve(1);
        endPending();
        *out_++ = static_cast<std::uint8_t>(ascii);
    }
    void put(std::u16string_view ascii) {
        reserve(ascii.size());
        endPending();
        for (char16_t c : ascii) {
            *out_++ = static_cast<std::uint8_t>(c);
        }
    }
    void putEscaped(const std::u16string& text) {
        const char16_t* p = text.data();
        const char16_t* const end = p + text.size();
        if (p == end) {
            return;
        }
        reserve(4);
        if (pending_ != 0 && isLowSurrogate(*p)) {
            putCode(out_, joinSurrogates(pending_, *p++));
            pending_ = 0;
        } else {
            endPending();
        }
        // The last unit, when a high surrogate, waits for the next piece.
        const char16_t* const stop = p != end && isHighSurrogate(end[-1]) ? end - 1 : end;
        while (p != stop) {
            std::size_t count = std::min(kSlice, static_cast<std::size_t>(stop - p));
            if (count != static_cast<std::size_t>(stop - p) && isHighSurrogate(p[count - 1])) {
                --count;  // a pair stays within one slice
            }
            reserve(6 * count + markup::kEncodeSlack);
            out_ = escape_(p, p + count, out_);
            p += count;
        }
        if (stop != end) {
            pending_ = *stop;
        }
    }
    void putLine(std::size_t depth) {
        reserve(2 + depth);
        endPending();
        std::memcpy(out_, "\r\n", 2);
        std::memset(out_ + 2, '\t', depth);
        out_ += 2 + depth;
    }
    void flush() {
        reserve(0);
        endPending();
    }
    std::size_t written() const { return static_cast<std::size_t>(out_ - base_); }

  private:
    // Every piece may first have to end a pending surrogate as U+FFFD.
    static constexpr std::size_t kPendingRoom = 3;
    // Long texts are written in slices, so that no request for room is much larger
    // than the bytes it makes, however many quotation marks the text holds.
    static constexpr std::size_t kSlice = 16 * 1024;

    void reserve(std::size_t size) {
        size += kPendingRoom;
        if (static_cast<std::size_t>(limit_ - out_) < size) {
            const std::size_t done = written();
            const std::span<std::uint8_t> room = room_.room(done, size);
            base_ = room.data();
            out_ = base_ + done;
            limit_ = base_ + room.size();
        }
    }

    void endPending() {
        if (pending_ != 0) {
            putCode(out_, kReplacement);
            pending_ = 0;
        }
    }

    ByteRoom& room_;
    std::uint8_t* (*const escape_)(const char16_t*, const char16_t*, std::uint8_t*);
    std::uint8_t* base_;
    std::uint8_t* out_;
    std::uint8_t* limit_;
    char16_t pending_ = 0;
};

// Room in a vector whose size is the room, grown as needed.
class VectorRoom final : public ByteRoom {
  public:
    explicit VectorRoom(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::span<std::uint8_t> room(std::size_t written, std::size_t size) override {
        if (bytes_.size() - written < size) {
            bytes_.resize(std::max(written + size, bytes_.size() + bytes_.size() / 2));
        }
        return bytes_;
    }

  private:
    std::vector<std::uint8_t>& bytes_;
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

namespace markup {

std::uint8_t* escapeUtf8(const char16_t* p, const char16_t* end, std::uint8_t* out) {
    while (p != end) {
#ifdef TNK_MARKUP_SSE2
        // Plain ASCII moves eight units at a time.
        const __m128i lt = splat(u'<'), gt = splat(u'>'), quote = splat(u'"');
        const __m128i zero = _mm_setzero_si128();
        for (; end - p >= 8; p += 8, out += 8) {
            const __m128i chunk = load8(p);
            const unsigned special = maskOf(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, lt), _mm_cmpeq_epi16(chunk, gt)),
                             _mm_cmpeq_epi16(chunk, quote)));
            const unsigned ascii =
                maskOf(_mm_cmpeq_epi16(_mm_and_si128(chunk, splat(0xFF80)), zero));
            if (special != 0 || ascii != 0xFFFF) {
                break;
            }
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(chunk, chunk));
        }
        if (p == end) {
            break;
        }
#endif
        const char16_t c = *p++;
        if (c < 0x80) {
            putAsciiEscaped(out, c);
        } else if (isHighSurrogate(c) && p != end && isLowSurrogate(*p)) {
            putCode(out, joinSurrogates(c, *p++));
        } else {
            putCode(out, isHighSurrogate(c) || isLowSurrogate(c) ? kReplacement : c);
        }
    }
    return out;
}

}  // namespace markup

void ConfigNode::writeList(std::u16string& output, int level) const {
    writeNodes(this, true, output, level);
}

void ConfigNode::write(std::u16string& output, int level) const {
    writeNodes(this, false, output, level);
}

void ConfigNode::writeListUtf8(std::vector<std::uint8_t>& output, int level) const {
    VectorRoom room(output);
    output.resize(writeListUtf8(room, output.size(), level));
}

std::size_t ConfigNode::writeListUtf8(ByteRoom& output, std::size_t start, int level) const {
    Utf8Writer writer(output, start);
    writeNodesTo(writer, this, true, level);
    return writer.written();
}

std::u16string ConfigDocument::serialize() const {
    std::u16string output;
    if (root) {
        root->writeList(output, 0);
    }
    return output;
}

}  // namespace tnk
