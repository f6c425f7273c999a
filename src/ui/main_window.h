#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "capture/capture_engine.h"
#include "capture/capture_host.h"
#include "capture/capture_state.h"
#include "capture/window_system.h"
#include "ui/dialog.h"
#include "ui/resize_layout.h"
#include "ui/tab_strip.h"

namespace tnk {

// The window the user works in (template 102): the hand icon to drag from,
// the options, the Text and HTML tabs over the read-only text area, and the
// command buttons. It owns the capture and hosts the capture engine.
//
// The handlers are split by concern: main_window.cpp (opening, layout,
// colours, options, closing), main_window_capture.cpp (the drag gesture) and
// main_window_commands.cpp (the buttons and the tabs).
class MainWindow : public Dialog, public CaptureHost {
  public:
    explicit MainWindow(WindowSystem& windows);
    ~MainWindow() override;

    INT_PTR run();

    // CaptureHost
    void showCurrentTab() override;
    void enableEnlarge(bool enabled) override;
    void enableShrink(bool enabled) override;
    bool isHostOrDirectChild(WindowHandle window) override;

    void applyAutoWrap();

    CaptureState capture;

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    bool onDrawItem(DRAWITEMSTRUCT& item) override;
    HBRUSH onCtlColor(UINT message, HDC dc, HWND control) override;
    bool onClose() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

  private:
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
    void onCaptureChanged(HWND newOwner);
    void restoreCursor();
    void hideForDrag();
    void showAfterDrag();

    // main_window_commands.cpp
    const std::u16string& shownString() const;
    void onTabChanged();
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
    CaptureEngine engine_;
    // A drag is under way: set at mouse down, cleared at the release or when
    // the mouse capture is lost without one.
    bool dragging_ = false;
    // "Hide when capturing text" hid the window for the current drag.
    bool hiddenForDrag_ = false;
};

}  // namespace tnk
