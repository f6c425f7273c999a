#include "ui/controls/static_link.h"

#include <commctrl.h>
#include <shellapi.h>

#include "ui/controls/reflect.h"

namespace tnk {
namespace {

constexpr UINT_PTR kStaticLinkSubclass = 0x714C;

// Shared by every link of the process, loaded at most once.
HCURSOR handCursor = nullptr;
bool handCursorTried = false;

HCURSOR loadHandCursor() {
    wchar_t path[MAX_PATH + 16] = {};
    const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatW(path, L"\\winhlp32.exe");
        if (HMODULE help = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            HCURSOR borrowed = LoadCursorW(help, MAKEINTRESOURCEW(106));
            HCURSOR copy = borrowed ? CopyCursor(borrowed) : nullptr;
            FreeLibrary(help);
            if (copy) {
                return copy;
            }
        }
    }
    // The help program is not everywhere; the system has a hand of its own.
    return LoadCursorW(nullptr, IDC_HAND);
}

}  // namespace

INT_PTR LinkTarget::navigate() const {
    if (target.empty()) {
        return 0;
    }
    HINSTANCE result;
    if (target.compare(0, 7, L"mailto:") == 0) {
        result =
            ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    } else {
        result =
            ShellExecuteW(nullptr, L"open", L"iexplore", target.c_str(), nullptr, SW_SHOWMAXIMIZED);
    }
    return reinterpret_cast<INT_PTR>(result);
}

CStaticLink::CStaticLink(std::wstring initialTarget)
    : target{std::move(initialTarget)}, textColor(kLinkColor) {}

CStaticLink::~CStaticLink() {
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, &CStaticLink::subclassProc, kStaticLinkSubclass);
    }
    if (linkFont_) {
        DeleteObject(linkFont_);
    }
}

void CStaticLink::attach(HWND control) {
    hwnd_ = control;
    SetWindowSubclass(hwnd_, &CStaticLink::subclassProc, kStaticLinkSubclass,
                      reinterpret_cast<DWORD_PTR>(this));
}

void CStaticLink::follow() {
    if (target.target.empty()) {
        const HINSTANCE module =
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
        wchar_t text[1024] = {};
        if (LoadStringW(module, GetDlgCtrlID(hwnd_), text, 1024) > 0 ||
            GetWindowTextW(hwnd_, text, 1024) > 0) {
            target.target = text;
        }
        if (target.target.empty()) {
            return;
        }
    }
    if (target.navigate() <= 32) {
        MessageBeep(0);
    }
}

HBRUSH CStaticLink::onCtlColor(HDC dc) {
    // Icons, frames and the like keep their own colours.
    if ((GetWindowLongPtrW(hwnd_, GWL_STYLE) & 0xFF) > SS_RIGHT) {
        return nullptr;
    }
    if (!linkFont_) {
        LOGFONTW font{};
        HFONT current = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
        if (!current) {
            current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        }
        GetObjectW(current, sizeof font, &font);
        font.lfUnderline = underline;
        linkFont_ = CreateFontIndirectW(&font);
        // Some static controls select their own font after asking for the
        // colours; giving them the link font makes the underline stick.
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
        RECT area{};
        GetWindowRect(hwnd_, &area);
        MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&area), 2);
        InvalidateRect(GetParent(hwnd_), &area, TRUE);
    }
    SelectObject(dc, linkFont_);
    SetTextColor(dc, textColor);
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool CStaticLink::onSetCursor() {
    if (!handCursor && !handCursorTried) {
        handCursor = loadHandCursor();
        handCursorTried = true;
    }
    if (!handCursor) {
        return false;
    }
    SetCursor(handCursor);
    return true;
}

LRESULT CALLBACK CStaticLink::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) {
    auto* link = reinterpret_cast<CStaticLink*>(self);
    switch (message) {
        case WM_NCHITTEST:
            return HTCLIENT;
        case kReflectCtlColorStatic:
            return reinterpret_cast<LRESULT>(link->onCtlColor(reinterpret_cast<HDC>(wParam)));
        case WM_LBUTTONDOWN:
            link->follow();
            return 0;
        case WM_SETCURSOR:
            if (link->onSetCursor()) {
                return TRUE;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &CStaticLink::subclassProc, kStaticLinkSubclass);
            link->hwnd_ = nullptr;
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace tnk
