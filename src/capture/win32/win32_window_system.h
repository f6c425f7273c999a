#pragma once

#include "capture/window_system.h"

namespace tnk {

// The window system of the capture engine on Win32: windows of any process,
// their text, the page document of a browser window through OLEACC, and the
// accessible objects of any window.
// Every message to a foreign window is bounded (1000 ms, abandoned at once
// for a hung window), so a window that does not answer cannot freeze the
// caller.
class Win32WindowSystem final : public WindowSystem {
  public:
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
    // The last window that left a document request unanswered: it is not
    // kept waiting for a second request right after the first.
    WindowHandle unanswered_ = 0;
};

// How long a foreign window may take to answer a message.
constexpr unsigned kMessageTimeoutMs = 1000;

}  // namespace tnk
