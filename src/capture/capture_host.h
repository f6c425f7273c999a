#pragma once

#include "capture/window_system.h"

namespace tnk {

// What the capture engine needs of the window that hosts it.
class CaptureHost {
  public:
    virtual ~CaptureHost() = default;
    // Shows the selected tab's string: html when the tab index is not 0.
    virtual void showCurrentTab() = 0;
    virtual void enableEnlarge(bool enabled) = 0;  // "+"
    virtual void enableShrink(bool enabled) = 0;   // "-"
    // Whether `window` is the host window or one of its direct children.
    virtual bool isHostOrDirectChild(WindowHandle window) = 0;
};

}  // namespace tnk
