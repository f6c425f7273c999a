// page_host.exe PAGE|--file PATH [--hang] [--hang-file PATH]
//
// Shows one test page (built in, or recorded with --file) in a window of class "Internet
// Explorer_Server" and serves it to other processes through "WM_HTML_GETOBJECT", like a browser's
// document window. With --hang the window stops answering messages once it is shown; with
// --hang-file every call into the page waits while the file exists. The geometry is fixed
// (README.md); one line on stdout reports the window handles when the page is ready.
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "host_objects.h"
#include "pages.h"

using namespace tnk::page_host;

namespace {

constexpr int kFrameX = 100;
constexpr int kFrameY = 100;
constexpr int kBandHeight = 30;  // a strip of the frame window above the page
constexpr RECT kPaneBox = {300, 250, 390, 290};
// A hung host still ends by itself one day, should its starter forget it.
constexpr DWORD kHangLimitMs = 10 * 60 * 1000;
// The largest page window that fits a 1280x1024 screen at (100, 130).
constexpr LONG kMaxPageWidth = 1280 - kFrameX;
constexpr LONG kMaxPageHeight = 1024 - kFrameY - kBandHeight;

HostDocument* g_page = nullptr;
UINT g_getObject = 0;
bool g_hang = false;

void paintElement(HDC dc, HostElement* e, POINT origin) {
    if (e->style.display == L"none") {
        return;
    }
    RECT r = e->box;
    OffsetRect(&r, origin.x, origin.y);
    if (e->isFrame() || e->tag() == L"TD" || e->tag() == L"DIV" || e->tag() == L"P") {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    }
    if (e->isFrame() && e->content && e->content->document && e->content->document->root) {
        paintElement(dc, e->content->document->root, POINT{r.left, r.top});
        return;
    }
    std::wstring own;
    for (HostNode* child : e->children()) {
        if (auto* inner = dynamic_cast<HostElement*>(child)) {
            paintElement(dc, inner, origin);
        } else {
            own += child->innerText();
        }
    }
    if (!own.empty()) {
        InflateRect(&r, -2, -2);
        DrawTextW(dc, own.c_str(), static_cast<int>(own.size()), &r,
                  DT_LEFT | DT_TOP | DT_NOPREFIX);
    }
}

LRESULT CALLBACK serverProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == g_getObject && g_getObject != 0) {
        if (g_hang) {
            // Should the request arrive while the window is still being set
            // up, it is not answered either.
            Sleep(kHangLimitMs);
            return 0;
        }
        return LresultFromObject(kIidHtmlDocument, wp, static_cast<IHTMLDocument2*>(g_page));
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        SetBkMode(dc, TRANSPARENT);
        paintElement(dc, g_page->root, POINT{0, 0});
        EndPaint(wnd, &ps);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring pageName;
    std::wstring recording;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--hang") {
            g_hang = true;
        } else if (arg == L"--hang-file" && i + 1 < argc) {
            setHangFile(argv[++i]);
        } else if (arg == L"--file" && i + 1 < argc) {
            recording = argv[++i];
        } else if (pageName.empty() && arg.rfind(L"--", 0) != 0) {
            pageName = arg;
        }
    }
    if (pageName.empty() == recording.empty()) {
        std::fprintf(stderr,
                     "usage: page_host simple|filtered|frames|iframe|table|mixed|demo|--file PATH "
                     "[--hang] [--hang-file PATH]\n");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) {
        return 1;
    }
    SIZE size = {kPageWidth, kPageHeight};
    if (recording.empty()) {
        g_page = buildPage(pageName);
    } else {
        std::string error;
        g_page = loadRecordedPage(recording, size, error);
        if (!g_page) {
            std::fprintf(stderr, "page_host: %s\n", error.c_str());
            return 2;
        }
        size = {std::min(size.cx, kMaxPageWidth), std::min(size.cy, kMaxPageHeight)};
    }
    if (!g_page) {
        std::fprintf(stderr, "page_host: unknown page\n");
        return 2;
    }
    g_getObject = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
    if (!registerClass(L"TarnwickPageHost", frameProc, LTGRAY_BRUSH) ||
        !registerClass(L"Internet Explorer_Server", serverProc, WHITE_BRUSH) ||
        !registerClass(L"TarnwickPageHostPane", DefWindowProcW, GRAY_BRUSH)) {
        return 1;
    }
    HINSTANCE inst = GetModuleHandleW(nullptr);
    HWND frame =
        CreateWindowExW(0, L"TarnwickPageHost", L"Tarnwick page host", WS_POPUP, kFrameX, kFrameY,
                        size.cx, kBandHeight + size.cy, nullptr, nullptr, inst, nullptr);
    HWND server =
        CreateWindowExW(0, L"Internet Explorer_Server", L"Page server", WS_CHILD | WS_VISIBLE, 0,
                        kBandHeight, size.cx, size.cy, frame, nullptr, inst, nullptr);
    // A recorded page is a whole page: no pane of another window covers it.
    HWND pane =
        recording.empty()
            ? CreateWindowExW(0, L"TarnwickPageHostPane", L"Pane", WS_CHILD | WS_VISIBLE,
                              kPaneBox.left, kPaneBox.top, kPaneBox.right - kPaneBox.left,
                              kPaneBox.bottom - kPaneBox.top, server, nullptr, inst, nullptr)
            : nullptr;
    if (!frame || !server || (recording.empty() && !pane)) {
        return 1;
    }
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    UpdateWindow(frame);

    std::printf("page_host ready frame=%p server=%p pane=%p page=%d,%d,%d,%d\n",
                static_cast<void*>(frame), static_cast<void*>(server), static_cast<void*>(pane),
                kFrameX, kFrameY + kBandHeight, static_cast<int>(size.cx),
                static_cast<int>(size.cy));
    std::fflush(stdout);

    if (g_hang) {
        // Never read a message again. Answering even one request would hand
        // out the document, and calls into it would then wait for a thread
        // that no longer serves them.
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
