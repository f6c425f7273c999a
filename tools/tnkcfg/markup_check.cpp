#include "markup_check.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "markup_scan.h"
#include "platform/platform.h"
#include "platform/utf8_codec.h"

namespace tnk {

namespace {

// Far beyond the program's own files (four levels), and shallow enough that
// the indentation a save writes stays a small multiple of the text.
constexpr std::size_t kMaxDepth = 256;

struct Visit {
    const ConfigNode* node;
    std::size_t depth;
};

// Every node from `first` on, parents before children, without recursion.
template <typename F>
void visitInOrder(const ConfigNode* first, F&& visit) {
    std::vector<const ConfigNode*> resume;
    const ConfigNode* node = first;
    while (true) {
        while (node) {
            visit(Visit{node, resume.size()});
            if (node->firstChild) {
                resume.push_back(node->nextSibling.get());
                node = node->firstChild.get();
            } else {
                node = node->nextSibling.get();
            }
        }
        if (resume.empty()) {
            return;
        }
        node = resume.back();
        resume.pop_back();
    }
}

bool isEmptyText(const ConfigNode* node) {
    return node && node->kind == NodeKind::Text && node->name.empty();
}

const ConfigNode* nextWritten(const ConfigNode* node) {
    node = node->nextSibling.get();
    while (isEmptyText(node)) {
        node = node->nextSibling.get();
    }
    return node;
}

std::vector<Visit> writtenNodes(const ConfigNode* first) {
    std::vector<Visit> nodes;
    visitInOrder(first, [&](Visit v) {
        if (!isEmptyText(v.node)) {
            nodes.push_back(v);
        }
    });
    return nodes;
}

bool sameNode(const Visit& a, const Visit& b) {
    if (a.depth != b.depth || a.node->kind != b.node->kind || a.node->name != b.node->name ||
        a.node->attributes.size() != b.node->attributes.size()) {
        return false;
    }
    return std::equal(a.node->attributes.begin(), a.node->attributes.end(),
                      b.node->attributes.begin());
}

std::string tag(std::u16string_view name, bool end = false) {
    return (end ? "</" : "<") + utf16ToAnsi(name) + ">";
}

// The start of a text, on one line, for a message.
std::string excerpt(const std::u16string& text) {
    constexpr std::size_t kLength = 24;
    std::u16string shown;
    for (char16_t c : text.substr(0, kLength)) {
        shown += c < u' ' ? u' ' : c;
    }
    std::string quoted(1, '"');
    quoted += utf16ToAnsi(shown);
    quoted += text.size() > kLength ? "...\"" : "\"";
    return quoted;
}

// Why a node cannot be written so that it reads back the same, or empty.
std::string whyNotWritable(const ConfigNode& node) {
    if (node.kind == NodeKind::EndTag) {
        return tag(node.name, true) + " closes no element";
    }
    if (node.kind == NodeKind::Element) {
        if (!node.name.empty() && node.name.back() == u'/' && node.attributes.empty()) {
            const std::u16string bare = node.name.substr(0, node.name.size() - 1);
            return tag(node.name) + " is read as an element named \"" + utf16ToAnsi(node.name) +
                   "\", which a save writes as " + tag(node.name) + tag(node.name, true) +
                   ": what follows it would leave its group at the next start; write " + tag(bare) +
                   tag(bare, true) + " instead";
        }
        for (const auto& [name, value] : node.attributes) {
            if (name.find_first_of(u"<>\"") != std::u16string::npos) {
                return "the attribute name \"" + utf16ToAnsi(name) + "\" in " + tag(node.name) +
                       " cannot be saved as it is";
            }
        }
        return {};
    }
    if (node.name.empty()) {
        return {};
    }
    // A save starts each element on a line of its own and puts an end tag
    // on its own line after child elements; that line break would join text
    // standing beside elements, once more at every save.
    const ConfigNode* parent = node.parent;
    const bool beforeElement = nextWritten(&node) != nullptr;
    const bool beforeOwnLineEnd =
        parent && parent->firstChild && parent->firstChild->kind != NodeKind::Text;
    if (!beforeElement && !beforeOwnLineEnd) {
        return {};
    }
    if (!parent) {
        return "the text " + excerpt(node.name) +
               " stands outside any element and would grow at every save; remove it";
    }
    return "the text " + excerpt(node.name) + " stands beside other elements in " +
           tag(parent->name) + " and would gain line breaks at every save; put it in an " +
           "element of its own";
}

std::size_t lineAt(std::string_view text, std::size_t offset, std::size_t& from,
                   std::size_t& line) {
    offset = std::min(offset, text.size());
    line += static_cast<std::size_t>(std::count(text.begin() + from, text.begin() + offset, '\n'));
    from = offset;
    return line;
}

}  // namespace

std::optional<MarkupProblem> checkEncoding(std::string_view utf8) {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    std::size_t line = 1;
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = s[i];
        if (c == 0) {
            return MarkupProblem{line,
                                 "a zero byte would end the text there, and everything after it "
                                 "would be lost; save the file as UTF-8"};
        }
        if (c < 0x80) {
            line += c == '\n';
            ++i;
            continue;
        }
        const Utf8Step step = decodeUtf8Sequence(s + i, size - i);
        const bool replacementItself =
            step.bytes == 3 && c == 0xEF && s[i + 1] == 0xBF && s[i + 2] == 0xBD;
        if (step.unit == kReplacement && !replacementItself) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", c);
            return MarkupProblem{
                line, std::string("byte ") + byte + " is not UTF-8; save the file as UTF-8"};
        }
        i += step.bytes;
    }
    return std::nullopt;
}

