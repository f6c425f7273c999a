#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "capture/accessible/accessible.h"
#include "capture/accessible/object_facts.h"

namespace tnk::acc {

using ObjectList = std::shared_ptr<const std::vector<ObjectPtr>>;

// Bounds of every walk over a subtree: a program may list an ancestor among
// an object's children, and such a tree has no end. Such a tree may also list
// one object with a long text many times over: a walk writes at most about
// kMaxWalkChars characters. (A fuzzing build walks thousands of such trees
// to their bounds; smaller ones keep each of them quick.)
constexpr std::size_t kMaxWalkDepth = 1024;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr std::size_t kMaxWalkObjects = 1000;
constexpr std::size_t kMaxWalkChars = std::size_t{1} << 16;
#else
constexpr std::size_t kMaxWalkObjects = 250000;
constexpr std::size_t kMaxWalkChars = std::size_t{1} << 24;
#endif

// The objects a walk may still visit and the characters it may still
// write; shared by the nodes of one walk.
struct WalkBudget {
    std::size_t left = kMaxWalkObjects;
    std::size_t chars = kMaxWalkChars;
    bool take() { return left > 0 && left-- > 0; }
    bool takeChars(std::size_t n) {
        if (chars == 0) {
            return false;
        }
        chars -= std::min(n, chars);
        return true;
    }
};

class EntryCache;

// One object as the page model visits it: what it reads of the object is
// read once, when first needed, and kept while the entry lives.
class Entry {
  public:
    Entry(ObjectPtr object, EntryCache& cache) : object_(std::move(object)), cache_(&cache) {}

    Object& object() const { return *object_; }
    const ObjectPtr& objectPtr() const { return object_; }
    EntryCache& cache() const { return *cache_; }
    const Facts& facts();
    // The objects whose text and markup make up this one's, in order: its
    // children or, where it offers hypertext, its embedded objects with the
    // text between them as runs of text of their own.
    const ObjectList& content();
    // The same with the text also split where its text attributes change:
    // the pieces the filtered walk judges one by one.
    const ObjectList& styledContent();
    bool isLeaf() { return content()->empty(); }
    // A leaf's text: its value when it is editable text, else its name.
    const std::u16string& leafText();
    // The text a reader sees of a leaf: none of an image.
    const std::u16string& readableText();
    const std::optional<std::u16string>& textAttributes();
    // Null above the top the object knows.
    const ObjectPtr& parent();
    // The object's box on the screen; empty when not answered.
    const std::optional<dom::Rect>& location();
    // Where the last rendering put a block-like object whose place the
    // program does not tell: on the line before it (true) or on a line of
    // its own. The filtered walk lays the object out the same way, so the
    // text keeps its shape when the filter recomputes it. Empty until a
    // rendering has placed it.
    const std::optional<bool>& placedInLine() const { return placedInLine_; }
    void place(bool inLine) { placedInLine_ = inLine; }

  private:
    // The content from the hypertext; null when the object offers none or
    // it does not account for every embedded object.
    ObjectList hypertextContent(bool styled);

    ObjectPtr object_;
    EntryCache* cache_;
    std::optional<Facts> facts_;
    ObjectList content_;
    ObjectList styledContent_;
    std::optional<std::optional<Hypertext>> hypertext_;
    std::optional<std::u16string> leafText_;
    bool textAttributesRead_ = false;
    std::optional<std::u16string> textAttributes_;
    bool parentRead_ = false;
    ObjectPtr parent_;
    std::optional<std::optional<dom::Rect>> location_;
    std::optional<bool> placedInLine_;
};

using EntryPtr = std::shared_ptr<Entry>;

// The entries of one capture by object identity, so that nothing is asked
// of an object twice. An entry holds its object, so no identity is handed to
// another object while the entry lives.
class EntryCache {
  public:
    EntryPtr entry(const ObjectPtr& object);
    // The page may have changed since: later captures ask again.
    void clear() { entries_.clear(); }
    std::size_t size() const { return entries_.size(); }

  private:
    std::unordered_map<dom::Identity, EntryPtr, dom::IdentityHash> entries_;
};

// The element's text (the innerText of this model) and its markup, made in
// one walk over the subtree, within the limits.
dom::Rendering render(const EntryPtr& root, const dom::RenderLimits& limits);

}  // namespace tnk::acc
