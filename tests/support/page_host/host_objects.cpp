#include "host_objects.h"

#include <algorithm>

namespace tnk::page_host {

const GUID kIidHtmlDocument = {
    0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};

namespace {

std::wstring g_hangFile;

// While the hang file exists a served call waits inside the call, like a
// browser that hangs after handing out its document.
void waitWhileHung() {
    while (!g_hangFile.empty() &&
           GetFileAttributesW(g_hangFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Sleep(50);
    }
}

BSTR bstr(const std::wstring& s) {
    return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

HRESULT stringOut(const std::wstring& s, BSTR* p) {
    if (!p) {
        return E_POINTER;
    }
    *p = bstr(s);
    return *p ? S_OK : E_OUTOFMEMORY;
}

HRESULT stringOut(const std::wstring& s, VARIANT* p) {
    if (!p) {
        return E_POINTER;
    }
    VariantInit(p);
    p->vt = VT_BSTR;
    p->bstrVal = bstr(s);
    return p->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT longOut(LONG v, LONG* p) {
    if (!p) {
        return E_POINTER;
    }
    *p = v;
    return S_OK;
}

// Hands out an interface with a reference of the caller's own; null is a
// valid answer ("there is none").
template <class Itf>
HRESULT objectOut(Itf* object, Itf** p) {
    if (!p) {
        return E_POINTER;
    }
    *p = object;
    if (object) {
        object->AddRef();
    }
    return S_OK;
}

template <class Itf>
HRESULT give(Itf* itf, void** out) {
    itf->AddRef();
    *out = itf;
    return S_OK;
}

std::wstring escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
            case L'&':
                out += L"&amp;";
                break;
            case L'<':
                out += L"&lt;";
                break;
            case L'>':
                out += L"&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool boxHolds(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The default display of the tags the test pages use.
std::wstring defaultDisplay(const std::wstring& tag) {
    if (tag == L"TABLE") {
        return L"table";
    }
    if (tag == L"TBODY") {
        return L"table-row-group";
    }
    if (tag == L"TR") {
        return L"table-row";
    }
    if (tag == L"TD") {
        return L"table-cell";
    }
    if (tag == L"SPAN" || tag == L"B" || tag == L"BR" || tag == L"IFRAME") {
        return L"inline";
    }
    return L"block";
}

}  // namespace

void setHangFile(std::wstring path) {
    g_hangFile = std::move(path);
}

// ---- HostText

std::wstring HostText::outerHtml() const {
    return escaped(text_);
}

HRESULT HostText::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IHTMLDOMNode)) {
        return give(static_cast<IHTMLDOMNode*>(this), out);
    }
    return E_NOINTERFACE;
}

HRESULT HostText::get_nodeType(LONG* p) {
    waitWhileHung();
    return longOut(3, p);
}
HRESULT HostText::get_nodeValue(VARIANT* p) {
    waitWhileHung();
    return stringOut(text_, p);
}
HRESULT HostText::get_nodeName(BSTR* p) {
    waitWhileHung();
    return stringOut(L"#text", p);
}
HRESULT HostText::hasChildNodes(VARIANT_BOOL* p) {
    waitWhileHung();
    if (!p) {
        return E_POINTER;
    }
    *p = VARIANT_FALSE;
    return S_OK;
}
HRESULT HostText::get_firstChild(IHTMLDOMNode** p) {
    waitWhileHung();
    return objectOut<IHTMLDOMNode>(nullptr, p);
}
HRESULT HostText::get_nextSibling(IHTMLDOMNode** p) {
    waitWhileHung();
    return objectOut(next ? next->domNode() : nullptr, p);
}
HRESULT HostText::get_parentNode(IHTMLDOMNode** p) {
    waitWhileHung();
    return objectOut(parent ? parent->domNode() : nullptr, p);
}

// ---- HostStyle

HRESULT HostStyle::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IHTMLCurrentStyle)) {
        return give(static_cast<IHTMLCurrentStyle*>(this), out);
    }
    if (iid == __uuidof(IHTMLCurrentStyle3)) {
        return give(static_cast<IHTMLCurrentStyle3*>(this), out);
    }
    return E_NOINTERFACE;
}

