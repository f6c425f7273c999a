#pragma once

// An in-memory page for tests: elements, text and comment nodes, computed
// styles, boxes for hit-testing, scroll positions, frames with their own
// documents and windows. It implements the capture engine's document seam
// (capture/dom.h) and is built from a small HTML-like text; see README.md.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/dom.h"

namespace tnk::testpage {

class PageDocument;
class PageElement;
class PageWindow;
class IdentitySlots;

// Capabilities that an element offers unless switched off with the markup
// attribute no="style,node,...".
struct Capabilities {
    bool style = true;          // currentStyle
    bool node = true;           // asNode
    bool innerText = true;      // innerText
    bool outerHtml = true;      // outerHtml
    bool textContainer = true;  // textContainerScroll (never on HTML, FRAME, IFRAME)
    bool clientEdge = true;     // clientEdge
    bool scroll = true;         // scroll
    bool browser = true;        // isWebBrowser (FRAME and IFRAME only)
    bool frame = true;          // contentWindow (FRAME and IFRAME only)
    bool item = true;           // fetchable from elementsByTagName
    bool value = true;          // nodeValue of its text children
};

struct Box {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct ComputedStyle {
    std::u16string display;
    std::u16string fontSize;
    dom::StyleValue color;
    dom::StyleValue backgroundColor;
    std::u16string whiteSpace;
};

class PageNode : public dom::Node, public std::enable_shared_from_this<PageNode> {
  public:
    PageNode(int type, std::u16string name, std::u16string value);
    dom::Identity identity() const override { return static_cast<const PageNode*>(this); }
    int nodeType() override { return type_; }
    std::optional<std::u16string> nodeValue() override;
    std::u16string nodeName() override { return name_; }
    bool hasChildNodes() override { return !children_.empty(); }
    dom::NodePtr firstChild() override;
    dom::NodePtr nextSibling() override;
    dom::ElementPtr asElement() override { return nullptr; }

    PageElement* parent() const { return parent_; }
    const std::vector<std::shared_ptr<PageNode>>& children() const { return children_; }
    const std::u16string& value() const { return value_; }
    PageDocument* ownerDocument() const { return document_; }

  protected:
    friend class PageDocument;
    friend class PageBuilder;
    friend class PageElement;

    int type_;
    std::u16string name_;
    std::u16string value_;
    PageElement* parent_ = nullptr;
    std::size_t index_ = 0;
    PageDocument* document_ = nullptr;
    std::vector<std::shared_ptr<PageNode>> children_;
};

class PageElement : public PageNode, public dom::Element {
  public:
    explicit PageElement(std::u16string tag);

    dom::Identity identity() const override { return static_cast<const PageNode*>(this); }
    dom::ElementPtr asElement() override;

    std::u16string tagName() override { return name_; }
    std::optional<std::u16string> innerText() override;
    std::optional<std::u16string> outerHtml() override;
    dom::ElementPtr parentElement() override;
    dom::DocumentPtr document() override;
    dom::NodePtr asNode() override;
    std::unique_ptr<dom::Style> currentStyle() override;
    std::int32_t offsetLeft() override { return box_.x; }
    std::int32_t offsetTop() override { return box_.y; }
    dom::ElementPtr offsetParent() override;
    std::optional<dom::Point> textContainerScroll() override;
    std::optional<dom::Point> clientEdge() override;
    std::optional<dom::Point> scroll() override;
    dom::WindowPtr contentWindow() override;
    bool isWebBrowser() override;

    std::shared_ptr<PageElement> self();
    const std::u16string& tag() const { return name_; }
    const std::vector<std::pair<std::u16string, std::u16string>>& attributes() const {
        return attributes_;
    }
    std::u16string attribute(std::u16string_view name) const;
    const ComputedStyle& computed() const { return style_; }
    const Box& box() const { return box_; }
    bool hasBox() const { return hasBox_; }
    dom::Point scrollPosition() const { return scroll_; }
    dom::Point border() const { return border_; }
    Capabilities& capabilities() { return capabilities_; }
    // The window shown by a FRAME or IFRAME; null for other elements.
    const std::shared_ptr<PageWindow>& frameWindow() const { return frameWindow_; }

