#include "capture/win32/win32_window_system.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "capture/msaa/msaa_page.h"
#include "capture/mshtml/mshtml_dom.h"
#include "platform/win_string.h"

namespace tnk {

namespace {

// Lengths come from other programs; a window claiming some billion characters
// must not make the buffer allocation fail. Longer texts are cut here.
constexpr int kMaxTextChars = 1 << 24;

HWND hwnd(WindowHandle w) {
    return reinterpret_cast<HWND>(w);
}
WindowHandle handle(HWND w) {
    return reinterpret_cast<WindowHandle>(w);
}

}  // namespace

WindowHandle Win32WindowSystem::windowFromPoint(dom::Point screen) {
    return handle(WindowFromPoint(POINT{screen.x, screen.y}));
}

std::u16string Win32WindowSystem::className(WindowHandle window) {
    wchar_t name[256] = {};
    int n = GetClassNameW(hwnd(window), name, 255);
    return n > 0 ? fromWide(std::wstring_view(name, static_cast<std::size_t>(n)))
                 : std::u16string();
}

WindowHandle Win32WindowSystem::parent(WindowHandle window) {
    return handle(GetParent(hwnd(window)));
}

dom::Point Win32WindowSystem::screenToClient(WindowHandle window, dom::Point screen) {
    POINT p{screen.x, screen.y};
    ScreenToClient(hwnd(window), &p);
    return {p.x, p.y};
}

int Win32WindowSystem::windowTextLength(WindowHandle window) {
    return GetWindowTextLengthW(hwnd(window));
}

std::u16string Win32WindowSystem::windowText(WindowHandle window, int bufferChars) {
    if (bufferChars <= 0) {
        return {};
    }
    bufferChars = std::min(bufferChars, kMaxTextChars);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(bufferChars), L'\0');
    int n = GetWindowTextW(hwnd(window), buffer.data(), bufferChars);
    if (n <= 0) {
        return {};
    }
    return fromWide(std::wstring_view(buffer.data(), static_cast<std::size_t>(n)));
}

std::optional<int> Win32WindowSystem::messageTextLength(WindowHandle window) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd(window), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<int>(result);
}

std::u16string Win32WindowSystem::messageText(WindowHandle window, int bufferChars) {
    if (bufferChars <= 0) {
        return {};
    }
    bufferChars = std::min(bufferChars, kMaxTextChars);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(bufferChars), L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd(window), WM_GETTEXT, static_cast<WPARAM>(bufferChars),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &copied)) {
        return {};
    }
    // Trust the terminator rather than the count alone: a window may report
    // more than it copied, and the buffer must never be over-read.
    buffer.back() = L'\0';
    std::size_t n = std::wstring_view(buffer.data()).size();
    return fromWide(std::wstring_view(buffer.data(), n));
}

std::uint32_t Win32WindowSystem::processOf(WindowHandle window) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd(window), &process);
    return process;
}

bool Win32WindowSystem::answers(WindowHandle window, unsigned timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(hwnd(window), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               timeoutMs, &ignored) != 0;
}

dom::DocumentPtr Win32WindowSystem::documentOfWindow(WindowHandle window) {
    bool answered = false;
    dom::DocumentPtr document =
        mshtml::documentOfWindow(hwnd(window), kMessageTimeoutMs, &answered);
    unanswered_ = answered ? 0 : window;
    return document;
}

dom::DocumentPtr Win32WindowSystem::accessibleDocumentOfWindow(WindowHandle window) {
    if (window == unanswered_) {
        return nullptr;
    }
    bool answered = false;
    dom::DocumentPtr document = msaa::documentOfWindow(hwnd(window), kMessageTimeoutMs, &answered);
    unanswered_ = answered ? 0 : window;
    return document;
}

bool Win32WindowSystem::leftUnanswered(WindowHandle window) {
    return window != 0 && window == unanswered_;
}

}  // namespace tnk