HRESULT HostStyle::get_display(BSTR* p) {
    waitWhileHung();
    return stringOut(display, p);
}
HRESULT HostStyle::get_fontSize(VARIANT* p) {
    waitWhileHung();
    return stringOut(fontSize, p);
}
HRESULT HostStyle::get_color(VARIANT* p) {
    waitWhileHung();
    return stringOut(color, p);
}
HRESULT HostStyle::get_backgroundColor(VARIANT* p) {
    waitWhileHung();
    return stringOut(backgroundColor, p);
}
HRESULT HostStyle::get_whiteSpace(BSTR* p) {
    waitWhileHung();
    return stringOut(whiteSpace, p);
}

// ---- HostElement

HostElement::HostElement(HostDocument* document, std::wstring tag, RECT box)
    : box(box), document_(document), tag_(std::move(tag)) {
    style.display = defaultDisplay(tag_);
}

void HostElement::append(HostNode* child) {
    child->parent = this;
    if (!children_.empty()) {
        children_.back()->next = child;
    }
    children_.push_back(child);
}

HostElement* HostElement::hit(POINT p) {
    const bool inside = boxHolds(box, p);
    if (!inside && !document_->overflowing) {
        return nullptr;
    }
    if (!isFrame()) {
        // Later siblings lie on top of earlier ones.
        for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
            if (auto* e = dynamic_cast<HostElement*>(*it)) {
                if (HostElement* found = e->hit(p)) {
                    return found;
                }
            }
        }
    }
    return inside ? this : nullptr;
}

void HostElement::collect(const std::wstring& tag, std::vector<HostElement*>& out) {
    if (tag_ == tag) {
        out.push_back(this);
    }
    for (HostNode* child : children_) {
        if (auto* e = dynamic_cast<HostElement*>(child)) {
            e->collect(tag, out);
        }
    }
}

std::wstring HostElement::innerText() const {
    if (recordedInnerText) {
        return *recordedInnerText;
    }
    if (tag_ == L"BR") {
        return L"\r\n";
    }
    std::wstring text;
    for (const HostNode* child : children_) {
        text += child->innerText();
    }
    return text;
}

std::wstring HostElement::outerHtml() const {
    std::wstring html = L"<" + tag_ + attributes + L">";
    if (tag_ == L"BR") {
        return html;
    }
    for (const HostNode* child : children_) {
        html += child->outerHtml();
    }
    return html + L"</" + tag_ + L">";
}

HRESULT HostElement::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IHTMLElement)) {
        return give(static_cast<IHTMLElement*>(this), out);
    }
    if (iid == __uuidof(IHTMLElement2)) {
        return give(static_cast<IHTMLElement2*>(this), out);
    }
    if (iid == __uuidof(IHTMLDOMNode)) {
        return give(static_cast<IHTMLDOMNode*>(this), out);
    }
    if (iid == __uuidof(IHTMLTextContainer)) {
        return give(static_cast<IHTMLTextContainer*>(this), out);
    }
    if (iid == __uuidof(IHTMLControlElement)) {
        return give(static_cast<IHTMLControlElement*>(this), out);
    }
    if (isFrame() && iid == __uuidof(IHTMLFrameBase2)) {
        return give(static_cast<IHTMLFrameBase2*>(this), out);
    }
    if (isFrame() && (iid == __uuidof(IWebBrowser2) || iid == __uuidof(IWebBrowserApp) ||
                      iid == __uuidof(IWebBrowser))) {
        return give(static_cast<IWebBrowser2*>(this), out);
    }
    return E_NOINTERFACE;
}

HRESULT HostElement::get_tagName(BSTR* p) {
    waitWhileHung();
    return stringOut(tag_, p);
}

HRESULT HostElement::get_parentElement(IHTMLElement** p) {
    waitWhileHung();
    return objectOut<IHTMLElement>(parent, p);
}

HRESULT HostElement::get_document(IDispatch** p) {
    waitWhileHung();
    return objectOut<IDispatch>(static_cast<IHTMLDocument2*>(document_), p);
}

// The offset parent is the parent element; the page's top elements (HTML,
// BODY, FRAMESET) have none, so their offsets are their own boxes.
HRESULT HostElement::get_offsetParent(IHTMLElement** p) {
    waitWhileHung();
    bool top = !parent || tag_ == L"BODY" || tag_ == L"FRAMESET";
    return objectOut<IHTMLElement>(top ? nullptr : parent, p);
}

