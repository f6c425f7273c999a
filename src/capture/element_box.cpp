// Where the shown element is on the screen, for the outline around it.
#include <algorithm>
#include <cstdint>

#include "capture/capture_engine.h"

namespace tnk {

namespace {

// Frames nested deeper than this are not followed: a page whose frames
// name each other as parents must not hold the capture.
constexpr int kMaxFrameDepth = 32;

// Sums of numbers another program gave, kept within range.
std::int32_t shifted(std::int32_t value, std::int64_t by) {
    const std::int64_t sum = static_cast<std::int64_t>(value) + by;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, INT32_MIN, INT32_MAX));
}

}  // namespace

dom::Point CaptureEngine::offsetOfFrame(const dom::ElementPtr& frame) {
    const auto cached = state_.frameOffsets.find(frame->identity());
    if (cached != state_.frameOffsets.end()) {
        return cached->second.offset;
    }
    // Not kept: the offsets are valid for one drag, and "+" comes after it.
    dom::Point offset;
    frameOffset(frame->isWebBrowser() ? frame : nullptr, frame, offset);
    return offset;
}

std::optional<dom::Rect> CaptureEngine::screenBox(dom::Element& element) {
    if (!state_.document || state_.window == 0) {
        return std::nullopt;
    }
    const std::optional<dom::Rect> box = element.clientBox();
    if (!box || box->empty()) {
        return std::nullopt;
    }
    // An element of a frame's document: each frame it lies in adds the
    // frame's offset, as the hit test subtracted it on the way down.
    std::int64_t dx = 0;
    std::int64_t dy = 0;
    dom::DocumentPtr document = element.document();
    dom::ElementPtr inner;
    // A frame of the window's document entered during this drag: its
    // offset is known, and no search for the frame is needed.
    for (const auto& [identity, entry] : state_.frameOffsets) {
        if (entry.document && dom::sameObject(entry.document.get(), document.get())) {
            dx = entry.offset.x;
            dy = entry.offset.y;
            document = state_.document;
            break;
        }
    }
    for (int depth = 0; !dom::sameObject(document.get(), state_.document.get()); ++depth) {
        if (!document || depth >= kMaxFrameDepth) {
            return std::nullopt;
        }
        dom::ElementPtr frame = containingFrameElement(inner ? *inner : element);
        if (!frame) {
            return std::nullopt;
        }
        const dom::Point at = offsetOfFrame(frame);
        dx += at.x;
        dy += at.y;
        document = frame->document();
        inner = std::move(frame);
    }
    // The window's client origin on the screen.
    const dom::Point origin = windows_.screenToClient(state_.window, {0, 0});
    dx -= origin.x;
    dy -= origin.y;
    return dom::Rect{shifted(box->left, dx), shifted(box->top, dy), shifted(box->right, dx),
                     shifted(box->bottom, dy)};
}

std::optional<dom::Rect> CaptureEngine::shownBox() {
    return shown_ ? screenBox(*shown_) : std::nullopt;
}

}  // namespace tnk
