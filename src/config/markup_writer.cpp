#include <algorithm>
#include <vector>

#include "config/config_document.h"
#include "config/markup_text.h"

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

void writeNodes(const ConfigNode* first, bool withSiblings, std::u16string& output, int level) {
    // The exact length first, in one read-only pass: the output then grows
    // once instead of being copied as it doubles, and holds no slack.
    const std::size_t needed = writtenLength(first, withSiblings, level);
    if (output.capacity() - output.size() < needed) {
        output.reserve(std::max(output.size() + needed, output.capacity() * 2));
    }
    Sink sink(output);
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

}  // namespace

void ConfigNode::writeList(std::u16string& output, int level) const {
    writeNodes(this, true, output, level);
}

void ConfigNode::write(std::u16string& output, int level) const {
    writeNodes(this, false, output, level);
}

std::u16string ConfigDocument::serialize() const {
    std::u16string output;
    if (root) {
        root->writeList(output, 0);
    }
    return output;
}

}  // namespace tnk