HRESULT HostElement::get_offsetLeft(LONG* p) {
    waitWhileHung();
    bool top = !parent || tag_ == L"BODY" || tag_ == L"FRAMESET";
    return longOut(box.left - (top ? 0 : parent->box.left), p);
}

HRESULT HostElement::get_offsetTop(LONG* p) {
    waitWhileHung();
    bool top = !parent || tag_ == L"BODY" || tag_ == L"FRAMESET";
    return longOut(box.top - (top ? 0 : parent->box.top), p);
}

HRESULT HostElement::get_offsetWidth(LONG* p) {
    waitWhileHung();
    return longOut(box.right - box.left, p);
}
HRESULT HostElement::get_offsetHeight(LONG* p) {
    waitWhileHung();
    return longOut(box.bottom - box.top, p);
}

HRESULT HostElement::get_innerText(BSTR* p) {
    waitWhileHung();
    return stringOut(innerText(), p);
}
HRESULT HostElement::get_outerHTML(BSTR* p) {
    waitWhileHung();
    return stringOut(outerHtml(), p);
}

HRESULT HostElement::get_innerHTML(BSTR* p) {
    waitWhileHung();
    std::wstring html;
    for (const HostNode* child : children_) {
        html += child->outerHtml();
    }
    return stringOut(html, p);
}

HRESULT HostElement::get_currentStyle(IHTMLCurrentStyle** p) {
    waitWhileHung();
    return objectOut<IHTMLCurrentStyle>(&style, p);
}

// The box in the document window's client area, which is its viewport:
// the host's pages do not scroll.
HRESULT HostElement::getBoundingClientRect(IHTMLRect** p) {
    waitWhileHung();
    if (!p) {
        return E_POINTER;
    }
    *p = new HostRect(box);
    return S_OK;
}

HRESULT HostElement::get_scrollLeft(LONG* p) {
    waitWhileHung();
    return longOut(0, p);
}
HRESULT HostElement::get_scrollTop(LONG* p) {
    waitWhileHung();
    return longOut(0, p);
}
HRESULT HostElement::get_clientLeft(LONG* p) {
    waitWhileHung();
    return longOut(0, p);
}
HRESULT HostElement::get_clientTop(LONG* p) {
    waitWhileHung();
    return longOut(0, p);
}

HRESULT HostElement::get_nodeType(LONG* p) {
    waitWhileHung();
    return longOut(1, p);
}

HRESULT HostElement::get_nodeValue(VARIANT* p) {
    waitWhileHung();
    if (!p) {
        return E_POINTER;
    }
    VariantInit(p);
    p->vt = VT_NULL;
    return S_OK;
}

HRESULT HostElement::get_nodeName(BSTR* p) {
    waitWhileHung();
    return stringOut(tag_, p);
}

HRESULT HostElement::hasChildNodes(VARIANT_BOOL* p) {
    waitWhileHung();
    if (!p) {
        return E_POINTER;
    }
    *p = children_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

HRESULT HostElement::get_firstChild(IHTMLDOMNode** p) {
    waitWhileHung();
    return objectOut(children_.empty() ? nullptr : children_.front()->domNode(), p);
}

HRESULT HostElement::get_nextSibling(IHTMLDOMNode** p) {
    waitWhileHung();
    return objectOut(next ? next->domNode() : nullptr, p);
}

HRESULT HostElement::get_parentNode(IHTMLDOMNode** p) {
    waitWhileHung();
    return objectOut(parent ? parent->domNode() : nullptr, p);
}

HRESULT HostElement::get_contentWindow(IHTMLWindow2** p) {
    waitWhileHung();
    return objectOut<IHTMLWindow2>(content, p);
}

// ---- HostDocument

HRESULT HostDocument::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidHtmlDocument ||
        iid == __uuidof(IHTMLDocument2)) {
        return give(static_cast<IHTMLDocument2*>(this), out);
    }
    if (iid == __uuidof(IHTMLDocument3)) {
        return give(static_cast<IHTMLDocument3*>(this), out);
    }
    return E_NOINTERFACE;
}

