#include "capture/capture_engine.h"

#include <climits>
#include <string_view>
#include <utility>

namespace tnk {

namespace {

constexpr std::u16string_view kBrowserClass = u"Internet Explorer_Server";
constexpr std::int32_t kPointerError = static_cast<std::int32_t>(0x80004003u);
constexpr unsigned kAskAgainPingMs = 50;

// A length reported by another program, made safe to add one to.
int bufferFor(int length) {
    if (length < 0) {
        return 1;
    }
    return length == INT_MAX ? INT_MAX : length + 1;
}

}  // namespace

CaptureEngine::CaptureEngine(CaptureState& state, WindowSystem& windows, CaptureHost& host)
    : state_(state), windows_(windows), host_(host) {}

void CaptureEngine::setAnyWindow(bool on) {
    if (on != anyWindow_) {
        anyWindow_ = on;
        state_.window = 0;
    }
}

dom::DocumentPtr CaptureEngine::acquireDocument(WindowHandle window) {
    if (window == 0) {
        return nullptr;
    }
    return windows_.documentOfWindow(window);
}

void CaptureEngine::captureAtPoint(dom::Point screen) {
    const WindowHandle atPoint = windows_.windowFromPoint(screen);
    WindowHandle chosen = atPoint;
    while (chosen != 0 && windows_.className(chosen) != kBrowserClass) {
        chosen = windows_.parent(chosen);
    }
    if (chosen == 0) {
        chosen = atPoint;
    }

    if (chosen != state_.window || askAgain(chosen)) {
        state_.baseElement.reset();
        state_.document.reset();
        state_.viewCut = false;
        state_.viewStale = false;
        state_.window = chosen;
        windowSilent_ = false;
        state_.document = acquireDocument(chosen);
        if (!state_.document && anyWindow_ && chosen != 0 && !host_.isHostOrDirectChild(chosen)) {
            state_.document = windows_.accessibleDocumentOfWindow(chosen);
        }
        state_.level = 0;
    }
    if (!state_.document) {
        captureWindowText();
        return;
    }

    const dom::Point client = windows_.screenToClient(state_.window, screen);
    dom::ElementPtr element = state_.document->elementFromPoint(client);
    if (element) {
        const std::u16string tag = element->tagName();
        if (tag == u"FRAME" || tag == u"IFRAME") {
            element = descendIntoFrame(std::move(element), client);
        }
    }
    if (!element) {
        host_.enableEnlarge(false);
        return;
    }
    if (dom::sameObject(element.get(), state_.baseElement.get())) {
        // The element's text may have given way to a newer point that came
        // back to it.
        if (state_.viewStale) {
            showElement(ancestorAt(state_.level));
        }
        return;
    }
    state_.level = 0;
    host_.enableEnlarge(true);
    host_.enableShrink(false);
    state_.baseElement = std::move(element);
    showElement(state_.baseElement);
}

bool CaptureEngine::askAgain(WindowHandle window) {
    // A program that was only busy when the cursor came does not lose the
    // rest of the drag over it: once it answers again, it is asked again.
    // One that still does not answer costs a short ping, not the time-out.
    return anyWindow_ && !state_.document && window != 0 && windows_.leftUnanswered(window) &&
           windows_.answers(window, kAskAgainPingMs);
}

dom::ElementPtr CaptureEngine::descendIntoFrame(dom::ElementPtr frame, dom::Point client) {
    const dom::WindowPtr content = frame->contentWindow();
    dom::DocumentPtr frameDocument = content ? content->document() : nullptr;
    if (!frameDocument) {
        return frame;
    }
    dom::Point offset;
    const auto cached = state_.frameOffsets.find(frame->identity());
    if (cached != state_.frameOffsets.end()) {
        offset = cached->second.offset;
    } else {
        const dom::ElementPtr browser = frame->isWebBrowser() ? frame : nullptr;
        frameOffset(browser, frame, offset);
        // The entry keeps the frame alive until the release, so that no
        // other object can arrive under its identity during the drag.
        state_.frameOffsets.emplace(frame->identity(),
                                    FrameOffsetEntry{frame, offset, frameDocument});
    }
    frame.reset();
    return frameDocument->elementFromPoint({client.x - offset.x, client.y - offset.y});
}

std::int32_t CaptureEngine::frameOffset(const dom::ElementPtr& frameBrowser,
                                        const dom::ElementPtr& element, dom::Point& offset) {
    if (!element) {
        return kPointerError;
    }
    dom::ElementPtr e = element;
    for (;;) {
        offset.x += e->offsetLeft();
        offset.y += e->offsetTop();
        if (const auto scrolled = e->textContainerScroll()) {
            offset.x -= scrolled->x;
            offset.y -= scrolled->y;
        }
        dom::ElementPtr parent = e->offsetParent();
        if (!parent) {
            break;
        }
        if (frameBrowser && parent->isWebBrowser() &&
            dom::sameObject(parent.get(), frameBrowser.get())) {
            break;
        }
        e = std::move(parent);
    }
    if (const auto edge = e->clientEdge()) {
        offset.x += edge->x;
        offset.y += edge->y;
    }
    if (const dom::DocumentPtr document = e->document()) {
        if (const dom::ElementPtr root = document->documentElement()) {
            if (const auto scrolled = root->scroll()) {
                offset.x -= scrolled->x;
                offset.y -= scrolled->y;
            }
        }
    }
    return 0;
}

void CaptureEngine::clearFrameOffsets() {
    state_.frameOffsets.clear();
}

void CaptureEngine::captureWindowText() {
    host_.enableEnlarge(false);
    const WindowHandle window = state_.window;
    if (host_.isHostOrDirectChild(window)) {
        return;
    }
    std::u16string text;
    const int length = windows_.windowTextLength(window);
    if (length >= 1) {
        text = windows_.windowText(window, bufferFor(length));
    } else if (!windowSilent_) {
        if (const auto answered = windows_.messageTextLength(window)) {
            text = windows_.messageText(window, bufferFor(*answered));
        } else {
            windowSilent_ = true;
        }
    }
    state_.text = std::move(text);
    state_.html.clear();
    state_.viewCut = false;
    state_.viewStale = false;
    shown_.reset();
    host_.showCurrentTab();
}

void CaptureEngine::showElement(const dom::ElementPtr& element) {
    if (element) {
        show(element, {kViewTextChars, kViewMarkupChars, stop_});
    }
}

void CaptureEngine::show(const dom::ElementPtr& element, const dom::RenderLimits& limits) {
    dom::Rendering rendering = element->render(limits);
    if (rendering.stopped) {
        state_.viewStale = true;
        return;
    }
    state_.text = std::move(rendering.text);
    state_.html = std::move(rendering.html);
    if (rendering.textCut) {
        state_.text += kCutMark;
    }
    if (rendering.markupCut) {
        state_.html += kCutMark;
    }
    state_.viewCut = rendering.textCut || rendering.markupCut;
    state_.viewStale = false;
    shown_ = element;
    host_.showCurrentTab();
}

bool CaptureEngine::completeView() {
    if (!state_.viewCut && !state_.viewStale) {
        return true;
    }
    const dom::ElementPtr shown = ancestorAt(state_.level);
    if (!shown) {
        return true;
    }
    show(shown, {SIZE_MAX, SIZE_MAX, stop_});
    return !state_.viewStale;
}

void CaptureEngine::beginCapture() {
    if (state_.document) {
        state_.document->refresh();
    }
}

void CaptureEngine::recordSource() {
    if (state_.document) {
        state_.sourceUrl = state_.document->url().value_or(std::u16string());
        state_.sourceTitle = state_.document->title().value_or(std::u16string());
    } else {
        // A title kept from an earlier page would be filed beside text that
        // did not come from it.
        state_.sourceUrl.clear();
        state_.sourceTitle.clear();
    }
}

}  // namespace tnk
