#include "capture/com/ole_value.h"
#include "capture/mshtml/mshtml_objects.h"

namespace tnk::mshtml {

dom::ElementPtr Document::elementFromPoint(dom::Point p) {
    ComPtr<IHTMLElement> element;
    document_->elementFromPoint(p.x, p.y, element.put());
    return wrapElement(std::move(element));
}

std::optional<std::u16string> Document::url() {
    com::Bstr b;
    if (FAILED(document_->get_URL(b.put()))) {
        return std::nullopt;
    }
    return b.str();
}

std::optional<std::u16string> Document::title() {
    com::Bstr b;
    if (FAILED(document_->get_title(b.put()))) {
        return std::nullopt;
    }
    return b.str();
}

dom::ElementPtr Document::documentElement() {
    ComPtr<IHTMLDocument3> document3 = document_.query<IHTMLDocument3>();
    if (!document3) {
        return nullptr;
    }
    ComPtr<IHTMLElement> root;
    document3->get_documentElement(root.put());
    return wrapElement(std::move(root));
}

dom::WindowPtr Document::scriptWindow() {
    ComPtr<IDispatch> script;
    document_->get_Script(script.put());
    return wrapWindow(script.query<IHTMLWindow2>());
}

std::optional<std::vector<dom::ElementPtr>> Document::elementsByTagName(const std::u16string& tag) {
    ComPtr<IHTMLDocument3> document3 = document_.query<IHTMLDocument3>();
    if (!document3) {
        return std::nullopt;
    }
    com::Bstr name(tag);
    ComPtr<IHTMLElementCollection> collection;
    if (FAILED(document3->getElementsByTagName(name.get(), collection.put())) || !collection) {
        return std::nullopt;
    }
    long length = 0;
    if (FAILED(collection->get_length(&length)) || length < 0) {
        return std::nullopt;
    }
    std::vector<dom::ElementPtr> items;
    items.reserve(static_cast<std::size_t>(length));
    for (long i = 0; i < length; ++i) {
        // Both the name and the index argument are the integer i.
        com::Variant byName(static_cast<std::int32_t>(i));
        com::Variant byIndex(static_cast<std::int32_t>(i));
        ComPtr<IDispatch> item;
        if (collection->item(byName.get(), byIndex.get(), item.put()) != S_OK || !item) {
            items.push_back(nullptr);
            continue;
        }
        items.push_back(wrapElement(item.query<IHTMLElement>()));
    }
    return items;
}

dom::WindowPtr Window::parent() {
    ComPtr<IHTMLWindow2> parent;
    window_->get_parent(parent.put());
    return wrapWindow(std::move(parent));
}

dom::DocumentPtr Window::document() {
    ComPtr<IHTMLDocument2> document;
    window_->get_document(document.put());
    return wrapDocument(std::move(document));
}

}  // namespace tnk::mshtml
