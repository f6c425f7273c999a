#include "capture/com/ole_value.h"
#include "capture/mshtml/mshtml_objects.h"

namespace tnk::mshtml {

namespace {

std::optional<std::u16string> stringResult(HRESULT hr, const com::Bstr& b) {
    if (FAILED(hr)) {
        return std::nullopt;
    }
    return b.str();
}

// Reads an (x, y) pair through an optional interface; empty when the object
// does not offer it. A failing call leaves its coordinate 0.
template <class Itf>
std::optional<dom::Point> pointOf(const ComPtr<IHTMLElement>& element,
                                  HRESULT (STDMETHODCALLTYPE Itf::*getX)(LONG*),
                                  HRESULT (STDMETHODCALLTYPE Itf::*getY)(LONG*)) {
    ComPtr<Itf> itf = element.query<Itf>();
    if (!itf) {
        return std::nullopt;
    }
    LONG x = 0;
    LONG y = 0;
    if (FAILED((itf.get()->*getX)(&x))) {
        x = 0;
    }
    if (FAILED((itf.get()->*getY)(&y))) {
        y = 0;
    }
    return dom::Point{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}

}  // namespace

std::u16string Element::tagName() {
    com::Bstr b;
    element_->get_tagName(b.put());
    return b.str();
}

std::optional<std::u16string> Element::innerText() {
    com::Bstr b;
    HRESULT hr = element_->get_innerText(b.put());
    return stringResult(hr, b);
}

std::optional<std::u16string> Element::outerHtml() {
    com::Bstr b;
    HRESULT hr = element_->get_outerHTML(b.put());
    return stringResult(hr, b);
}

dom::ElementPtr Element::parentElement() {
    ComPtr<IHTMLElement> parent;
    element_->get_parentElement(parent.put());
    return wrapElement(std::move(parent));
}

dom::DocumentPtr Element::document() {
    ComPtr<IDispatch> doc;
    element_->get_document(doc.put());
    return wrapDocument(doc.query<IHTMLDocument2>());
}

dom::NodePtr Element::asNode() {
    return wrapNode(element_.query<IHTMLDOMNode>());
}

std::unique_ptr<dom::Style> Element::currentStyle() {
    ComPtr<IHTMLElement2> element2 = element_.query<IHTMLElement2>();
    if (!element2) {
        return nullptr;
    }
    ComPtr<IHTMLCurrentStyle> style;
    if (FAILED(element2->get_currentStyle(style.put())) || !style) {
        return nullptr;
    }
    return std::make_unique<Style>(std::move(style));
}

std::int32_t Element::offsetLeft() {
    LONG v = 0;
    return SUCCEEDED(element_->get_offsetLeft(&v)) ? static_cast<std::int32_t>(v) : 0;
}

std::int32_t Element::offsetTop() {
    LONG v = 0;
    return SUCCEEDED(element_->get_offsetTop(&v)) ? static_cast<std::int32_t>(v) : 0;
}

dom::ElementPtr Element::offsetParent() {
    ComPtr<IHTMLElement> parent;
    element_->get_offsetParent(parent.put());
    return wrapElement(std::move(parent));
}

std::optional<dom::Point> Element::textContainerScroll() {
    return pointOf<IHTMLTextContainer>(element_, &IHTMLTextContainer::get_scrollLeft,
                                       &IHTMLTextContainer::get_scrollTop);
}

std::optional<dom::Point> Element::clientEdge() {
    return pointOf<IHTMLControlElement>(element_, &IHTMLControlElement::get_clientLeft,
                                        &IHTMLControlElement::get_clientTop);
}

std::optional<dom::Point> Element::scroll() {
    return pointOf<IHTMLElement2>(element_, &IHTMLElement2::get_scrollLeft,
                                  &IHTMLElement2::get_scrollTop);
}

dom::WindowPtr Element::contentWindow() {
    ComPtr<IHTMLFrameBase2> frame = element_.query<IHTMLFrameBase2>();
    if (!frame) {
        return nullptr;
    }
    ComPtr<IHTMLWindow2> window;
    frame->get_contentWindow(window.put());
    return wrapWindow(std::move(window));
}

bool Element::isWebBrowser() {
    return static_cast<bool>(element_.query<IWebBrowser2>());
}

std::optional<dom::Rect> Element::clientBox() {
    ComPtr<IHTMLElement2> element2 = element_.query<IHTMLElement2>();
    ComPtr<IHTMLRect> rect;
    if (!element2 || FAILED(element2->getBoundingClientRect(rect.put())) || !rect) {
        return std::nullopt;
    }
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    if (FAILED(rect->get_left(&left)) || FAILED(rect->get_top(&top)) ||
        FAILED(rect->get_right(&right)) || FAILED(rect->get_bottom(&bottom))) {
        return std::nullopt;
    }
    const dom::Rect box{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                        static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    if (box.empty()) {
        return std::nullopt;
    }
    return box;
}

}  // namespace tnk::mshtml
