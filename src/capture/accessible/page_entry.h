#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/accessible/accessible.h"
#include "capture/accessible/object_facts.h"

namespace tnk::acc {

using ObjectList = std::shared_ptr<const std::vector<ObjectPtr>>;

// Bounds of every walk over a subtree: a program may list an ancestor among
// an object's children, and such a tree has no end.
constexpr std::size_t kMaxWalkDepth = 1024;
constexpr std::size_t kMaxWalkObjects = 250000;
// Such a tree may also list one object with a long text many times over:
// a walk writes at most about this many characters.
constexpr std::size_t kMaxWalkChars = std::size_t{1} << 24;

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

// One object as the page model visits it: what it reads of the object is
// read once, when first needed, and kept while the entry lives.
class Entry {
  public:
    explicit Entry(ObjectPtr object) : object_(std::move(object)) {}

    Object& object() const { return *object_; }
    const ObjectPtr& objectPtr() const { return object_; }
    const Facts& facts();
    const ObjectList& children();
    bool isLeaf() { return children()->empty(); }
    // A leaf's text: its value when it is editable text, else its name.
    const std::u16string& leafText();
    const std::optional<std::u16string>& textAttributes();

  private:
    ObjectPtr object_;
    std::optional<Facts> facts_;
    ObjectList children_;
    std::optional<std::u16string> leafText_;
    bool textAttributesRead_ = false;
    std::optional<std::u16string> textAttributes_;
};

using EntryPtr = std::shared_ptr<Entry>;

// The element's text (the innerText of this model) and its markup, made in
// one walk over the subtree.
struct Rendering {
    std::u16string text;
    std::u16string html;
};
Rendering render(const EntryPtr& root);

}  // namespace tnk::acc
