#include "config/config_node.h"

#include "config/markup_text.h"

#include <algorithm>
#include <cstdio>

namespace tnk {

// ---- AttributeMap ----------------------------------------------------------

namespace {

// char16_t is unsigned, so the standard view ordering is the code-unit order
// the file format needs (a prefix sorts before its extensions).
bool entryBefore(const AttributeMap::Entry& entry, std::u16string_view name) {
    return std::u16string_view(entry.first) < name;
}

}  // namespace

const std::u16string* AttributeMap::find(std::u16string_view name) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), name, entryBefore);
    if (it == entries_.end() || it->first != name) {
        return nullptr;
    }
    return &it->second;
}

void AttributeMap::set(std::u16string_view name, std::u16string_view value) {
    // Written files list attributes in order, so appending is the common case.
    if (entries_.empty() || std::u16string_view(entries_.back().first) < name) {
        entries_.emplace_back(std::u16string(name), std::u16string(value));
        return;
    }
    auto it = std::lower_bound(entries_.begin(), entries_.end(), name, entryBefore);
    if (it != entries_.end() && it->first == name) {
        it->second.assign(value);
    } else {
        entries_.emplace(it, std::u16string(name), std::u16string(value));
    }
}

void AttributeMap::set(std::u16string&& name, std::u16string&& value) {
    if (entries_.empty()) {
        // Records carry four attributes; growing one by one would allocate three times.
        entries_.reserve(4);
    }
    if (entries_.empty() || entries_.back().first < name) {
        entries_.emplace_back(std::move(name), std::move(value));
        return;
    }
    auto it =
        std::lower_bound(entries_.begin(), entries_.end(), std::u16string_view(name), entryBefore);
    if (it != entries_.end() && it->first == name) {
        it->second = std::move(value);
    } else {
        entries_.emplace(it, std::move(name), std::move(value));
    }
}

// ---- ConfigNode ------------------------------------------------------------

ConfigNode::ConfigNode(std::u16string_view name, NodeKind kind) : kind(kind), name(name) {}

ConfigNode::~ConfigNode() {
    if (firstChild) {
        destroyNodeList(std::move(firstChild));
    }
    if (nextSibling) {
        destroyNodeList(std::move(nextSibling));
    }
}

void destroyNodeList(std::unique_ptr<ConfigNode> first) {
    // The first-child / next-sibling links form a binary tree. Rotating a
    // node's first child up into its place until the head has no children
    // lets every node be deleted as a leaf: no recursion, no extra memory.
    ConfigNode* head = first.release();
    while (head != nullptr) {
        if (head->firstChild) {
            ConfigNode* child = head->firstChild.release();
            head->firstChild.reset(child->nextSibling.release());
            child->nextSibling.reset(head);
            head = child;
        } else {
            ConfigNode* next = head->nextSibling.release();
            delete head;
            head = next;
        }
    }
}

namespace {

bool isPathStop(char16_t c) {
    return c == u'@' || c == u'#' || c == u'*';
}

template <typename Node>
Node* walkPath(Node* node, std::u16string_view path) {
    std::size_t pos = 0;
    while (node != nullptr && pos < path.size() && path[pos] != u'*') {
        char16_t c = path[pos];
        if (c == u'@') {
            node = node->firstChild.get();
            ++pos;
        } else if (c == u'#') {
            node = node->nextSibling.get();
            ++pos;
        } else {
            std::size_t end = pos;
            while (end < path.size() && !isPathStop(path[end])) {
                ++end;
            }
            if (node->kind == NodeKind::Element && node->nameEquals(path.data() + pos, end - pos)) {
                pos = end;
            } else {
                node = node->nextSibling.get();
            }
        }
    }
    return node;
}

}  // namespace

ConfigNode* ConfigNode::select(std::u16string_view path) {
    return walkPath(this, path);
}

const ConfigNode* ConfigNode::select(std::u16string_view path) const {
    return walkPath(this, path);
}

const std::u16string* ConfigNode::text() const {
    for (const ConfigNode* child = firstChild.get(); child; child = child->nextSibling.get()) {
        if (child->kind == NodeKind::Text) {
            return &child->name;
        }
    }
    return nullptr;
}

