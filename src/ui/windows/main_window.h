#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/capture_client.h"
#include "capture/window_system.h"
#include "config/hot_key.h"
#include "ui/controls/dialog.h"
#include "ui/controls/outline_window.h"
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
// the capture's results), main_window_commands.cpp (the buttons and the
// tabs), main_window_outline.cpp (the frame around the captured element)
// and main_window_keys.cpp (the capture key, and the keys for "+" and "-").
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

    // main_window_outline.cpp
    // Follows the "Outline the capture" option.
    void applyOutlineOption();
    // The outline follows what each update shows, while a drag is under way
    // or for a while after a step or a key capture.
    void followCapture(const CaptureUpdate& update);
    void onDragStarted();
    void onDragEnded();
    // Shows the outline of the shown element for a while.
    void flashOutline();
    void placeOutline();
    bool onOutlineTimer(UINT_PTR id);

    // main_window_keys.cpp
    void startKeys();
    void stopKeys();
    // Makes `key` (or none) the capture key; false when another program
    // holds it, keeping the old one.
    bool takeCaptureKey(const std::optional<HotKey>& key);
    void onCaptureKey();
    void onCaptureKeyDialog();
    // "+" and "-" from the keyboard, when Tarnwick is active; true when the
    // key was one of them.
    bool onStepKey(WPARAM key);
    // The "+" or "-" button was pressed (or its key).
    void onStep(bool fromCaptureKey);
    // "Copy at once": the shown text onto the clipboard.
    void copyAtOnce();

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

    OutlineWindow outline_;
    // The shown element's screen box, as the last update gave it.
    std::optional<dom::Rect> shownBox_;
    // The outline shows for a while after a step or a key capture.
    bool outlineFlashing_ = false;
    // A step showed a new element: the outline shows once its box is in.
    bool flashWhenBoxed_ = false;
    // "+" or "-" was asked for: its result shows in the outline, and its
    // whole text is copied at once when the capture key asked for it.
    bool stepPending_ = false;
    bool keyStepPending_ = false;
    // The capture key made a capture whose release has not come back yet.
    bool keyCapturePending_ = false;
    // Where the last key capture was made: a press at the same point widens it.
    std::optional<POINT> keyPoint_;
    std::optional<HotKey> captureKey_;
    // Whether the capture key is registered (another program may hold it).
    bool captureKeyHeld_ = false;
    HHOOK stepKeyHook_ = nullptr;
};

}  // namespace tnk
