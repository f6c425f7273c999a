#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "child_process.h"

// Drives tarnwick.exe as a user would: a fresh folder with the program and a
// tnk.cfg made for it, the process started and always ended by its handle
// (a failed test reports how it ended and what it printed), windows found by
// process and class, the mouse moved with SendInput.
namespace tnk::gui {

using test::ChildProcess;
using test::fileBytes;

// Windows form of a path given in the Unix form of the build tree.
std::wstring hostPath(const char* unixPath);

std::wstring builtProgram();     // tarnwick.exe of this build
std::u16string defaultMarkup();  // the markup of the tnk.cfg packed for it

// How long a test waits for a window or state it expects: far longer than
// the few seconds anything takes on a machine busy with other work, so that
// only a fault runs it out.
constexpr double kStateSeconds = 300;
constexpr UINT kStateMs = static_cast<UINT>(kStateSeconds * 1000);

// Waits until `done` holds, up to `seconds`; pumps this thread's messages.
bool waitFor(const std::function<bool()>& done, double seconds = kStateSeconds);

class AppFolder {
  public:
    AppFolder();
    ~AppFolder();
    AppFolder(const AppFolder&) = delete;
    AppFolder& operator=(const AppFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring exe() const { return path_ + L"\\tarnwick.exe"; }
    std::wstring config() const { return path_ + L"\\tnk.cfg"; }

    // Enciphers `markup` for the copied program and writes it as tnk.cfg.
    void writeConfig(const std::u16string& markup) const;
    // As writeConfig, but enciphered for another program: a file of another build.
    void writeConfigFor(const std::u16string& markup, const std::wstring& otherExe) const;
    // Deciphers tnk.cfg; empty when it cannot be read.
    std::u16string readConfig() const;

  private:
    std::wstring path_;
};

class AppProcess {
  public:
    explicit AppProcess(const std::wstring& exe, const std::wstring& workingFolder = {});
    ~AppProcess();  // closes the window, or terminates the process
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    DWORD id() const { return process_.id(); }
    bool running() const { return process_.running(); }
    bool waitExit(double seconds) { return process_.waitExit(seconds); }
    std::string report() const { return process_.report(); }
    // The first visible top-level dialog of the process that has `childId`
    // (0: any) and, when given, the caption; never `except`.
    HWND findDialog(int childId, const wchar_t* caption = nullptr, HWND except = nullptr) const;
    HWND waitDialog(int childId, const wchar_t* caption = nullptr,
                    double seconds = kStateSeconds) const;
    HWND mainWindow(double seconds = kStateSeconds) const {
        return waitDialog(1006, nullptr, seconds);
    }

  private:
    ChildProcess process_;
};

// Makes `window` the foreground window, so that the mouse input goes to
// the window that captures it. False when it does not become so.
bool bringToFront(HWND window);

// Clicks the blank panel beside the usage line of the main window, so that
// the window takes the mouse before a drag starts from its hand icon.
void clickBlankPanel(HWND mainWindow);

// A message sent with a time-out (SMTO_NORMAL), so that a window that stops
// answering fails the test instead of holding it; the window's result, or 0.
DWORD_PTR sendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                      UINT milliseconds = kStateMs);

// Text of any window, also of another process (WM_GETTEXT, bounded).
std::wstring windowText(HWND window);
// The window rectangle in the parent's client coordinates.
RECT childRect(HWND child);

// Mouse input through SendInput, in screen coordinates.
void mouseMove(POINT screen);
void mouseDown();
void mouseUp();
POINT centerOf(HWND window);
// Moves from `from` to `to` in a few steps, pausing between them.
void glide(POINT from, POINT to, int steps = 6);

// A plain top-level window showing `text`, in a process of its own (the
// mouse reaches windows of other processes as it does on a desktop).
class PlainWindow {
  public:
    PlainWindow(const std::wstring& text, RECT rect);
    HWND hwnd() const { return hwnd_; }

  private:
    ChildProcess process_;
    HWND hwnd_ = nullptr;
};

// A text for a test message: ASCII kept, everything else as \uXXXX.
std::string printable(const std::wstring& text);

// The clipboard's Unicode text.
std::wstring clipboardText();
void setClipboardText(const std::wstring& text);

}  // namespace tnk::gui
