#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/capture_client.h"
#include "capture/window_system.h"
#include "ui/controls/dialog.h"
#include "ui/controls/resize_layout.h"
#include "ui/controls/tab_strip.h"

namespace tnk {

// What the window shows of the capture: strings only. The objects of other
// programs stay with the capture worker.
struct CaptureView {
    std::u16string text;
    std::u16string html;
    // Cut to what the view holds while pointing: a command asks for the
    // whole first.
    bool cut = false;
    std::u16string sourceUrl;
    std::u16string sourceTitle;
};

// The window the user works in (template 102): the hand icon to drag from,
// the options, the Text and HTML tabs over the read-only text area, and the
// command buttons. The capture itself runs on a worker thread (CaptureClient);
// the window hands it each step and shows what comes back.
//
// The handlers are split by concern: main_window.cpp (opening, layout,
// colours, options, closing), main_window_capture.cpp (the drag gesture and
// the capture's results) and main_window_commands.cpp (the buttons and the
// tabs).
class MainWindow : public Dialog {
  public:
    using WindowSystemFactory = std::function<std::unique_ptr<WindowSystem>()>;
    explicit MainWindow(WindowSystemFactory makeWindows);
    ~MainWindow() override;

    INT_PTR run();

    void showCurrentTab();
    void applyAutoWrap();

    CaptureView capture;

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    bool onDrawItem(DRAWITEMSTRUCT& item) override;
    HBRUSH onCtlColor(UINT message, HDC dc, HWND control) override;
    bool onClose() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

  private:
    // Posted by the capture's threads when results wait to be shown.
    static constexpr UINT kCaptureUpdates = WM_APP + 1;

    // main_window.cpp
    void setCaptions();
    void readOptions();
    bool anyWindowChecked() const;
    void onOptionClicked(int id);
    bool onSysCommand(WPARAM command);
    bool onPaint();
    void onSize(int width, int height);
    void onGetMinMaxInfo(MINMAXINFO& info);

    // main_window_capture.cpp
    void onLButtonDown(POINT client);
    void onMouseMove(POINT client);
    void onLButtonUp();
    bool onTimer(UINT_PTR id);
    bool onSetCursor();
    void onCaptureChanged(HWND newOwner);
    void restoreCursor();
    void endRelease();
    void hideForDrag();
    void showAfterDrag();
    void startCapture();
    void onCaptureUpdates();
    void applyCaptureUpdate(const CaptureUpdate& update);
    bool isHostOrDirectChild(WindowHandle window) const;
    // The cursor of the window under it again, once nothing is waited for.
    void endWaitCursor();

    // main_window_commands.cpp
    // A command that keeps the capture: it works on the whole text, so it
    // runs once every step handed over so far is done and the shown text is
    // whole.
    enum class Command { none, copy, save, depository };
    const std::u16string& shownString() const;
    void onTabChanged();
    void whenWhole(Command command);
    void runCommand(Command command);
    void onCopy();
    void onSave();
    void onDepository();
    void onHelp();

    HWND output() const;

    HICON icon_;
    HCURSOR dragCursor_;
    HCURSOR savedCursor_ = nullptr;
    std::optional<POINT> lastPoint_;
    HBRUSH backgroundBrush_;
    TabStrip tabStrip_;
    ResizeLayout layout_;
    WindowSystemFactory makeWindows_;
    std::unique_ptr<CaptureClient> client_;
    // A drag is under way: set at mouse down, cleared at the release or when
    // the mouse capture is lost without one.
    bool dragging_ = false;
    // "Hide when capturing text" hid the window for the current drag.
    bool hiddenForDrag_ = false;
    // The drag has ended; the hidden window shows once the release's
    // results are in (or are not coming).
    bool showWhenReleased_ = false;
    // The release asked for the filtered or the whole text, which has not
    // come yet: the wait cursor shows over this window meanwhile.
    bool releasePending_ = false;
    // A command waits for the whole text (with the wait cursor); a new
    // capture step drops it.
    Command pendingCommand_ = Command::none;
    ULONGLONG releasedAt_ = 0;
};

}  // namespace tnk
