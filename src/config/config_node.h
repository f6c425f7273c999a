#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tnk {

enum class NodeKind : std::int32_t {
    Element = 0,
    Text = 1,
    // Exists only while the reader works; never stays in a tree built from
    // well-formed text, but a stray end tag at top level becomes one.
    EndTag = 4,
};

// Attributes in ascending order of their names, compared code unit by code
// unit (unsigned). Names are unique.
class AttributeMap {
  public:
    using Entry = std::pair<std::u16string, std::u16string>;

    const std::u16string* find(std::u16string_view name) const;
    // Inserts, or overwrites the value of an existing name in place.
    void set(std::u16string_view name, std::u16string_view value);
    void set(std::u16string&& name, std::u16string&& value);
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

  private:
    std::vector<Entry> entries_;
};

// Where the UTF-8 writer puts its bytes: one buffer, filled from the front. The
// writer asks for room before each piece it writes, so that its owner can grow the
// buffer, or look at what is finished, as the writing goes on.
class ByteRoom {
  public:
    // The buffer, with room for at least `size` bytes after its first `written`, which
    // the writer has finished and which keep their values. The span may end long
    // before the storage behind it does: the writer simply asks again.
    virtual std::span<std::uint8_t> room(std::size_t written, std::size_t size) = 0;

  protected:
    ~ByteRoom() = default;
};

// One node of the configuration tree: an element, a run of character data, or
// a transient end tag. A node owns its first child and its next sibling, so
// destroying a node destroys its subtree and every node after it in its list.
// Destruction, reading and writing never recurse per level or per node.
class ConfigNode {
  public:
    ConfigNode() = default;
    ConfigNode(std::u16string_view name, NodeKind kind);
    ~ConfigNode();
    ConfigNode(const ConfigNode&) = delete;
    ConfigNode& operator=(const ConfigNode&) = delete;

    NodeKind kind = NodeKind::Element;
    // The element's name, or for a Text node the decoded character data.
    std::u16string name;
    ConfigNode* parent = nullptr;
    std::unique_ptr<ConfigNode> nextSibling;
    std::unique_ptr<ConfigNode> firstChild;
    AttributeMap attributes;

    // Path walk: "@" first child, "#" next sibling, a name finds the first
    // element of that name from here on, "*" or the end stops. Null on a miss.
    ConfigNode* select(std::u16string_view path);
    const ConfigNode* select(std::u16string_view path) const;

    // The data of the first Text child, or null when there is none.
    const std::u16string* text() const;
    void setText(std::u16string_view text);

    const std::u16string* attribute(std::u16string_view name) const;
    void setAttribute(std::u16string_view name, std::u16string_view value);
    // Base-detecting integer read ("0x" hex, leading "0" octal, else decimal),
    // clamped to 32 bits; `fallback` when absent, empty or without a digit.
    std::int32_t intAttribute(std::u16string_view name, std::int32_t fallback) const;
    void setIntAttribute(std::u16string_view name, std::int32_t value);

    // Appends a detached node as the last child. Returns the appended node.
    ConfigNode* appendChild(std::unique_ptr<ConfigNode> node);
    // Unlinks a direct child and destroys it with its subtree.
    void removeChild(ConfigNode* node);

    bool nameEquals(const char16_t* chars, std::size_t count) const;

    // Markup reader, step by step. Each reads at `position`, in a text that
    // ends at a zero code unit, and returns the position after what it read.
    // read: white space, then one node of any kind into this default node (an
    // element with all its content; a declaration leaves an unnamed element).
    const char16_t* read(const char16_t* position);
    // Character data up to the next "<" or the end, entities replaced.
    const char16_t* readText(const char16_t* position);
    // At "<": the name, the attributes and, unless empty, the content.
    const char16_t* readElement(const char16_t* position);
    // Attributes up to ">" or the end; returns that position.
    const char16_t* readAttributes(const char16_t* position);
    // Children appended until an end tag of any name, which is consumed.
    const char16_t* readContent(const char16_t* position);
    // At "</": the end tag's name, and its ">" when there is one.
    const char16_t* readEndTag(const char16_t* position);

    // Markup writer: this node and every node after it in its list.
    void writeList(std::u16string& output, int level) const;
    // Markup writer: this node with its subtree.
    void write(std::u16string& output, int level) const;
    // As writeList, encoded as UTF-8 (a lone surrogate as U+FFFD) and
    // appended to `output`: the bytes of a saved file without its UTF-16 form.
    void writeListUtf8(std::vector<std::uint8_t>& output, int level) const;
    // The same bytes put into `output` from byte `start` on; returns where they end.
    std::size_t writeListUtf8(ByteRoom& output, std::size_t start, int level) const;
};

// Destroys a list of nodes and their subtrees without recursion.
void destroyNodeList(std::unique_ptr<ConfigNode> first);

// "<" -> "&lt;", ">" -> "&gt;", quotation mark -> "&quot;"; the ampersand stays.
std::u16string escapeMarkup(std::u16string_view text);
void appendEscapedMarkup(std::u16string& output, std::u16string_view text);
// The reverse, for exactly those three entities.
std::u16string unescapeMarkup(std::u16string_view text);

}  // namespace tnk
