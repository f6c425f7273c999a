#pragma once

#include <windows.h>

#include <exdisp.h>
#include <mshtml.h>

#include "capture/com/com_ptr.h"
#include "capture/dom.h"

// The wrapper classes behind mshtml_dom.h. Each keeps the interface it wraps
// and the object's IUnknown (its identity); other interfaces are queried when
// an operation needs them.
namespace tnk::mshtml {

using com::ComPtr;

dom::NodePtr wrapNode(ComPtr<IHTMLDOMNode> node);
dom::ElementPtr wrapElement(ComPtr<IHTMLElement> element);
dom::DocumentPtr wrapDocument(ComPtr<IHTMLDocument2> document);
dom::WindowPtr wrapWindow(ComPtr<IHTMLWindow2> window);

class Style final : public dom::Style {
  public:
    explicit Style(ComPtr<IHTMLCurrentStyle> style) : style_(std::move(style)) {}
    std::u16string display() override;
    std::u16string fontSize() override;
    dom::StyleValue color() override;
    dom::StyleValue backgroundColor() override;
    std::u16string whiteSpace() override;

  private:
    ComPtr<IHTMLCurrentStyle> style_;
};

class Node final : public dom::Node {
  public:
    Node(ComPtr<IHTMLDOMNode> node, ComPtr<IUnknown> id)
        : node_(std::move(node)), id_(std::move(id)) {}
    dom::Identity identity() const override { return id_.get(); }
    int nodeType() override;
    std::optional<std::u16string> nodeValue() override;
    std::u16string nodeName() override;
    bool hasChildNodes() override;
    dom::NodePtr firstChild() override;
    dom::NodePtr nextSibling() override;
    dom::ElementPtr asElement() override;

  private:
    ComPtr<IHTMLDOMNode> node_;
    ComPtr<IUnknown> id_;
};

class Element final : public dom::Element {
  public:
    Element(ComPtr<IHTMLElement> element, ComPtr<IUnknown> id)
        : element_(std::move(element)), id_(std::move(id)) {}
    dom::Identity identity() const override { return id_.get(); }
    std::u16string tagName() override;
    std::optional<std::u16string> innerText() override;
    std::optional<std::u16string> outerHtml() override;
    dom::ElementPtr parentElement() override;
    dom::DocumentPtr document() override;
    dom::NodePtr asNode() override;
    std::unique_ptr<dom::Style> currentStyle() override;
    std::int32_t offsetLeft() override;
    std::int32_t offsetTop() override;
    dom::ElementPtr offsetParent() override;
    std::optional<dom::Point> textContainerScroll() override;
    std::optional<dom::Point> clientEdge() override;
    std::optional<dom::Point> scroll() override;
    dom::WindowPtr contentWindow() override;
    bool isWebBrowser() override;
    std::optional<dom::Rect> clientBox() override;

  private:
    ComPtr<IHTMLElement> element_;
    ComPtr<IUnknown> id_;
};

class Document final : public dom::Document {
  public:
    Document(ComPtr<IHTMLDocument2> document, ComPtr<IUnknown> id)
        : document_(std::move(document)), id_(std::move(id)) {}
    dom::Identity identity() const override { return id_.get(); }
    dom::ElementPtr elementFromPoint(dom::Point p) override;
    std::optional<std::u16string> url() override;
    std::optional<std::u16string> title() override;
    dom::ElementPtr documentElement() override;
    dom::WindowPtr scriptWindow() override;
    std::optional<std::vector<dom::ElementPtr>> elementsByTagName(
        const std::u16string& tag) override;

  private:
    ComPtr<IHTMLDocument2> document_;
    ComPtr<IUnknown> id_;
};

class Window final : public dom::Window {
  public:
    Window(ComPtr<IHTMLWindow2> window, ComPtr<IUnknown> id)
        : window_(std::move(window)), id_(std::move(id)) {}
    dom::Identity identity() const override { return id_.get(); }
    dom::WindowPtr parent() override;
    dom::DocumentPtr document() override;

  private:
    ComPtr<IHTMLWindow2> window_;
    ComPtr<IUnknown> id_;
};

}  // namespace tnk::mshtml