SourceLines::SourceLines(std::string_view utf8, const ConfigDocument& doc) {
    const MarkupScan scan = scanMarkup(utf8);
    std::vector<Visit> nodes;
    visitInOrder(doc.root.get(), [&](Visit v) { nodes.push_back(v); });
    if (nodes.size() != scan.nodes.size()) {
        return;
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].node->kind != scan.nodes[i].kind || nodes[i].depth != scan.nodes[i].depth) {
            return;
        }
    }
    std::size_t from = 0, line = 1;
    lines_.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        lines_.emplace(nodes[i].node, lineAt(utf8, scan.nodes[i].offset, from, line));
    }

    // The first problem in the order of the text; an element never closed
    // shows at the text's end, and is named at its start tag.
    std::size_t firstOffset = utf8.size() + 1, lineOffset = 0;
    std::string firstWhat;
    const auto found = [&](std::size_t offset, std::size_t shownAt, std::string what) {
        if (offset < firstOffset) {
            firstOffset = offset;
            lineOffset = shownAt;
            firstWhat = std::move(what);
        }
    };
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const ConfigNode& node = *nodes[i].node;
        const std::size_t offset = scan.nodes[i].offset;
        if (node.kind != NodeKind::Element) {
            continue;
        }
        if (!node.name.empty() && (node.name[0] == u'!' || node.name[0] == u'?')) {
            found(offset, offset,
                  std::string("<") + utf16ToAnsi(node.name) +
                      " ...> is read as an element, not as a comment or declaration; remove it");
        } else if (nodes[i].depth >= kMaxDepth) {
            found(offset, offset,
                  tag(node.name) + " lies more than " + std::to_string(kMaxDepth) +
                      " elements deep; an end tag is probably missing");
        }
    }
    for (const MarkupScan::Close& close : scan.closes) {
        const ConfigNode& element = *nodes[close.element].node;
        const std::u16string name = unescapeMarkup(utf8ToUtf16(close.name));
        if (name != element.name) {
            found(close.offset, close.offset,
                  tag(name, true) + " closes " + tag(element.name) + " of line " +
                      std::to_string(lineOf(element)) + "; an end tag is missing or misspelt");
        }
    }
    for (std::size_t element : scan.unclosed) {
        found(utf8.size(), scan.nodes[element].offset,
              tag(nodes[element].node->name) + " is never closed");
    }
    if (firstOffset <= utf8.size()) {
        std::size_t start = 0, count = 1;
        nesting_ = MarkupProblem{lineAt(utf8, lineOffset, start, count), std::move(firstWhat)};
    }
}

std::size_t SourceLines::lineOf(const ConfigNode& node) const {
    const auto at = lines_.find(&node);
    return at == lines_.end() ? 0 : at->second;
}

std::optional<MarkupProblem> SourceLines::checkNesting() const {
    return nesting_;
}

std::optional<MarkupProblem> checkRoundTrip(const ConfigDocument& doc, const SourceLines& lines) {
    if (!doc.root) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    doc.root->writeListUtf8(bytes, 0);
    ConfigDocument again;
    again.parseUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));

    const std::vector<Visit> before = writtenNodes(doc.root.get());
    const std::vector<Visit> after = writtenNodes(again.root.get());
    const auto [differs, unused] =
        std::mismatch(before.begin(), before.end(), after.begin(), after.end(), sameNode);
    if (differs == before.end() && before.size() == after.size()) {
        return std::nullopt;
    }

    std::optional<MarkupProblem> problem;
    visitInOrder(doc.root.get(), [&](Visit v) {
        if (!problem) {
            std::string why = whyNotWritable(*v.node);
            if (!why.empty()) {
                problem = MarkupProblem{lines.lineOf(*v.node), std::move(why)};
            }
        }
    });
    if (problem) {
        return problem;
    }
    const ConfigNode* at = differs != before.end() ? differs->node
                           : before.empty()        ? nullptr
                                                   : before.back().node;
    if (!at) {
        return MarkupProblem{0, "would not read back the same after a save"};
    }
    return MarkupProblem{lines.lineOf(*at),
                         (at->kind == NodeKind::Text ? std::string("this text") : tag(at->name)) +
                             " would not read back the same after a save"};
}

}  // namespace tnk