void ConfigNode::setText(std::u16string_view text) {
    if (firstChild && firstChild->kind == NodeKind::Text) {
        firstChild->name.assign(text);
        return;
    }
    // With other children first, the new text goes in front so that text()
    // returns what was set.
    auto node = std::make_unique<ConfigNode>(text, NodeKind::Text);
    node->parent = this;
    node->nextSibling = std::move(firstChild);
    firstChild = std::move(node);
}

const std::u16string* ConfigNode::attribute(std::u16string_view name) const {
    return attributes.find(name);
}

void ConfigNode::setAttribute(std::u16string_view name, std::u16string_view value) {
    attributes.set(name, value);
}

namespace {

int digitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'z') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'Z') {
        return c - u'A' + 10;
    }
    return 99;
}

}  // namespace

std::int32_t ConfigNode::intAttribute(std::u16string_view name, std::int32_t fallback) const {
    const std::u16string* value = attribute(name);
    if (value == nullptr) {
        return fallback;
    }
    std::u16string_view s(*value);
    std::size_t i = 0;
    while (i < s.size() && markup::isBlank(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    bool anyDigit = false;
    if (i < s.size() && s[i] == u'0') {
        // The "0" alone already counts as a digit, so "0x" with nothing after
        // it reads as zero.
        anyDigit = true;
        ++i;
        if (i + 1 < s.size() && (s[i] == u'x' || s[i] == u'X') && digitValue(s[i + 1]) < 16) {
            base = 16;
            ++i;
        } else {
            base = 8;
        }
    }
    // Accumulate the magnitude, saturating just beyond the 32-bit range.
    constexpr std::int64_t limit = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        int d = digitValue(s[i]);
        if (d >= base) {
            break;
        }
        anyDigit = true;
        magnitude = std::min(magnitude * base + d, limit);
    }
    if (!anyDigit) {
        return fallback;
    }
    std::int64_t result = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(result, INT32_MIN, INT32_MAX));
}

void ConfigNode::setIntAttribute(std::u16string_view name, std::int32_t value) {
    char buffer[16];
    int length = std::snprintf(buffer, sizeof buffer, "%i", static_cast<int>(value));
    std::u16string text(buffer, buffer + length);
    setAttribute(name, text);
}

ConfigNode* ConfigNode::appendChild(std::unique_ptr<ConfigNode> node) {
    if (!node) {
        return nullptr;
    }
    node->parent = this;
    std::unique_ptr<ConfigNode>* slot = &firstChild;
    while (*slot) {
        slot = &(*slot)->nextSibling;
    }
    *slot = std::move(node);
    return slot->get();
}

void ConfigNode::removeChild(ConfigNode* node) {
    if (node == nullptr) {
        return;
    }
    // A node that is not a direct child is left alone: it is not ours to free.
    std::unique_ptr<ConfigNode>* slot = &firstChild;
    while (*slot && slot->get() != node) {
        slot = &(*slot)->nextSibling;
    }
    if (!*slot) {
        return;
    }
    std::unique_ptr<ConfigNode> removed = std::move(*slot);
    *slot = std::move(removed->nextSibling);
    destroyNodeList(std::move(removed));
}

bool ConfigNode::nameEquals(const char16_t* chars, std::size_t count) const {
    return name.size() == count && std::u16string_view(name) == std::u16string_view(chars, count);
}

// ---- Escaping --------------------------------------------------------------

void appendEscapedMarkup(std::u16string& output, std::u16string_view text) {
    std::size_t old = output.size();
    output.resize(old + markup::escapedLength(text.data(), text.size()));
    markup::escapeInto(output.data() + old, text.data(), text.size());
}

std::u16string escapeMarkup(std::u16string_view text) {
    std::u16string result;
    appendEscapedMarkup(result, text);
    return result;
}

std::u16string unescapeMarkup(std::u16string_view text) {
    std::u16string result(text);
    char16_t* end = markup::unescapeInPlace(result.data(), result.data() + result.size());
    result.resize(static_cast<std::size_t>(end - result.data()));
    return result;
}

}  // namespace tnk
