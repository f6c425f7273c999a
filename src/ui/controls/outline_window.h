#pragma once

#include <windows.h>

namespace tnk {

// A coloured frame around a box on the screen. It never takes the focus or
// the mouse, and the window system's hit test passes through it (a layered,
// transparent window whose region is the frame alone), so the window under
// it stays the one found at any point.
class OutlineWindow {
  public:
    // Wide enough to see at a glance; a colour pages rarely use, which shows
    // on white and on dark backgrounds alike.
    static constexpr int kWidth = 3;
    static constexpr COLORREF kColor = RGB(232, 0, 160);

    OutlineWindow() = default;
    ~OutlineWindow();
    OutlineWindow(const OutlineWindow&) = delete;
    OutlineWindow& operator=(const OutlineWindow&) = delete;

    // Makes the hidden window, owned by `owner`; false when it cannot.
    bool create(HWND owner);
    // Frames `box` (screen pixels) from outside. The same box again changes
    // nothing on the screen.
    void show(const RECT& box);
    void hide();

    HWND hwnd() const { return hwnd_; }
    bool visible() const { return visible_; }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    RECT shown_{};
    bool visible_ = false;
};

}  // namespace tnk
