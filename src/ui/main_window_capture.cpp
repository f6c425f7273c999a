// The drag gesture: press on the hand icon, move over a page, release.
#include "ui/main_window.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "ui/win_string.h"

namespace tnk {
namespace {

constexpr UINT_PTR kCaptureTimer = 300;
constexpr UINT kCaptureTimerPeriod = 600;

bool isChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

}  // namespace

void MainWindow::onLButtonDown(POINT client) {
    RECT hot{};
    GetWindowRect(item(IDC_HAND_ICON), &hot);
    POINT screen = client;
    ClientToScreen(hwnd(), &screen);
    if (!PtInRect(&hot, screen)) {
        return;
    }
    if (isChecked(hwnd(), IDC_HIDE)) {
        hideForDrag();
    }
    SetCapture(hwnd());
    dragging_ = true;
    savedCursor_ = SetCursor(dragCursor_);
    SetTimer(hwnd(), kCaptureTimer, kCaptureTimerPeriod, nullptr);
}

void MainWindow::onMouseMove(POINT client) {
    if (GetCapture() != hwnd()) {
        return;
    }
    POINT screen = client;
    ClientToScreen(hwnd(), &screen);
    if (lastPoint_ && lastPoint_->x == screen.x && lastPoint_->y == screen.y) {
        return;
    }
    lastPoint_ = screen;
    engine_.captureAtPoint({screen.x, screen.y});
}

void MainWindow::onLButtonUp() {
    engine_.clearFrameOffsets();
    if (GetCapture() != hwnd()) {
        return;
    }
    if (capture.baseElement && isChecked(hwnd(), IDC_FILTER)) {
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        capture.text.clear();
        engine_.filteredText(*capture.baseElement, capture.text);
        if (TabCtrl_GetCurSel(item(IDC_TABS)) == 0) {
            SetWindowTextW(output(), toWide(capture.text).c_str());
        }
        SetCursor(previous);
    }
    engine_.recordSource();
    // The release is not a lost capture: WM_CAPTURECHANGED must not end it twice.
    dragging_ = false;
    ReleaseCapture();
    showAfterDrag();
}

void MainWindow::hideForDrag() {
    // Hidden without ShowWindow: hiding the active window outright hands the
    // activation, and with it the mouse, to another window in the middle of
    // the drag. An empty region takes it off the screen; turning redrawing
    // off clears its visible state, so that it counts as hidden everywhere.
    SetWindowRgn(hwnd(), CreateRectRgn(0, 0, 0, 0), TRUE);
    SendMessageW(hwnd(), WM_SETREDRAW, FALSE, 0);
    hiddenForDrag_ = true;
}

void MainWindow::showAfterDrag() {
    if (hiddenForDrag_) {
        SendMessageW(hwnd(), WM_SETREDRAW, TRUE, 0);
        SetWindowRgn(hwnd(), nullptr, TRUE);
        RedrawWindow(hwnd(), nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
        hiddenForDrag_ = false;
    }
}

bool MainWindow::onTimer(UINT_PTR id) {
    if (id != kCaptureTimer) {
        return false;
    }
    if (GetCapture() != hwnd()) {
        KillTimer(hwnd(), kCaptureTimer);
        restoreCursor();
    }
    return true;
}

void MainWindow::restoreCursor() {
    if (savedCursor_) {
        SetCursor(savedCursor_);
        savedCursor_ = nullptr;
    }
}

void MainWindow::onCaptureChanged(HWND newOwner) {
    // Another window took the mouse in the middle of a drag (no release will
    // come): give the user the window and the cursor back.
    if (!dragging_ || newOwner == hwnd()) {
        return;
    }
    dragging_ = false;
    engine_.clearFrameOffsets();
    KillTimer(hwnd(), kCaptureTimer);
    restoreCursor();
    showAfterDrag();
}

}  // namespace tnk
