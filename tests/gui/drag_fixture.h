#pragma once

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "main_window_fixture.h"

namespace tnk::gui {

// Milliseconds until `done` holds, polled closely; negative when it did not
// within `seconds`. For measurements only: tests never assert on it.
inline double millisecondsUntil(const std::function<bool()>& done, double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto limit = start + std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    for (;;) {
        if (done()) {
            return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
        if (Clock::now() > limit) {
            return -1;
        }
        Sleep(1);
    }
}

inline double median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// A measurement for the test log.
inline void measure(const char* what, double ms) {
    std::printf("MEASURE: %s: %.1f ms\n", what, ms);
    std::fflush(stdout);
}

// A move to `screen` and a press there in one input. Under Wine a program
// that recovers from a hang replays the pointer motion its window missed,
// moving the cursor back over itself for a moment; a press sent on its own
// could land there.
inline void pressAt(POINT screen) {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x - left, 65535, GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y - top, 65535, GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1);
    input.mi.dwFlags =
        MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof input);
}

// The main window below the hosts' places, and what a drag test does with it.
class DragFixture : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        // Clear of both hosts: one at (100,100), the other moved to (540,100).
        SetWindowPos(main_, nullptr, 640, 480, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        settle();
    }

    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    // A button press as the button reports it to the window.
    void command(int id) const {
        PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(id)));
    }

    // The window that holds the mouse on Tarnwick's thread, as the system
    // sees it: real input reaches it only while that thread takes input.
    HWND mouseHolder() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
        return GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
    }
    bool holdsMouse() const { return mouseHolder() == main_; }

    // Presses the mouse on the hand icon; returns the icon's centre once
    // the window holds the mouse.
    POINT startDrag() const {
        const POINT icon = centerOf(control(1000));
        mouseMove(icon);
        Sleep(300);
        pressAt(icon);
        EXPECT_TRUE(waitFor([&] { return holdsMouse(); })) << "the drag did not start";
        return icon;
    }

    // Moves back and forth between two points until `done` holds: moves
    // that arrive while the capture cannot take them yet are not repeated.
    bool hoverUntil(POINT a, POINT b, const std::function<bool()>& done, double seconds) const {
        bool onA = false;
        return waitFor(
            [&] {
                if (done()) {
                    return true;
                }
                mouseMove((onA = !onA) ? a : b);
                Sleep(150);
                return false;
            },
            seconds);
    }

    // What the HTML tab shows; the Text tab is selected again afterwards.
    std::wstring shownHtml() const {
        TabCtrl_SetCurFocus(control(1005), 1);
        settle();
        const std::wstring html = shown();
        TabCtrl_SetCurFocus(control(1005), 0);
        settle();
        return html;
    }

    // The texts of the depository dialog opened on the current capture.
    std::vector<std::wstring> depositoryTexts() const {
        command(1012);
        HWND depository = nullptr;
        std::vector<std::wstring> texts;
        if (!waitFor([&] { return (depository = app_->findDialog(0, nullptr, main_)); })) {
            ADD_FAILURE() << "the depository did not open";
            return texts;
        }
        collectTexts(depository, texts);
        PostMessageW(depository, WM_CLOSE, 0, 0);
        EXPECT_TRUE(waitFor([&] { return !IsWindow(depository); }));
        return texts;
    }

  private:
    static void collectTexts(HWND window, std::vector<std::wstring>& texts) {
        for (HWND child = GetWindow(window, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            texts.push_back(windowText(child));
            collectTexts(child, texts);
        }
    }
};

inline bool contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

}  // namespace tnk::gui
