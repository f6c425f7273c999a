#include "fake_windows.h"

#include <algorithm>

namespace tnk::testpage {

namespace {

constexpr WindowHandle kFirstHandle = 0x100;
constexpr WindowHandle kHandleStep = 0x10;

std::u16string truncated(const std::u16string& text, int bufferChars) {
    if (bufferChars <= 0) {
        return {};
    }
    return text.substr(0, static_cast<std::size_t>(bufferChars - 1));
}

}  // namespace

WindowHandle FakeWindowSystem::add(FakeWindow window) {
    windows_.push_back(std::move(window));
    return kFirstHandle + kHandleStep * (windows_.size() - 1);
}

FakeWindow* FakeWindowSystem::find(WindowHandle handle) {
    if (handle < kFirstHandle || (handle - kFirstHandle) % kHandleStep != 0) {
        return nullptr;
    }
    const std::size_t index = (handle - kFirstHandle) / kHandleStep;
    return index < windows_.size() ? &windows_[index] : nullptr;
}

FakeWindow& FakeWindowSystem::operator[](WindowHandle handle) {
    return *find(handle);
}

int FakeWindowSystem::depth(WindowHandle handle) {
    int levels = 0;
    for (FakeWindow* w = find(handle); w && levels <= static_cast<int>(windows_.size());
         w = find(w->parent)) {
        ++levels;
    }
    return levels;
}

WindowHandle FakeWindowSystem::windowFromPoint(dom::Point screen) {
    WindowHandle best = 0;
    int bestDepth = -1;
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        const FakeWindow& w = windows_[i];
        if (screen.x < w.origin.x || screen.y < w.origin.y || screen.x >= w.origin.x + w.size.x ||
            screen.y >= w.origin.y + w.size.y) {
            continue;
        }
        const WindowHandle handle = kFirstHandle + kHandleStep * i;
        const int d = depth(handle);
        if (d >= bestDepth) {
            best = handle;
            bestDepth = d;
        }
    }
    return best;
}

std::u16string FakeWindowSystem::className(WindowHandle window) {
    const FakeWindow* w = find(window);
    return w ? w->className.substr(0, 255) : std::u16string();
}

WindowHandle FakeWindowSystem::parent(WindowHandle window) {
    const FakeWindow* w = find(window);
    return w ? w->parent : 0;
}

dom::Point FakeWindowSystem::screenToClient(WindowHandle window, dom::Point screen) {
    const FakeWindow* w = find(window);
    return w ? dom::Point{screen.x - w->origin.x, screen.y - w->origin.y} : screen;
}

int FakeWindowSystem::windowTextLength(WindowHandle window) {
    const FakeWindow* w = find(window);
    if (!w || w->textByMessageOnly || w->hung) {
        return 0;
    }
    return static_cast<int>(w->text.size());
}

std::u16string FakeWindowSystem::windowText(WindowHandle window, int bufferChars) {
    FakeWindow* w = find(window);
    if (!w || w->textByMessageOnly || w->hung) {
        return {};
    }
    w->lastBufferChars = bufferChars;
    return truncated(w->text, bufferChars);
}

std::optional<int> FakeWindowSystem::messageTextLength(WindowHandle window) {
    FakeWindow* w = find(window);
    if (!w) {
        return std::nullopt;
    }
    ++w->messageRequests;
    if (w->hung) {
        return std::nullopt;
    }
    return static_cast<int>(w->text.size());
}

std::u16string FakeWindowSystem::messageText(WindowHandle window, int bufferChars) {
    FakeWindow* w = find(window);
    if (!w) {
        return {};
    }
    ++w->messageRequests;
    w->lastBufferChars = bufferChars;
    return w->hung ? std::u16string() : truncated(w->text, bufferChars);
}

dom::DocumentPtr FakeWindowSystem::documentOfWindow(WindowHandle window) {
    FakeWindow* w = find(window);
    if (!w) {
        return nullptr;
    }
    ++w->documentRequests;
    w->unanswered = w->hung;
    return w->hung ? nullptr : w->document;
}

dom::DocumentPtr FakeWindowSystem::accessibleDocumentOfWindow(WindowHandle window) {
    FakeWindow* w = find(window);
    if (!w) {
        return nullptr;
    }
    ++w->accessibleRequests;
    w->unanswered = w->hung;
    return w->hung ? nullptr : w->accessible;
}

std::uint32_t FakeWindowSystem::processOf(WindowHandle window) {
    FakeWindow* w = find(window);
    return w ? w->process : 0;
}

bool FakeWindowSystem::answers(WindowHandle window, unsigned) {
    FakeWindow* w = find(window);
    if (!w) {
        return true;
    }
    return w->answering ? w->answering() : !w->hung;
}

bool FakeWindowSystem::leftUnanswered(WindowHandle window) {
    FakeWindow* w = find(window);
    return w && w->unanswered;
}

void FakeCaptureHost::showCurrentTab() {
    shown = tab == 0 ? state_.text : state_.html;
    ++showCount;
}

bool FakeCaptureHost::isHostOrDirectChild(WindowHandle window) {
    return self != 0 && (window == self || (window != 0 && windows_.parent(window) == self));
}

}  // namespace tnk::testpage
