#include "ui/controls/outline_window.h"

namespace tnk {

namespace {

constexpr wchar_t kClassName[] = L"TarnwickOutline";

bool registerClass(WNDPROC windowProc) {
    static const bool registered = [windowProc] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        // Painted whole after every resize: a layered window leaves what
        // was not painted black.
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

OutlineWindow::~OutlineWindow() {
    if (hwnd_ && IsWindow(hwnd_)) {
        DestroyWindow(hwnd_);
    }
}

bool OutlineWindow::create(HWND owner) {
    if (!registerClass(&OutlineWindow::windowProc)) {
        return false;
    }
    hwnd_ = CreateWindowExW(
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST,
        kClassName, L"", WS_POPUP, 0, 0, 0, 0, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) {
        return false;
    }
    SetLayeredWindowAttributes(hwnd_, 0, 255, LWA_ALPHA);
    return true;
}

void OutlineWindow::show(const RECT& box) {
    if (!hwnd_ || (visible_ && EqualRect(&shown_, &box))) {
        return;
    }
    const int width = box.right - box.left + 2 * kWidth;
    const int height = box.bottom - box.top + 2 * kWidth;
    const bool resized = !visible_ || width != shown_.right - shown_.left + 2 * kWidth ||
                         height != shown_.bottom - shown_.top + 2 * kWidth;
    if (resized) {
        // The frame alone: the box inside it is no part of the window.
        HRGN frame = CreateRectRgn(0, 0, width, height);
        HRGN inside = CreateRectRgn(kWidth, kWidth, width - kWidth, height - kWidth);
        CombineRgn(frame, frame, inside, RGN_DIFF);
        DeleteObject(inside);
        SetWindowRgn(hwnd_, frame, FALSE);
    }
    SetWindowPos(hwnd_, HWND_TOPMOST, box.left - kWidth, box.top - kWidth, width, height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW | (resized ? 0 : SWP_NOSIZE));
    if (resized) {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    shown_ = box;
    visible_ = true;
}

void OutlineWindow::hide() {
    if (hwnd_ && visible_) {
        ShowWindow(hwnd_, SW_HIDE);
        visible_ = false;
    }
}

LRESULT CALLBACK OutlineWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            HBRUSH brush = CreateSolidBrush(kColor);
            FillRect(dc, &paint.rcPaint, brush);
            DeleteObject(brush);
            EndPaint(hwnd, &paint);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace tnk
