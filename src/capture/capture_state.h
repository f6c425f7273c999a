#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "capture/dom.h"
#include "capture/window_system.h"

namespace tnk {

// A frame element's offset in the browser window's client area. The entry
// holds the frame element itself: its identity is the key, and a released
// object's identity (a proxy's address) may be handed to the next object.
struct FrameOffsetEntry {
    dom::ElementPtr frame;
    dom::Point offset;
    // The document shown in the frame, whose elements' boxes move by the
    // offset.
    dom::DocumentPtr document;
};

// The capture engine's working record, owned by the main window.
struct CaptureState {
    WindowHandle window = 0;
    dom::DocumentPtr document;
    dom::ElementPtr baseElement;
    std::int32_t level = 0;
    // Frame element identity -> its offset. Valid for one drag.
    std::unordered_map<dom::Identity, FrameOffsetEntry, dom::IdentityHash> frameOffsets;
    std::u16string text;
    std::u16string html;
    // `text` and `html` are cut to what the view shows while the user
    // points; the rest is made before the user keeps them.
    bool viewCut = false;
    // The work that was to show the shown element gave way to newer work:
    // `text` and `html` still belong to an earlier one.
    bool viewStale = false;
    std::u16string sourceUrl;
    std::u16string sourceTitle;
};

}  // namespace tnk
