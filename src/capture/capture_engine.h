#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_host.h"
#include "capture/capture_state.h"
#include "capture/dom.h"
#include "capture/filtered_text.h"
#include "capture/window_system.h"

namespace tnk {

// Turns screen points into page elements and their text and HTML, and walks
// up and down from the captured element.
class CaptureEngine {
  public:
    // Colour text or number -> 0xRRGGBB (see namedColors); unknown names give
    // 0xFFFFFF, "#" forms of other lengths than 4 and 7 give 0.
    static std::int32_t parseColor(const dom::StyleValue& value);
    static bool sameColor(const dom::StyleValue& a, const dom::StyleValue& b);

    // While the user points, the view gets at most this much of an
    // element's text (the text area at its largest shows about a hundred
    // lines of a hundred characters) and of its markup (about four times its
    // text on documentation pages). A cut string ends with kCutMark.
    static constexpr std::size_t kViewTextChars = 10000;
    static constexpr std::size_t kViewMarkupChars = 40000;
    static constexpr char16_t kCutMark = u'\u2026';

    CaptureEngine(CaptureState& state, WindowSystem& windows, CaptureHost& host);

    // Work over many objects (showing, completing, the filtered walk) looks
    // at this flag between objects and gives way when it is set.
    void setStop(const std::atomic<bool>* stop) {
        stop_ = stop;
        walk_.setStop(stop);
    }
    bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

    // "Capture from any program": a window without a page document is read
    // through its accessible objects, when it has any. A change makes the
    // window under the cursor be asked again by the new rule.
    void setAnyWindow(bool on);

    dom::DocumentPtr acquireDocument(WindowHandle window);
    void captureAtPoint(dom::Point screen);
    // Adds the element's position in its window's client area to `offset`.
    // `frameBrowser` is the frame element when it offers the web browser
    // interface, else null. Returns 0, or E_POINTER (0x80004003) for a null
    // element, leaving `offset` unchanged.
    std::int32_t frameOffset(const dom::ElementPtr& frameBrowser, const dom::ElementPtr& element,
                             dom::Point& offset);
    void clearFrameOffsets();

    // The element's box in screen pixels; empty when it has none.
    std::optional<dom::Rect> screenBox(dom::Element& element);
    // The box of the element shown last; empty after a window's text.
    std::optional<dom::Rect> shownBox();

    void showElement(const dom::ElementPtr& element);
    // Makes the shown text and markup whole, as the user is about to keep
    // them; false when newer work came first.
    bool completeView();
    // A new capture begins: the page is asked afresh.
    void beginCapture();
    // "Tidy text": the filtered text laid out as the page renders it.
    void setTidyText(bool on) { tidyText_ = on; }
    void filteredText(dom::Element& element, std::u16string& text);
    void appendNodeText(dom::Node& node, std::u16string& text);

    void enlarge();
    void shrink();
    dom::ElementPtr ancestorAt(std::int32_t n);
    dom::ElementPtr containingFrameElement(dom::Element& element);

    // Records the document's URL and title (the release of a drag).
    void recordSource();

    CaptureState& state() { return state_; }

  private:
    void show(const dom::ElementPtr& element, const dom::RenderLimits& limits);
    void captureWindowText();
    dom::ElementPtr descendIntoFrame(dom::ElementPtr frame, dom::Point client);
    dom::ElementPtr parentOf(dom::Element& element);
    dom::Point offsetOfFrame(const dom::ElementPtr& frame);
    // With "any program" on: whether a window whose document request went
    // unanswered answers now, so that it is asked for its page again.
    bool askAgain(WindowHandle window);

    CaptureState& state_;
    WindowSystem& windows_;
    CaptureHost& host_;
    FilteredWalk walk_;
    bool tidyText_ = false;
    // Set when the current non-browser window left the text messages
    // unanswered, so that a hung window is not waited for on every move.
    bool windowSilent_ = false;
    bool anyWindow_ = false;
    const std::atomic<bool>* stop_ = nullptr;
    // The element whose text and markup were shown last.
    dom::ElementPtr shown_;
};

struct NamedColor {
    const char* name;
    std::int32_t rgb;
};
// The 143 colour names, alphabetical.
extern const NamedColor namedColors[143];

}  // namespace tnk
