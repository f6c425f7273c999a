#pragma once

#include <windows.h>

#include <string>

#include "capture/window_system.h"

namespace tnk::test {

// How accessible_host.exe runs (see tests/support/accessible_host/README.md).
struct AccessibleHostOptions {
    bool msaaOnly = false;
    bool hang = false;
    // While this file exists every call into the host's objects waits.
    std::wstring hangFile;
};

// accessible_host.exe running in a process of its own. Its windows are found
// by polling; the process is ended by its handle when the object goes,
// whatever happened in between.
class AccessibleHostProcess {
  public:
    // The page window's client area starts at this screen point.
    static constexpr int kPageX = 100;
    static constexpr int kPageY = 130;

    explicit AccessibleHostProcess(const std::wstring& page,
                                   const AccessibleHostOptions& options = {});
    AccessibleHostProcess(const AccessibleHostProcess&) = delete;
    AccessibleHostProcess& operator=(const AccessibleHostProcess&) = delete;
    ~AccessibleHostProcess();

    // False when the host did not start or show its windows in time.
    bool ready() const { return page_ != nullptr; }
    HWND frame() const { return frame_; }
    HWND page() const { return page_; }
    WindowHandle pageHandle() const { return reinterpret_cast<WindowHandle>(page_); }

  private:
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
};

// Runs `accessible_host.exe --register`, which lets COM marshal IAccessible2
// and IAccessibleText in this prefix. True when it succeeded.
bool registerAccessibleHostLibrary();

// The Windows form of a path the build gives (Linux paths through Wine's
// drive for the root).
std::wstring builtPath(const char* built);

}  // namespace tnk::test
