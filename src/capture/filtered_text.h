#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "capture/css_color.h"
#include "capture/dom.h"
#include "capture/text_layout.h"

namespace tnk {

// The filtered walk: the text of an element without what a reader cannot
// see (display none, a font size written with a leading zero, text in the
// colour of the background behind it), laid out plainly or tidily (TextLayout).
// It keeps one pending node per nesting level instead of one call per level,
// so a deeply nested page cannot exhaust the stack; the order of the
// document calls is that of a recursive walk.
class FilteredWalk {
  public:
    // Looked at between nodes: once set, the walk gives way to newer work.
    void setStop(const std::atomic<bool>* stop) { stop_ = stop; }
    // Appends the element's visible text.
    void element(dom::Element& element, std::u16string& text, bool tidy);
    // Appends one node's contribution, as the walk of its parent would.
    void node(dom::Node& node, std::u16string& text, bool tidy);

  private:
    // One nesting level: its pending node, what the level's nodes take from
    // the element above them, and the pending node's box while its children
    // are walked.
    struct Level {
        dom::NodePtr node;
        // The background behind the level: of the nearest element above with
        // one, white when none has. Above the walk's first element it is
        // known only once asked for.
        std::optional<CssColor> backdrop;
        WhiteSpace whiteSpace = WhiteSpace::collapse;
        // The level's text is in the colour behind it.
        bool hidden = false;
        TextLayout::Box box = TextLayout::Box::none;
    };

    // Checks the element's own rules and opens its box in `at`; gives true
    // with `inner` set to its first child when its children are to be
    // visited (the box is then closed when they are done).
    bool enter(dom::Element& element, Level& at, Level& inner, TextLayout& layout);
    // Writes a leaf's contribution, or enters an element as above.
    bool visit(dom::Node& node, Level& at, Level& inner, TextLayout& layout);
    // Visits `first.node`, its following siblings and everything below them.
    void walkFrom(Level first, TextLayout& layout);
    // After the first node: walks below it if it was entered, closes its box
    // and ends the text.
    void complete(bool entered, Level& top, Level& inner, TextLayout& layout);
    // The background showing behind the element, from its ancestors.
    static CssColor backdropAbove(dom::Element& element);

    // Kept between walks so that its storage is reused.
    std::vector<Level> levels_;
    const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace tnk
