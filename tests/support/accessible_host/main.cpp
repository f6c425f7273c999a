// accessible_host.exe PAGE|--file PATH [--msaa-only] [--hang] [--hang-file PATH]
//                     [--count-file PATH]
// accessible_host.exe --register
//
// Shows a window that serves a tree of accessible objects to other
// processes, the way a browser's page window does: WM_GETOBJECT with
// OBJID_CLIENT hands out the tree's top object. The tree is a built-in page
// or a recorded one (--file). The geometry is fixed (README.md); one line
// on stdout reports the window handles when the page is ready. --register
// builds and registers the type library that lets COM marshal the
// IAccessible2 interfaces where no proxy is registered.
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "pages.h"
#include "type_library.h"

using namespace tnk::accessible_host;

namespace {

constexpr int kFrameX = 100;
constexpr int kFrameY = 100;
constexpr int kBandHeight = 30;  // a strip of the frame window above the page
// A hung host still ends by itself one day, should its starter forget it.
constexpr DWORD kHangLimitMs = 10 * 60 * 1000;
// How long the "late" page's document stays empty after the first request.
constexpr UINT kLateDelayMs = 1500;
constexpr UINT_PTR kRevealTimer = 1;

// The largest page window that fits a 1280x1024 screen at (100, 130); the
// rest of a larger recorded viewport lies off the window.
constexpr LONG kMaxPageWidth = 1280 - kFrameX;
constexpr LONG kMaxPageHeight = 1024 - kFrameY - kBandHeight;

HostSettings g_settings;
std::unique_ptr<AccessiblePage> g_page;
bool g_hang = false;
bool g_asked = false;
std::wstring g_countFile;
// Asks the host to write its call counts to the count file; the answer is
// nonzero once they are written.
UINT g_writeCounts = 0;

// "total N" and then one "KIND N" line per kind of call answered so far,
// written beside the file and renamed over it, so a reader never sees half.
bool writeCounts() {
    std::string text = "total " + std::to_string(callCounts().total) + "\n";
    for (const auto& [kind, n] : callCounts().kinds) {
        text += kind + " " + std::to_string(n) + "\n";
    }
    const std::wstring temporary = g_countFile + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(file);
    return ok && MoveFileExW(temporary.c_str(), g_countFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void paintNode(HDC dc, const AccessibleNode* node) {
    if (!node->visible()) {
        return;
    }
    RECT r = node->box;
    if (node->msaaRole == ROLE_SYSTEM_GROUPING || node->msaaRole == ROLE_SYSTEM_CELL ||
        node->msaaRole == ROLE_SYSTEM_TEXT || node->msaaRole == ROLE_SYSTEM_LIST) {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    }
    const std::wstring text = (node->hasText || node->simple) ? node->text() : L"";
    if (!text.empty() && node->look.fontPoints > 0) {
        InflateRect(&r, -2, -2);
        SetTextColor(dc, node->look.color);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_LEFT | DT_TOP | DT_NOPREFIX);
    }
    for (const AccessibleNode* child : node->children()) {
        paintNode(dc, child);
    }
}

LRESULT onGetObject(HWND wnd, WPARAM wp, LPARAM lp) {
    // Windows sign-extends the object id into lParam.
    if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT)) {
        return DefWindowProcW(wnd, WM_GETOBJECT, wp, lp);
    }
    if (g_hang) {
        // Should the request arrive while the window is still being set up,
        // it is not answered either.
        Sleep(kHangLimitMs);
        return 0;
    }
    if (!g_asked && !g_page->held.empty()) {
        SetTimer(wnd, kRevealTimer, kLateDelayMs, nullptr);
    }
    g_asked = true;
    return LresultFromObject(__uuidof(IAccessible), wp, static_cast<IAccessible*>(g_page->root));
}

LRESULT onRevealTimer(HWND wnd) {
    KillTimer(wnd, kRevealTimer);
    g_page->reveal();
    InvalidateRect(wnd, nullptr, TRUE);
    NotifyWinEvent(EVENT_OBJECT_REORDER, wnd, OBJID_CLIENT, CHILDID_SELF);
    return 0;
}

