#include <windows.h>

#include <oleacc.h>

#include <string>

#include "capture/accessible/accessible_document.h"
#include "capture/msaa/msaa_page.h"

namespace tnk::msaa {

namespace {

using com::ComPtr;

ComPtr<IAccessible> clientObjectOf(HWND window, UINT timeoutMs, bool* answered = nullptr) {
    // Windows passes the object id sign-extended; servers compare it either
    // way.
    const LPARAM client = static_cast<LPARAM>(static_cast<LONG>(OBJID_CLIENT));
    DWORD_PTR result = 0;
    const bool took =
        SendMessageTimeoutW(window, WM_GETOBJECT, 0, client, SMTO_ABORTIFHUNG, timeoutMs, &result);
    if (answered) {
        *answered = took;
    }
    if (!took || result == 0) {
        return nullptr;
    }
    void* object = nullptr;
    if (FAILED(
            ObjectFromLresult(static_cast<LRESULT>(result), __uuidof(IAccessible), 0, &object)) ||
        !object) {
        return nullptr;
    }
    return ComPtr<IAccessible>::attach(static_cast<IAccessible*>(object));
}

std::u16string textOf(HWND window) {
    wchar_t text[512] = {};
    const int n = GetWindowTextW(window, text, 512);
    return n > 0 ? std::u16string(reinterpret_cast<const char16_t*>(text),
                                  static_cast<std::size_t>(n))
                 : std::u16string();
}

// The window's own text, or its top-level window's (a browser's page
// window often has no caption of its own).
std::u16string titleOf(HWND window) {
    std::u16string title = textOf(window);
    if (title.empty()) {
        title = textOf(GetAncestor(window, GA_ROOT));
    }
    return title;
}

}  // namespace

dom::DocumentPtr documentOfWindow(HWND window, UINT timeoutMs, bool* answered) {
    if (answered) {
        *answered = true;
    }
    if (!window) {
        return nullptr;
    }
    acc::ObjectPtr client = wrapObject(clientObjectOf(window, timeoutMs, answered));
    if (!client) {
        return nullptr;
    }
    acc::PageSource source;
    source.client = std::move(client);
    source.clientToScreen = [window](dom::Point p) {
        POINT screen{p.x, p.y};
        ClientToScreen(window, &screen);
        return dom::Point{screen.x, screen.y};
    };
    source.screenToClient = [window](dom::Point p) {
        POINT client{p.x, p.y};
        ScreenToClient(window, &client);
        return dom::Point{client.x, client.y};
    };
    source.windowText = titleOf(window);
    source.reacquire = [window, timeoutMs] {
        return wrapObject(clientObjectOf(window, timeoutMs));
    };
    return acc::makeDocument(std::move(source));
}

}  // namespace tnk::msaa
