#pragma once

#include "capture/window_system.h"
#include "host_process.h"

namespace tnk::test {

// The hosts as the tests of the Windows seams ask for them: started cold,
// so that the test's own request is the first the host sees.
inline HostOptions coldHost(HostOptions options = {}) {
    options.warm = false;
    return options;
}

inline WindowHandle handleOf(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

// A screen point given in the page's client coordinates, before any move.
inline dom::Point pagePoint(int x, int y) {
    return {HostProcess::kPageX + x, HostProcess::kPageY + y};
}

}  // namespace tnk::test