    void scrollTo(dom::Point p) { scroll_ = p; }
    void setBox(Box box);
    void setBorder(dom::Point edge) { border_ = edge; }

  private:
    friend class PageBuilder;
    friend class PageDocument;

    std::vector<std::pair<std::u16string, std::u16string>> attributes_;
    ComputedStyle style_;
    Box box_;
    bool hasBox_ = false;
    dom::Point scroll_;
    dom::Point border_;
    Capabilities capabilities_;
    std::shared_ptr<PageWindow> frameWindow_;
    // Markup of a frame's own document, until the page is finished.
    std::u16string frameMarkup_;
};

class PageDocument : public dom::Document, public std::enable_shared_from_this<PageDocument> {
  public:
    PageDocument() = default;
    PageDocument(const PageDocument&) = delete;
    PageDocument& operator=(const PageDocument&) = delete;
    // Takes the tree apart without recursion, so deep pages are freed safely.
    ~PageDocument() override;

    dom::Identity identity() const override { return this; }
    dom::ElementPtr elementFromPoint(dom::Point p) override;
    std::optional<std::u16string> url() override;
    std::optional<std::u16string> title() override;
    dom::ElementPtr documentElement() override;
    dom::WindowPtr scriptWindow() override;
    std::optional<std::vector<dom::ElementPtr>> elementsByTagName(
        const std::u16string& tag) override;

    const std::shared_ptr<PageElement>& root() const { return root_; }
    PageWindow* window() const { return window_; }
    // The first element with this id, searched in this document only.
    std::shared_ptr<PageElement> byId(std::u16string_view id) const;

    std::u16string urlText;
    std::u16string titleText;
    // The client area's size; points outside it hit nothing.
    dom::Point viewport{800, 600};
    // Switches for the paths where a browser does not answer.
    bool urlFails = false;
    bool titleFails = false;
    bool rootOffered = true;
    bool tagSearchFails = false;
    // When set, element results are fresh wrappers on every call (as COM
    // hands out new interface pointers), so identity must be compared by
    // identity(), never by pointer.
    bool freshWrappers = false;
    // When set, element results are fresh wrappers whose identity is a slot
    // that returns to a free list when the element's last wrapper is
    // released and goes to the next element wrapped, as a released proxy's
    // address goes to the next proxy.
    bool reusedIdentities = false;
    // Counts of calls, for tests that check what is asked and how often.
    int elementFromPointCalls = 0;
    int tagSearches = 0;

    dom::ElementPtr wrap(std::shared_ptr<PageElement> element) const;

  private:
    friend class PageBuilder;
    friend class PageWindow;

    mutable std::shared_ptr<IdentitySlots> slots_;
    std::shared_ptr<PageElement> root_;
    PageWindow* window_ = nullptr;
};

class PageWindow : public dom::Window, public std::enable_shared_from_this<PageWindow> {
  public:
    dom::Identity identity() const override { return this; }
    dom::WindowPtr parent() override;
    dom::DocumentPtr document() override { return document_; }

    const std::shared_ptr<PageDocument>& pageDocument() const { return document_; }
    void setDocument(std::shared_ptr<PageDocument> document);

    bool parentOffered = true;

  private:
    friend class PageBuilder;
    friend class PageDocument;

    PageWindow* parent_ = nullptr;
    std::shared_ptr<PageDocument> document_;
};

// A page: its top window and document, built from markup such as
//   <div id="a" box="0,0,100,20" style="color:red">text<br>more</div>
// Markup that is not one HTML element is wrapped in HTML and BODY. The
// children of a FRAME or IFRAME are the frame's own document.
class Page {
  public:
    static Page parse(std::string_view markup, std::u16string url = u"http://page.test/");

    const std::shared_ptr<PageWindow>& window() const { return window_; }
    const std::shared_ptr<PageDocument>& document() const { return window_->pageDocument(); }
    // The first element with this id in the page or any of its frames.
    std::shared_ptr<PageElement> find(std::u16string_view id) const;
    std::shared_ptr<PageElement> find(std::string_view id) const;

  private:
    std::shared_ptr<PageWindow> window_;
};

std::u16string utf16(std::string_view utf8);

}  // namespace tnk::testpage
