#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "child_process.h"

// The two stand-in programs a capture reads from, each in a process of its
// own: page_host.exe (an HTML page in a browser's document window) and
// accessible_host.exe (a tree of accessible objects). Both show their page
// window's client area at screen (kPageX, kPageY), 400x300, until moved.
namespace tnk::test {

enum class HostKind { html, accessible };

// The built page_host.exe or accessible_host.exe.
std::wstring hostProgram(HostKind kind);

struct HostOptions {
    bool msaaOnly = false;  // accessible_host only
    // Shows its windows and never reads a message again.
    bool hang = false;
    // While this file exists every call into the host's objects waits.
    std::wstring hangFile{};
    // Asked for its page once from the test before anyone else asks
    // (warmUp); off for a host that must see the test's own request first.
    bool warm = true;
    // A recorded page to serve instead of a built-in one (the page name is
    // then ignored): a .acc file for accessible_host, a .dom for page_host.
    std::wstring recording{};
    // accessible_host only: where callCounts() has the host write its counts.
    std::wstring countFile{};
};

class HostProcess {
  public:
    static constexpr int kPageX = 100;
    static constexpr int kPageY = 130;

    // Waits until the host shows its page and answers; says why on stderr
    // when it does not.
    HostProcess(HostKind kind, const std::wstring& page, const HostOptions& options = {});
    ~HostProcess();  // ends the process by its handle
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // False when the host did not show its windows, or answer, in time.
    bool ready() const { return page_ != nullptr; }
    HostKind kind() const { return kind_; }
    HWND frame() const { return frame_; }
    // The window a capture reads: the document window or the accessible page.
    HWND page() const { return page_; }
    // The HTML host's child pane inside its document window (null for the
    // accessible host).
    HWND pane() const;
    // A point of the page in screen coordinates.
    POINT at(int x, int y) const;
    // Moves the top-level window so that its top-left corner is at (x, y);
    // true once it is there.
    bool moveTo(int x, int y) const;
    // Whether the page window answers a message within `ms`: a host waiting
    // inside a call does not.
    bool answers(unsigned ms) const;
    // The calls the accessible host has answered so far, by kind, with
    // "total" first; empty when it was started without a count file or did
    // not write it.
    std::vector<std::pair<std::string, long>> callCounts() const;
    // Waits until the host answers again after a hang and has worked
    // through what reached it meanwhile. Under Wine that includes the
    // pointer motion the system reported to its window while it hung: a host
    // catching up moves the cursor back to where it was then, and a press
    // at that moment lands on the host.
    bool recovered(double seconds) const;

  private:
    // Asks the page window for its page once, from this process, and lets
    // go of it: the host then has its side of the cross-process calls set
    // up, so that a busy machine does not make its first answer to a
    // capture miss the capture's time-out.
    bool warmUp() const;

    HostKind kind_;
    std::wstring countFile_;
    ChildProcess process_;
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
};

// A file whose presence makes a host started with its path hang; deleted,
// at the latest, when the object goes.
class HangFile {
  public:
    HangFile();
    ~HangFile();
    HangFile(const HangFile&) = delete;
    HangFile& operator=(const HangFile&) = delete;

    const std::wstring& path() const { return path_; }
    bool create() const;
    void remove() const;

  private:
    std::wstring path_;
};

// Runs `accessible_host.exe --register`, which lets COM marshal IAccessible2
// and IAccessibleText in this prefix.
struct Registration {
    bool succeeded = false;
    std::string report;  // how the helper ended, after how long, what it printed
};
Registration registerAccessibleHostLibrary();

// The Windows form of a path the build gives (a Linux path through Wine's
// drive for the root).
std::wstring builtPath(const char* built);

}  // namespace tnk::test
