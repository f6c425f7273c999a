#pragma once

// A window system and a host window for testing the capture engine without
// Windows: windows with class names, parents, screen rectangles and texts, a
// page document per window, and windows that answer only by message or not
// at all.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "capture/capture_state.h"
#include "capture/window_system.h"

namespace tnk::testpage {

struct FakeWindow {
    std::u16string className;
    WindowHandle parent = 0;
    // Screen rectangle; the client area is the whole rectangle.
    dom::Point origin{};
    dom::Point size{100, 100};
    std::u16string text{};
    // Like a window of another program: the window-text length call gives 0
    // and only WM_GETTEXTLENGTH / WM_GETTEXT give the text.
    bool textByMessageOnly = false;
    // Answers neither the document request nor text messages.
    bool hung = false;
    dom::DocumentPtr document{};
    // The page of the window's accessible objects.
    dom::DocumentPtr accessible{};
    std::uint32_t process = 1;
    // Whether the program takes messages now (default: it does unless hung);
    // may be asked from any thread.
    std::function<bool()> answering{};

    // What the engine asked, for tests.
    int documentRequests = 0;
    int accessibleRequests = 0;
    int messageRequests = 0;
    int lastBufferChars = 0;
    // The last document request found the window hung.
    bool unanswered = false;
};

class FakeWindowSystem : public WindowSystem {
  public:
    // Returns the new window's handle; later windows lie above earlier ones
    // and children above their parents.
    WindowHandle add(FakeWindow window);
    FakeWindow& operator[](WindowHandle handle);

    WindowHandle windowFromPoint(dom::Point screen) override;
    std::u16string className(WindowHandle window) override;
    WindowHandle parent(WindowHandle window) override;
    dom::Point screenToClient(WindowHandle window, dom::Point screen) override;
    int windowTextLength(WindowHandle window) override;
    std::u16string windowText(WindowHandle window, int bufferChars) override;
    std::optional<int> messageTextLength(WindowHandle window) override;
    std::u16string messageText(WindowHandle window, int bufferChars) override;
    dom::DocumentPtr documentOfWindow(WindowHandle window) override;
    dom::DocumentPtr accessibleDocumentOfWindow(WindowHandle window) override;
    std::uint32_t processOf(WindowHandle window) override;
    bool answers(WindowHandle window, unsigned timeoutMs) override;
    bool leftUnanswered(WindowHandle window) override;

  private:
    FakeWindow* find(WindowHandle handle);
    int depth(WindowHandle handle);

    std::vector<FakeWindow> windows_;
};

// Records what the engine shows and which of "+" and "-" is enabled.
class FakeCaptureHost : public CaptureHost {
  public:
    FakeCaptureHost(CaptureState& state, WindowSystem& windows)
        : state_(state), windows_(windows) {}

    void showCurrentTab() override;
    void enableEnlarge(bool enabled) override { enlargeEnabled = enabled; }
    void enableShrink(bool enabled) override { shrinkEnabled = enabled; }
    bool isHostOrDirectChild(WindowHandle window) override;

    // The host's own window (0: none).
    WindowHandle self = 0;
    // The selected tab: 0 Text, otherwise HTML.
    int tab = 0;
    std::u16string shown;
    int showCount = 0;
    // Both buttons start disabled.
    bool enlargeEnabled = false;
    bool shrinkEnabled = false;

  private:
    CaptureState& state_;
    WindowSystem& windows_;
};

// One window system for every thread, one call at a time. The pages it
// hands out are called outside its lock: they may hang.
class SharedWindowSystem final : public WindowSystem {
  public:
    SharedWindowSystem(std::shared_ptr<FakeWindowSystem> windows, std::shared_ptr<std::mutex> mutex)
        : windows_(std::move(windows)), mutex_(std::move(mutex)) {}

    template <class F>
    auto with(F f) -> decltype(f(std::declval<FakeWindowSystem&>())) {
        std::lock_guard lock(*mutex_);
        return f(*windows_);
    }

    WindowHandle windowFromPoint(dom::Point p) override {
        return with([&](auto& w) { return w.windowFromPoint(p); });
    }
    std::u16string className(WindowHandle h) override {
        return with([&](auto& w) { return w.className(h); });
    }
    WindowHandle parent(WindowHandle h) override {
        return with([&](auto& w) { return w.parent(h); });
    }
    dom::Point screenToClient(WindowHandle h, dom::Point p) override {
        return with([&](auto& w) { return w.screenToClient(h, p); });
    }
    int windowTextLength(WindowHandle h) override {
        return with([&](auto& w) { return w.windowTextLength(h); });
    }
    std::u16string windowText(WindowHandle h, int n) override {
        return with([&](auto& w) { return w.windowText(h, n); });
    }
    std::optional<int> messageTextLength(WindowHandle h) override {
        return with([&](auto& w) { return w.messageTextLength(h); });
    }
    std::u16string messageText(WindowHandle h, int n) override {
        return with([&](auto& w) { return w.messageText(h, n); });
    }
    dom::DocumentPtr documentOfWindow(WindowHandle h) override {
        return with([&](auto& w) { return w.documentOfWindow(h); });
    }
    dom::DocumentPtr accessibleDocumentOfWindow(WindowHandle h) override {
        return with([&](auto& w) { return w.accessibleDocumentOfWindow(h); });
    }
    std::uint32_t processOf(WindowHandle h) override {
        return with([&](auto& w) { return w.processOf(h); });
    }
    bool answers(WindowHandle h, unsigned ms) override {
        return with([&](auto& w) { return w.answers(h, ms); });
    }
    bool leftUnanswered(WindowHandle h) override {
        return with([&](auto& w) { return w.leftUnanswered(h); });
    }

  private:
    std::shared_ptr<FakeWindowSystem> windows_;
    std::shared_ptr<std::mutex> mutex_;
};

}  // namespace tnk::testpage
