// The drag gesture: press on the hand icon, move over a page, release.
#include "ui/windows/main_window.h"

#include <commctrl.h>
#include <objbase.h>

#include <utility>

#include "platform/win_string.h"
#include "resources/resource.h"

namespace tnk {
namespace {

constexpr UINT_PTR kCaptureTimer = 300;
constexpr UINT kCaptureTimerPeriod = 600;
// A filtered walk over a large page may take this long on a slow machine.
constexpr ULONGLONG kLongestRelease = 60000;

HCURSOR waitCursor() {
    return LoadCursorW(nullptr, IDC_WAIT);
}

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
    // A new drag asks the page afresh, and takes over from work under way.
    client_->begin();
    pendingCommand_ = Command::none;
    SetCapture(hwnd());
    dragging_ = true;
    const HCURSOR replaced = SetCursor(dragCursor_);
    // A release still waiting for its filtered text shows the wait cursor
    // where the drag cursor would be.
    savedCursor_ = releasePending_ && replaced == waitCursor() ? dragCursor_ : replaced;
    releasePending_ = false;
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
    client_->point({screen.x, screen.y}, anyWindowChecked());
}

void MainWindow::onLButtonUp() {
    if (GetCapture() != hwnd()) {
        client_->clearFrameOffsets();
        return;
    }
    // The worker empties the frame offsets, filters the text and records the
    // page's address and title. The mouse is the user's again at once; a
    // hidden window shows when that is done, as it did after the filtered
    // text before, or as soon as the page is found hung.
    const bool filter = isChecked(hwnd(), IDC_FILTER);
    client_->release(filter, isChecked(hwnd(), IDC_TIDYTEXT));
    // The release is not a lost capture: WM_CAPTURECHANGED must not end it twice.
    dragging_ = false;
    ReleaseCapture();
    releasedAt_ = GetTickCount64();
    showWhenReleased_ = hiddenForDrag_;
    if (filter || capture.cut) {
        // The filtered walk, or the whole text of a large element, may take
        // a while: the wait cursor says so until the text is in.
        releasePending_ = true;
        SetCursor(waitCursor());
    }
}

void MainWindow::startCapture() {
    const HWND window = hwnd();
    CaptureClient::Setup setup;
    setup.makeWindows = makeWindows_;
    // GetParent also names the owner of a pop-up, so a box this window owns
    // counts as its own too.
    setup.isHostWindow = [window](WindowHandle w) {
        const HWND other = reinterpret_cast<HWND>(w);
        return other == window || GetParent(other) == window;
    };
    setup.threadStart = [] { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); };
    setup.threadEnd = [] { CoUninitialize(); };
    setup.notify = [window] { PostMessageW(window, kCaptureUpdates, 0, 0); };
    client_ = std::make_unique<CaptureClient>(std::move(setup));
}

void MainWindow::onCaptureUpdates() {
    if (client_) {
        client_->pump([this](const CaptureUpdate& update) { applyCaptureUpdate(update); });
    }
}

void MainWindow::applyCaptureUpdate(const CaptureUpdate& update) {
    if (update.shown) {
        capture.text = update.text;
        capture.html = update.html;
        capture.cut = update.cut;
        showCurrentTab();
    }
    if (update.filtered) {
        capture.text = update.text;
        if (TabCtrl_GetCurSel(item(IDC_TABS)) == 0) {
            SetWindowTextW(output(), toWide(capture.text).c_str());
        }
    }
    if (update.enlarge) {
        EnableWindow(item(IDC_ENLARGE), *update.enlarge);
    }
    if (update.shrink) {
        EnableWindow(item(IDC_SHRINK), *update.shrink);
    }
    if (update.sourced) {
        capture.sourceUrl = update.sourceUrl;
        capture.sourceTitle = update.sourceTitle;
    }
    if (update.sourced || update.workerLost) {
        endRelease();
    }
    followCapture(update);
    // A lost worker's text is not coming: the command keeps what is shown.
    if ((update.completed || update.workerLost) && pendingCommand_ != Command::none) {
        const Command command = std::exchange(pendingCommand_, Command::none);
        endWaitCursor();
        runCommand(command);
    }
}

void MainWindow::endWaitCursor() {
    if (releasePending_ || pendingCommand_ != Command::none || GetCursor() != waitCursor()) {
        return;
    }
    POINT at{};
    GetCursorPos(&at);
    const HWND under = WindowFromPoint(at);
    if (under == hwnd() || IsChild(hwnd(), under)) {
        const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
        SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                     MAKELPARAM(hit, WM_MOUSEMOVE));
    }
}

void MainWindow::endRelease() {
    if (releasePending_) {
        releasePending_ = false;
        // The drag cursor again, as after the walk ran on this thread, unless
        // the user has moved on to a window with a cursor of its own.
        if (GetCursor() == waitCursor()) {
            SetCursor(dragCursor_);
        }
    }
    if (showWhenReleased_) {
        showWhenReleased_ = false;
        showAfterDrag();
    }
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
    if (id != kCaptureTimer || GetCapture() == hwnd()) {
        return id == kCaptureTimer;
    }
    // A release whose results never came must not leave the window hidden,
    // or the wait cursor up, for good.
    if (GetTickCount64() - releasedAt_ >= kLongestRelease) {
        endRelease();
    }
    // The drag cursor goes back once the release is done: the timer's tick
    // came after the filtered walk when that ran on this thread.
    if (!releasePending_) {
        restoreCursor();
    }
    if (!releasePending_ && !showWhenReleased_) {
        KillTimer(hwnd(), kCaptureTimer);
    }
    return true;
}

bool MainWindow::onSetCursor() {
    if ((!releasePending_ && pendingCommand_ == Command::none) || GetCapture() == hwnd()) {
        return false;
    }
    SetCursor(waitCursor());
    SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, TRUE);
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
    client_->clearFrameOffsets();
    KillTimer(hwnd(), kCaptureTimer);
    restoreCursor();
    showAfterDrag();
}

}  // namespace tnk