LRESULT onPaint(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    SetBkMode(dc, TRANSPARENT);
    paintNode(dc, g_page->root);
    EndPaint(wnd, &ps);
    return 0;
}

LRESULT CALLBACK pageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == g_writeCounts && g_writeCounts != 0) {
        return !g_countFile.empty() && writeCounts() ? 1 : 0;
    }
    switch (msg) {
        case WM_GETOBJECT:
            return onGetObject(wnd, wp, lp);
        case WM_TIMER:
            return wp == kRevealTimer ? onRevealTimer(wnd) : 0;
        case WM_PAINT:
            return onPaint(wnd);
        default:
            return DefWindowProcW(wnd, msg, wp, lp);
    }
}

LRESULT CALLBACK frameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

bool registerClass(const wchar_t* name, WNDPROC proc, int brush) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(brush));
    wc.lpszClassName = name;
    return RegisterClassW(&wc) != 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: accessible_host article|late|--file PATH [--msaa-only] [--hang]\n"
                 "                       [--hang-file PATH] [--count-file PATH]\n"
                 "       accessible_host --register\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring pageName;
    std::wstring recording;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--register") {
            return registerTypeLibrary();
        }
        if (arg == L"--msaa-only") {
            g_settings.msaaOnly = true;
        } else if (arg == L"--hang") {
            g_hang = true;
        } else if (arg == L"--hang-file" && i + 1 < argc) {
            g_settings.hangFile = argv[++i];
        } else if (arg == L"--file" && i + 1 < argc) {
            recording = argv[++i];
        } else if (arg == L"--count-file" && i + 1 < argc) {
            g_countFile = argv[++i];
        } else if (pageName.empty() && arg.rfind(L"--", 0) != 0) {
            pageName = arg;
        } else {
            return usage();
        }
    }
    if (!recording.empty() && pageName.empty()) {
        std::string error;
        g_page = loadRecordedPage(recording, g_settings, error);
        if (!g_page) {
            std::fprintf(stderr, "accessible_host: %s\n", error.c_str());
            return 2;
        }
        g_settings.deepHitTest = true;
    } else if (recording.empty()) {
        g_page = buildPage(pageName, g_settings);
    }
    if (!g_page) {
        return usage();
    }
    const LONG width = std::min(g_page->size.cx, kMaxPageWidth);
    const LONG height = std::min(g_page->size.cy, kMaxPageHeight);
    g_writeCounts = RegisterWindowMessageW(L"TarnwickAccessibleHostCounts");
    if (FAILED(OleInitialize(nullptr))) {
        return 1;
    }
    if (!registerClass(L"TarnwickAccessibleHost", frameProc, LTGRAY_BRUSH) ||
        !registerClass(L"TarnwickAccessiblePage", pageProc, WHITE_BRUSH)) {
        return 1;
    }
    HINSTANCE inst = GetModuleHandleW(nullptr);
    HWND frame = CreateWindowExW(0, L"TarnwickAccessibleHost", L"Tarnwick accessible host",
                                 WS_POPUP, kFrameX, kFrameY, width, kBandHeight + height, nullptr,
                                 nullptr, inst, nullptr);
    HWND page = CreateWindowExW(0, L"TarnwickAccessiblePage", L"Accessible page window",
                                WS_CHILD | WS_VISIBLE, 0, kBandHeight, width, height, frame,
                                nullptr, inst, nullptr);
    if (!frame || !page) {
        return 1;
    }
    g_settings.page = page;
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    UpdateWindow(frame);

    std::printf("accessible_host ready frame=%p page=%p\n", static_cast<void*>(frame),
                static_cast<void*>(page));
    std::fflush(stdout);

    if (g_hang) {
        // Never read a message again: the window never answers a request.
        Sleep(kHangLimitMs);
        return 0;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    OleUninitialize();
    return 0;
}
