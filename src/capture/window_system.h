#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/dom.h"

namespace tnk {

// A native window handle, as an integer so that portable code can hold it.
using WindowHandle = std::uintptr_t;

// What the capture engine needs of the window system.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    virtual WindowHandle windowFromPoint(dom::Point screen) = 0;
    // The class name (at most 255 characters).
    virtual std::u16string className(WindowHandle window) = 0;
    virtual WindowHandle parent(WindowHandle window) = 0;
    virtual dom::Point screenToClient(WindowHandle window, dom::Point screen) = 0;
    // The text length as the window-text length call reports it (0 for
    // windows of other processes that only answer messages).
    virtual int windowTextLength(WindowHandle window) = 0;
    virtual std::u16string windowText(WindowHandle window, int bufferChars) = 0;
    // WM_GETTEXTLENGTH and WM_GETTEXT, bounded so that a hung window cannot
    // freeze the caller. Empty optional when the window does not answer.
    virtual std::optional<int> messageTextLength(WindowHandle window) = 0;
    virtual std::u16string messageText(WindowHandle window, int bufferChars) = 0;
    // The page document shown in a window ("WM_HTML_GETOBJECT" with a
    // 1000 ms time-out); null when there is none.
    virtual dom::DocumentPtr documentOfWindow(WindowHandle window) = 0;
    // The page of a window's accessible objects (WM_GETOBJECT for its client
    // object, with the same time-out); null when the window answers with no
    // object of its own.
    virtual dom::DocumentPtr accessibleDocumentOfWindow(WindowHandle window) = 0;
    // Whether the last document request to this window (either kind) went
    // unanswered within its time-out, as against answered with nothing.
    virtual bool leftUnanswered(WindowHandle window) = 0;
    // The program (process id) a window belongs to.
    virtual std::uint32_t processOf(WindowHandle window) = 0;
    // Whether the window's program takes messages within the time-out: a
    // program that does not is hung, and so are the calls into it.
    virtual bool answers(WindowHandle window, unsigned timeoutMs) = 0;
};

}  // namespace tnk
