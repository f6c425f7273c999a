#include <windows.h>

#include <mshtml.h>
#include <oleacc.h>

#include "capture/com/com_ptr.h"
#include "capture/mshtml/mshtml_dom.h"

namespace tnk::mshtml {

namespace {

// IHTMLDocument, the interface the browser hands out for "WM_HTML_GETOBJECT".
constexpr GUID kIidHtmlDocument = {
    0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};

using ObjectFromLresultFn = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);

// Keeps OLEACC.DLL loaded for one acquisition and frees it on every way out.
class Library {
  public:
    explicit Library(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    HMODULE get() const { return module_; }

  private:
    HMODULE module_;
};

}  // namespace

dom::DocumentPtr documentOfWindow(HWND window, UINT timeoutMs, bool* answered) {
    if (answered) {
        *answered = true;
    }
    if (!window) {
        return nullptr;
    }
    Library oleacc(L"OLEACC.DLL");
    if (!oleacc.get()) {
        return nullptr;
    }
    const UINT message = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
    if (!message) {
        return nullptr;
    }
    // SMTO_ABORTIFHUNG with a time-out: a browser that is hung or slow costs
    // at most the time-out, never a frozen caller.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result)) {
        if (answered) {
            *answered = false;
        }
        return nullptr;
    }
    auto objectFromLresult = reinterpret_cast<ObjectFromLresultFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(oleacc.get(), "ObjectFromLresult")));
    if (!objectFromLresult) {
        return nullptr;
    }
    void* object = nullptr;
    if (FAILED(objectFromLresult(static_cast<LRESULT>(result), kIidHtmlDocument, 0, &object)) ||
        !object) {
        return nullptr;
    }
    auto document = com::ComPtr<IUnknown>::attach(static_cast<IUnknown*>(object));
    com::ComPtr<IHTMLDocument2> document2 = document.query<IHTMLDocument2>();
    document.reset();
    return wrapDocument(document2.get());
}

}  // namespace tnk::mshtml
