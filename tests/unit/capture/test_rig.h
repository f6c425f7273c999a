#pragma once

#include <string_view>

#include "capture/capture_engine.h"
#include "dom_page.h"
#include "fake_windows.h"

namespace tnk {

// A browser window at screen (100, 50) showing a page, inside a frame window,
// with the engine and a recording host around it.
struct Rig {
    explicit Rig(std::string_view markup) : page(testpage::Page::parse(markup)) {
        const WindowHandle top = windows.add({.className = u"IEFrame", .size = {1000, 800}});
        browser = windows.add({.className = u"Internet Explorer_Server",
                               .parent = top,
                               .origin = {100, 50},
                               .size = {800, 600},
                               .document = page.document()});
    }

    // The screen point of a point in the browser window's client area.
    static dom::Point screen(int x, int y) { return {100 + x, 50 + y}; }
    void moveTo(int x, int y) { engine.captureAtPoint(screen(x, y)); }
    std::shared_ptr<testpage::PageElement> el(std::string_view id) const { return page.find(id); }
    bool showing(std::string_view id) const { return state.html == *el(id)->outerHtml(); }

    testpage::Page page;
    testpage::FakeWindowSystem windows;
    WindowHandle browser = 0;
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
};

}  // namespace tnk
