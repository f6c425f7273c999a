#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "html_stubs.h"

// The page served by the host: a small tree of real COM objects. Each node
// is one object for the host's whole life, so the identities the capturing
// process compares stay stable. Boxes are absolute, in the coordinates of
// the document's own window (the server window, or the frame's content).
namespace tnk::page_host {

class HostDocument;
class HostElement;
class HostWindow;

// The reference count shared by the host's objects. Tree objects start with
// one reference held by the tree and are never freed before the process ends.
class RefCount {
  public:
    ULONG add() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG release() { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

  private:
    LONG refs_ = 1;
};

// What elements and text nodes share as children of an element.
class HostNode {
  public:
    virtual ~HostNode() = default;
    virtual IHTMLDOMNode* domNode() = 0;
    virtual std::wstring innerText() const = 0;
    virtual std::wstring outerHtml() const = 0;

    HostElement* parent = nullptr;
    HostNode* next = nullptr;
};

class HostText final : public HostNode, public IHTMLDOMNodeStub {
  public:
    explicit HostText(std::wstring text) : text_(std::move(text)) {}

    IHTMLDOMNode* domNode() override { return this; }
    std::wstring innerText() const override { return text_; }
    std::wstring outerHtml() const override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.release(); }

    HRESULT STDMETHODCALLTYPE get_nodeType(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_nodeValue(VARIANT* p) override;
    HRESULT STDMETHODCALLTYPE get_nodeName(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE hasChildNodes(VARIANT_BOOL* p) override;
    HRESULT STDMETHODCALLTYPE get_firstChild(IHTMLDOMNode** p) override;
    HRESULT STDMETHODCALLTYPE get_nextSibling(IHTMLDOMNode** p) override;
    HRESULT STDMETHODCALLTYPE get_parentNode(IHTMLDOMNode** p) override;

  private:
    RefCount refs_;
    std::wstring text_;
};

// The computed style of one element, as strings the way a browser reports them.
class HostStyle final : public IHTMLCurrentStyleStub, public IHTMLCurrentStyle3Stub {
  public:
    std::wstring display;
    std::wstring fontSize = L"12pt";
    std::wstring color = L"#000000";
    std::wstring backgroundColor = L"transparent";
    std::wstring whiteSpace = L"normal";

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.release(); }

    HRESULT STDMETHODCALLTYPE get_display(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_fontSize(VARIANT* p) override;
    HRESULT STDMETHODCALLTYPE get_color(VARIANT* p) override;
    HRESULT STDMETHODCALLTYPE get_backgroundColor(VARIANT* p) override;
    HRESULT STDMETHODCALLTYPE get_whiteSpace(BSTR* p) override;

  private:
    RefCount refs_;
};

class HostElement final : public HostNode,
                          public IHTMLElementStub,
                          public IHTMLElement2Stub,
                          public IHTMLDOMNodeStub,
                          public IHTMLTextContainerStub,
                          public IHTMLControlElementStub,
                          public IHTMLFrameBase2Stub,
                          public IWebBrowser2Stub {
  public:
    HostElement(HostDocument* document, std::wstring tag, RECT box);

    // Attributes as written in the start tag, e.g. L" id=\"cell\"".
    std::wstring attributes;
    RECT box;
    HostStyle style;
    // FRAME and IFRAME: the window shown inside.
    HostWindow* content = nullptr;
    // A recorded page's innerText, served instead of the one made from the
    // children.
    std::optional<std::wstring> recordedInnerText;

    const std::wstring& tag() const { return tag_; }
    HostDocument* ownerDocument() const { return document_; }
    const std::vector<HostNode*>& children() const { return children_; }
    void append(HostNode* child);
    bool isFrame() const { return tag_ == L"FRAME" || tag_ == L"IFRAME"; }
    // The innermost element whose box holds the point; frames are not entered.
    HostElement* hit(POINT p);
    void collect(const std::wstring& tag, std::vector<HostElement*>& out);

    IHTMLDOMNode* domNode() override { return static_cast<IHTMLDOMNode*>(this); }
    std::wstring innerText() const override;
    std::wstring outerHtml() const override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.release(); }

    // IHTMLElement
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_parentElement(IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE get_document(IDispatch** p) override;
    HRESULT STDMETHODCALLTYPE get_offsetLeft(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_offsetTop(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_offsetWidth(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_offsetHeight(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_offsetParent(IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE get_innerText(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_outerHTML(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_innerHTML(BSTR* p) override;
    // IHTMLElement2 and IHTMLTextContainer (the same scroll position)
    HRESULT STDMETHODCALLTYPE get_currentStyle(IHTMLCurrentStyle** p) override;
    HRESULT STDMETHODCALLTYPE getBoundingClientRect(IHTMLRect** p) override;
    HRESULT STDMETHODCALLTYPE get_scrollLeft(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_scrollTop(LONG* p) override;
    // IHTMLControlElement
    HRESULT STDMETHODCALLTYPE get_clientLeft(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_clientTop(LONG* p) override;
    // IHTMLDOMNode
    HRESULT STDMETHODCALLTYPE get_nodeType(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_nodeValue(VARIANT* p) override;
    HRESULT STDMETHODCALLTYPE get_nodeName(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE hasChildNodes(VARIANT_BOOL* p) override;
    HRESULT STDMETHODCALLTYPE get_firstChild(IHTMLDOMNode** p) override;
    HRESULT STDMETHODCALLTYPE get_nextSibling(IHTMLDOMNode** p) override;
    HRESULT STDMETHODCALLTYPE get_parentNode(IHTMLDOMNode** p) override;
    // IHTMLFrameBase2
    HRESULT STDMETHODCALLTYPE get_contentWindow(IHTMLWindow2** p) override;

  private:
    RefCount refs_;
    HostDocument* document_;
    std::wstring tag_;
    std::vector<HostNode*> children_;
};

class HostDocument final : public IHTMLDocument2Stub, public IHTMLDocument3Stub {
  public:
    HostDocument(std::wstring url, std::wstring title)
        : url_(std::move(url)), title_(std::move(title)) {}

    HostElement* root = nullptr;
    HostWindow* window = nullptr;
    // Children may lie outside their parent's box (real pages): hit-testing
    // then searches below elements that do not hold the point.
    bool overflowing = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.release(); }

    // IHTMLDocument2
    HRESULT STDMETHODCALLTYPE get_Script(IDispatch** p) override;
    HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override;
    HRESULT STDMETHODCALLTYPE elementFromPoint(LONG x, LONG y, IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) override;
    // IHTMLDocument3
    HRESULT STDMETHODCALLTYPE get_documentElement(IHTMLElement** p) override;
    HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR name, IHTMLElementCollection** p) override;

  private:
    RefCount refs_;
    std::wstring url_;
    std::wstring title_;
};

class HostWindow final : public IHTMLWindow2Stub {
  public:
    HostDocument* document = nullptr;
    // The window holding the frame this window is shown in; null at the top.
    HostWindow* parentWindow = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.release(); }

    HRESULT STDMETHODCALLTYPE get_parent(IHTMLWindow2** p) override;
    HRESULT STDMETHODCALLTYPE get_top(IHTMLWindow2** p) override;
    HRESULT STDMETHODCALLTYPE get_self(IHTMLWindow2** p) override;
    HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** p) override;

  private:
    RefCount refs_;
};

// A collection made for one getElementsByTagName call; freed with its last
// reference.
class HostCollection final : public IHTMLElementCollectionStub {
  public:
    explicit HostCollection(std::vector<HostElement*> items) : items_(std::move(items)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_length(LONG* p) override;
    HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT index, IDispatch** p) override;

  private:
    RefCount refs_;
    std::vector<HostElement*> items_;
};

// The box of one getBoundingClientRect call; freed with its last reference.
class HostRect final : public IHTMLRectStub {
  public:
    explicit HostRect(RECT box) : box_(box) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_left(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_top(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_right(LONG* p) override;
    HRESULT STDMETHODCALLTYPE get_bottom(LONG* p) override;

  private:
    RefCount refs_;
    RECT box_;
};

// IHTMLDocument, the interface handed out for "WM_HTML_GETOBJECT".
extern const GUID kIidHtmlDocument;

// From now on every served call waits while this file exists.
void setHangFile(std::wstring path);

}  // namespace tnk::page_host