HRESULT HostDocument::get_Script(IDispatch** p) {
    waitWhileHung();
    return objectOut<IDispatch>(static_cast<IHTMLWindow2*>(window), p);
}

HRESULT HostDocument::get_URL(BSTR* p) {
    waitWhileHung();
    return stringOut(url_, p);
}
HRESULT HostDocument::get_title(BSTR* p) {
    waitWhileHung();
    return stringOut(title_, p);
}

HRESULT HostDocument::elementFromPoint(LONG x, LONG y, IHTMLElement** p) {
    waitWhileHung();
    HostElement* found = root ? root->hit(POINT{x, y}) : nullptr;
    return objectOut<IHTMLElement>(found, p);
}

HRESULT HostDocument::get_parentWindow(IHTMLWindow2** p) {
    waitWhileHung();
    return objectOut<IHTMLWindow2>(window, p);
}

HRESULT HostDocument::get_documentElement(IHTMLElement** p) {
    waitWhileHung();
    return objectOut<IHTMLElement>(root, p);
}

HRESULT HostDocument::getElementsByTagName(BSTR name, IHTMLElementCollection** p) {
    waitWhileHung();
    if (!p) {
        return E_POINTER;
    }
    std::wstring tag(name ? name : L"", name ? SysStringLen(name) : 0);
    std::transform(tag.begin(), tag.end(), tag.begin(), [](wchar_t c) {
        return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    });
    std::vector<HostElement*> items;
    if (root) {
        root->collect(tag, items);
    }
    *p = new HostCollection(std::move(items));
    return S_OK;
}

// ---- HostWindow

HRESULT HostWindow::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IHTMLWindow2) ||
        iid == __uuidof(IHTMLFramesCollection2)) {
        return give(static_cast<IHTMLWindow2*>(this), out);
    }
    return E_NOINTERFACE;
}

// The top window is its own parent.
HRESULT HostWindow::get_parent(IHTMLWindow2** p) {
    waitWhileHung();
    return objectOut<IHTMLWindow2>(parentWindow ? parentWindow : this, p);
}

HRESULT HostWindow::get_top(IHTMLWindow2** p) {
    waitWhileHung();
    HostWindow* top = this;
    while (top->parentWindow) {
        top = top->parentWindow;
    }
    return objectOut<IHTMLWindow2>(top, p);
}

HRESULT HostWindow::get_self(IHTMLWindow2** p) {
    waitWhileHung();
    return objectOut<IHTMLWindow2>(this, p);
}

HRESULT HostWindow::get_document(IHTMLDocument2** p) {
    waitWhileHung();
    return objectOut<IHTMLDocument2>(document, p);
}

// ---- HostCollection

HRESULT HostCollection::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IHTMLElementCollection)) {
        return give(static_cast<IHTMLElementCollection*>(this), out);
    }
    return E_NOINTERFACE;
}

ULONG HostCollection::Release() {
    ULONG left = refs_.release();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT HostCollection::get_length(LONG* p) {
    waitWhileHung();
    return longOut(static_cast<LONG>(items_.size()), p);
}

HRESULT HostCollection::item(VARIANT name, VARIANT index, IDispatch** p) {
    waitWhileHung();
    if (!p) {
        return E_POINTER;
    }
    *p = nullptr;
    VARIANT which = name.vt == VT_I4 ? name : index;
    if (which.vt != VT_I4 || which.lVal < 0 || static_cast<size_t>(which.lVal) >= items_.size()) {
        return E_INVALIDARG;
    }
    return objectOut<IDispatch>(static_cast<IHTMLElement*>(items_[which.lVal]), p);
}

// ---- HostRect

HRESULT HostRect::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IHTMLRect)) {
        return give(static_cast<IHTMLRect*>(this), out);
    }
    return E_NOINTERFACE;
}

ULONG HostRect::Release() {
    ULONG left = refs_.release();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT HostRect::get_left(LONG* p) {
    return longOut(box_.left, p);
}
HRESULT HostRect::get_top(LONG* p) {
    return longOut(box_.top, p);
}
HRESULT HostRect::get_right(LONG* p) {
    return longOut(box_.right, p);
}
HRESULT HostRect::get_bottom(LONG* p) {
    return longOut(box_.bottom, p);
}

}  // namespace tnk::page_host
