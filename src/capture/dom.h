#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The document object model as the capture engine sees it: exactly the
// operations it needs of a browser page. The MSHTML implementation wraps COM
// interfaces; tests use an in-memory page. A capability that an object may
// not offer is an empty result, never an error. Every object holds one
// counted reference to what it wraps and gives it up when destroyed.
namespace tnk::dom {

class Node;
class Element;
class Document;
class Window;
using NodePtr = std::shared_ptr<Node>;
using ElementPtr = std::shared_ptr<Element>;
using DocumentPtr = std::shared_ptr<Document>;
using WindowPtr = std::shared_ptr<Window>;

// Identity of the underlying object by the COM rule: the IUnknown pointer.
// Two wrappers of the same object report the same identity. An element that
// is a part of an object rather than an object of its own (a simple child of
// an accessible object) adds its number within that object.
struct Identity {
    Identity() = default;
    Identity(const void* o, std::intptr_t p = 0) : object(o), part(p) {}
    const void* object = nullptr;
    std::intptr_t part = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
};

struct IdentityHash {
    std::size_t operator()(const Identity& id) const {
        return std::hash<const void*>()(id.object) ^ (std::hash<std::intptr_t>()(id.part) << 1);
    }
};

class Object {
  public:
    virtual ~Object() = default;
    virtual Identity identity() const = 0;
};

inline bool sameObject(const Object* a, const Object* b) {
    return a && b && a->identity() == b->identity();
}
inline bool sameObject(const std::shared_ptr<Object>& a, const std::shared_ptr<Object>& b) {
    return sameObject(a.get(), b.get());
}

// A style value as the browser reports it: a string ("#rrggbb", a name,
// "transparent", "rgb(r, g, b)") or a number.
struct StyleValue {
    bool isString = false;
    std::u16string text;
    std::int32_t number = 0;

    static StyleValue ofText(std::u16string t) { return {true, std::move(t), 0}; }
    static StyleValue ofNumber(std::int32_t n) { return {false, {}, n}; }
};

// The computed style of an element.
class Style {
  public:
    virtual ~Style() = default;
    virtual std::u16string display() = 0;
    // The font size as written, e.g. "12pt", "0px", "0.8em"; empty if unknown.
    virtual std::u16string fontSize() = 0;
    virtual StyleValue color() = 0;
    virtual StyleValue backgroundColor() = 0;
    // The white-space value ("normal", "pre", "pre-wrap", "pre-line",
    // "nowrap", ...), inherited like the other computed values; "normal"
    // when the element does not offer it.
    virtual std::u16string whiteSpace() = 0;
};

class Node : public Object {
  public:
    // 1 element, 3 text, 8 comment, ...
    virtual int nodeType() = 0;
    // Text nodes: the data as the document holds it; empty optional when the
    // call does not succeed.
    virtual std::optional<std::u16string> nodeValue() = 0;
    // Upper-case tag name for elements ("BR", "DIV"), "#text" for text.
    virtual std::u16string nodeName() = 0;
    virtual bool hasChildNodes() = 0;
    virtual NodePtr firstChild() = 0;
    virtual NodePtr nextSibling() = 0;
    // The node as an element, when it is one.
    virtual ElementPtr asElement() = 0;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// How much of an element's text and markup to build, and when to give up:
// while the user points, only what the view can show is worth the calls
// into another program, and a newer request makes the work under way stale.
struct RenderLimits {
    std::size_t textChars = SIZE_MAX;
    std::size_t markupChars = SIZE_MAX;
    // Looked at between objects; set when the work is to be dropped.
    const std::atomic<bool>* stop = nullptr;

    bool stopped() const { return stop && stop->load(std::memory_order_relaxed); }
};

// An element's text and markup; `textCut`/`markupCut` when a limit ended
// them early, `stopped` when the work was dropped (nothing to show).
struct Rendering {
    std::u16string text;
    std::u16string html;
    bool textCut = false;
    bool markupCut = false;
    bool stopped = false;
};

// A box by its edges: right and bottom lie just outside it.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

class Element : public Object {
  public:
    virtual std::u16string tagName() = 0;
    // Empty optional when the call fails.
    virtual std::optional<std::u16string> innerText() = 0;
    virtual std::optional<std::u16string> outerHtml() = 0;
    // Text and markup within limits. A page that renders both itself (one
    // call each) gives them whole.
    virtual Rendering render(const RenderLimits&) {
        return {innerText().value_or(std::u16string()), outerHtml().value_or(std::u16string())};
    }
    virtual ElementPtr parentElement() = 0;
    virtual DocumentPtr document() = 0;
    virtual NodePtr asNode() = 0;
    // Null when the element offers no current style.
    virtual std::unique_ptr<Style> currentStyle() = 0;

    virtual std::int32_t offsetLeft() = 0;
    virtual std::int32_t offsetTop() = 0;
    virtual ElementPtr offsetParent() = 0;
    // The element's own scroll position as a text container; empty when the
    // element offers no such interface.
    virtual std::optional<Point> textContainerScroll() = 0;
    // clientLeft/clientTop as a control element; empty when not offered.
    virtual std::optional<Point> clientEdge() = 0;
    // scrollLeft/scrollTop through the second element interface; empty when
    // not offered.
    virtual std::optional<Point> scroll() = 0;

    // FRAME/IFRAME: the window shown in the frame; null for other elements
    // or when unreachable.
    virtual WindowPtr contentWindow() = 0;
    // Whether the object also offers the web browser interface (a frame
    // element does); identity() is then that browser's identity.
    virtual bool isWebBrowser() = 0;
    // The element's box in the coordinates its document's elementFromPoint
    // takes; empty when the element has none or does not tell it.
    virtual std::optional<Rect> clientBox() { return std::nullopt; }
};

class Document : public Object {
  public:
    // The element at a point in the document window's client coordinates.
    virtual ElementPtr elementFromPoint(Point p) = 0;
    virtual std::optional<std::u16string> url() = 0;
    virtual std::optional<std::u16string> title() = 0;
    // The root element; null when the document does not offer it.
    virtual ElementPtr documentElement() = 0;
    // The window the document's script runs in.
    virtual WindowPtr scriptWindow() = 0;
    // All elements of a tag name, in document order; empty optional when
    // the document cannot be asked. Items that cannot be fetched are null.
    virtual std::optional<std::vector<ElementPtr>> elementsByTagName(const std::u16string& tag) = 0;
    // A new capture begins: what the document remembers of its page may be
    // out of date.
    virtual void refresh() {}
};

class Window : public Object {
  public:
    // The parent window; the top window reports itself.
    virtual WindowPtr parent() = 0;
    virtual DocumentPtr document() = 0;
};

}  // namespace tnk::dom
