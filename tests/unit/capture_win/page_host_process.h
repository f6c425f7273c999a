#pragma once

#include <windows.h>

#include <string>

#include "capture/window_system.h"

namespace tnk::test {

// page_host.exe running in a process of its own for one test suite. Its
// windows are found by polling; the process is ended by its handle when the
// object goes, whatever happened in between.
class PageHostProcess {
  public:
    // Page geometry (see tests/support/page_host/README.md): the server
    // window's client area starts at this screen point.
    static constexpr int kPageX = 100;
    static constexpr int kPageY = 130;

    PageHostProcess(const std::wstring& page, bool hang = false);
    PageHostProcess(const PageHostProcess&) = delete;
    PageHostProcess& operator=(const PageHostProcess&) = delete;
    ~PageHostProcess();

    // False when the host did not start or show its windows in time.
    bool ready() const { return server_ != nullptr; }
    HWND frame() const { return frame_; }
    HWND server() const { return server_; }
    HWND pane() const { return pane_; }
    WindowHandle serverHandle() const { return reinterpret_cast<WindowHandle>(server_); }

  private:
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;
    HWND server_ = nullptr;
    HWND pane_ = nullptr;
};

// A screen point given in the page's client coordinates.
dom::Point pagePoint(int x, int y);

}  // namespace tnk::test
