#include "capture/com/ole_value.h"
#include "capture/mshtml/mshtml_objects.h"

namespace tnk::mshtml {

int Node::nodeType() {
    long type = 0;
    if (FAILED(node_->get_nodeType(&type))) {
        return 0;
    }
    return static_cast<int>(type);
}

std::optional<std::u16string> Node::nodeValue() {
    com::Variant v;
    if (node_->get_nodeValue(v.put()) != S_OK) {
        return std::nullopt;
    }
    return v.str();
}

std::u16string Node::nodeName() {
    com::Bstr b;
    node_->get_nodeName(b.put());
    return b.str();
}

bool Node::hasChildNodes() {
    VARIANT_BOOL has = VARIANT_FALSE;
    return SUCCEEDED(node_->hasChildNodes(&has)) && has == VARIANT_TRUE;
}

dom::NodePtr Node::firstChild() {
    ComPtr<IHTMLDOMNode> child;
    node_->get_firstChild(child.put());
    return wrapNode(std::move(child));
}

dom::NodePtr Node::nextSibling() {
    ComPtr<IHTMLDOMNode> sibling;
    node_->get_nextSibling(sibling.put());
    return wrapNode(std::move(sibling));
}

dom::ElementPtr Node::asElement() {
    return wrapElement(node_.query<IHTMLElement>());
}

}  // namespace tnk::mshtml
