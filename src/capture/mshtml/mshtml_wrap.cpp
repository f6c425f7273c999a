#include "capture/mshtml/mshtml_dom.h"
#include "capture/mshtml/mshtml_objects.h"

namespace tnk::mshtml {

namespace {

// Every wrapper needs the object's identity; an object that will not give its
// IUnknown is treated as absent.
template <class Wrapper, class Itf>
std::shared_ptr<Wrapper> wrap(ComPtr<Itf> p) {
    if (!p) {
        return nullptr;
    }
    ComPtr<IUnknown> id = p.template query<IUnknown>();
    if (!id) {
        return nullptr;
    }
    return std::make_shared<Wrapper>(std::move(p), std::move(id));
}

}  // namespace

dom::NodePtr wrapNode(ComPtr<IHTMLDOMNode> node) {
    return wrap<Node>(std::move(node));
}
dom::ElementPtr wrapElement(ComPtr<IHTMLElement> element) {
    return wrap<Element>(std::move(element));
}
dom::DocumentPtr wrapDocument(ComPtr<IHTMLDocument2> document) {
    return wrap<Document>(std::move(document));
}
dom::WindowPtr wrapWindow(ComPtr<IHTMLWindow2> window) {
    return wrap<Window>(std::move(window));
}

dom::DocumentPtr wrapDocument(IHTMLDocument2* document) {
    return wrapDocument(ComPtr<IHTMLDocument2>::share(document));
}

}  // namespace tnk::mshtml
