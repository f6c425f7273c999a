// The outline: a frame on the screen around the captured element, while
// the user drags and for a moment after "+", "-" or the capture key.
#include "resources/resource.h"
#include "ui/windows/main_window.h"

namespace tnk {
namespace {

constexpr UINT_PTR kOutlineTimer = 301;
// Long enough to see what a wider capture covers, short enough not to
// stand in the way.
constexpr UINT kOutlineShowsFor = 2000;

}  // namespace

void MainWindow::applyOutlineOption() {
    const bool on = IsDlgButtonChecked(hwnd(), IDC_OUTLINE) == BST_CHECKED;
    if (on && !outline_.hwnd()) {
        outline_.create(hwnd());
    }
    // Boxes cost calls into the page's program: asked for only when shown.
    if (client_) {
        client_->setBoxes(on && outline_.hwnd());
    }
    if (!on) {
        KillTimer(hwnd(), kOutlineTimer);
        outlineFlashing_ = false;
        outline_.hide();
        shownBox_.reset();
    }
}

void MainWindow::followCapture(const CaptureUpdate& update) {
    // A shown element's box comes in an update of its own, after its text.
    if (update.boxed) {
        shownBox_ = update.box;
    }
    bool flash = false;
    if (stepPending_ && (update.shown || update.enlarge || update.shrink)) {
        // The answer to "+" or "-": what it shows now once its box is in,
        // or what it showed when there was nothing wider.
        stepPending_ = false;
        flashWhenBoxed_ = update.shown;
        flash = !update.shown;
    }
    if (flashWhenBoxed_ && update.boxed) {
        flashWhenBoxed_ = false;
        flash = true;
    }
    // What the key's step copies at once is its whole text: a text cut to
    // the view is made whole first.
    if (keyStepPending_ && update.shown && update.cut) {
        client_->complete();
    } else if (keyStepPending_ && (update.completed || update.shown)) {
        keyStepPending_ = false;
        copyAtOnce();
    }
    if (keyCapturePending_ && update.sourced) {
        keyCapturePending_ = false;
        flash = true;
        copyAtOnce();
    }
    if (update.workerLost) {
        stepPending_ = keyStepPending_ = keyCapturePending_ = flashWhenBoxed_ = false;
    }
    if (flash && !dragging_) {
        flashOutline();
    } else if (update.boxed && (dragging_ || outlineFlashing_)) {
        placeOutline();
    }
}

void MainWindow::placeOutline() {
    const bool on = IsDlgButtonChecked(hwnd(), IDC_OUTLINE) == BST_CHECKED;
    if (on && shownBox_ && !shownBox_->empty()) {
        outline_.show({shownBox_->left, shownBox_->top, shownBox_->right, shownBox_->bottom});
    } else {
        outline_.hide();
    }
}

void MainWindow::flashOutline() {
    placeOutline();
    outlineFlashing_ = outline_.visible();
    if (outlineFlashing_) {
        SetTimer(hwnd(), kOutlineTimer, kOutlineShowsFor, nullptr);
    }
}

bool MainWindow::onOutlineTimer(UINT_PTR id) {
    if (id != kOutlineTimer) {
        return false;
    }
    KillTimer(hwnd(), kOutlineTimer);
    outlineFlashing_ = false;
    if (!dragging_) {
        outline_.hide();
    }
    return true;
}

void MainWindow::onDragStarted() {
    KillTimer(hwnd(), kOutlineTimer);
    outlineFlashing_ = false;
    stepPending_ = keyStepPending_ = keyCapturePending_ = flashWhenBoxed_ = false;
    keyPoint_.reset();
    outline_.hide();
}

void MainWindow::onDragEnded() {
    outline_.hide();
}

}  // namespace tnk
