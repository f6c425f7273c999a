#include "app_driver.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "config/config_file.h"
#include "platform/file_system.h"
#include "platform/win_string.h"

namespace tnk::gui {
namespace {

std::u16string u16(const std::wstring& s) {
    return fromWide(s);
}

std::optional<CipherKey> keyOf(const std::wstring& exe) {
    return deriveKeyFromFile(u16(exe), systemFileSystem());
}

std::u16string decipherFile(const std::wstring& file, const std::wstring& exe) {
    Bytes bytes;
    const auto key = keyOf(exe);
    if (!key || !systemFileSystem().readFile(u16(file), bytes)) {
        return {};
    }
    return decodeConfigBytes(bytes, *key);
}

struct FindState {
    DWORD process;
    int childId;
    const wchar_t* caption;
    HWND except;
    HWND found;
};

BOOL CALLBACK findTopLevel(HWND window, LPARAM param) {
    auto& state = *reinterpret_cast<FindState*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (process != state.process || window == state.except || !IsWindowVisible(window) ||
        lstrcmpW(className, L"#32770") != 0) {
        return TRUE;
    }
    if (state.childId != 0 && !GetDlgItem(window, state.childId)) {
        return TRUE;
    }
    if (state.caption && windowText(window) != state.caption) {
        return TRUE;
    }
    state.found = window;
    return FALSE;
}

void sendMouse(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_MOVE) {
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        input.mi.dx = MulDiv(screen.x - left, 65535, width - 1);
        input.mi.dy = MulDiv(screen.y - top, 65535, height - 1);
        input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    }
    SendInput(1, &input, sizeof input);
}

}  // namespace

std::wstring hostPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p) {
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    }
    return path;
}

std::wstring builtProgram() {
    return hostPath(TARNWICK_EXE);
}

std::u16string defaultMarkup() {
    const std::wstring exe = builtProgram();
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    return decipherFile(folder + L"tnk.cfg", exe);
}

bool waitFor(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        Sleep(50);
    }
}

AppFolder::AppFolder() {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"tnkgui-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    CreateDirectoryW(path_.c_str(), nullptr);
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (CopyFileW(builtProgram().c_str(), exe().c_str(), FALSE)) {
            return;
        }
        std::fprintf(stderr, "copying the program failed with error %lu\n", GetLastError());
        Sleep(1000);
    }
}

AppFolder::~AppFolder() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

void AppFolder::writeConfig(const std::u16string& markup) const {
    writeConfigFor(markup, exe());
}

void AppFolder::writeConfigFor(const std::u16string& markup, const std::wstring& otherExe) const {
    const auto key = keyOf(otherExe);
    if (!key) {
        return;
    }
    const Bytes bytes = encodeConfigText(markup, *key);
    HANDLE file = CreateFileW(config().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::u16string AppFolder::readConfig() const {
    return decipherFile(config(), exe());
}

namespace {

// Processes of the program started by this test process and not yet ended.
int liveInstances = 0;

// A program that finds another instance's mutex only restores that window
// and ends. A test that starts the first instance therefore waits until the
// one of the previous test has released it.
void waitForEarlierInstancesToEnd() {
    const bool gone = waitFor([] {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"TNKSYSMUTEX");
        if (!mutex) {
            return true;
        }
        CloseHandle(mutex);
        return false;
    });
    if (!gone) {
        std::fprintf(stderr, "an earlier instance of the program still runs\n");
    }
}

}  // namespace

AppProcess::AppProcess(const std::wstring& exe, const std::wstring& workingFolder) {
    if (liveInstances == 0) {
        waitForEarlierInstancesToEnd();
    }
    // A fresh copy of the program can be briefly unavailable while the
    // system still scans or closes it; a few tries ride that out.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (process_.start(exe, {}, workingFolder)) {
            ++liveInstances;
            return;
        }
        std::fprintf(stderr, "%s", process_.report().c_str());
        Sleep(1000);
    }
}

AppProcess::~AppProcess() {
    if (!process_.started()) {
        return;
    }
    if (running()) {
        if (HWND main = findDialog(1006)) {
            PostMessageW(main, WM_CLOSE, 0, 0);
        }
        // Closed as a user would; a program that has not ended after a
        // while (a dialog of its own still open) is ended by its handle.
        waitExit(10);
    }
    process_.end();
    --liveInstances;
}

HWND AppProcess::findDialog(int childId, const wchar_t* caption, HWND except) const {
    FindState state{process_.id(), childId, caption, except, nullptr};
    EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND AppProcess::waitDialog(int childId, const wchar_t* caption, double seconds) const {
    HWND found = nullptr;
    waitFor([&] { return (found = findDialog(childId, caption)) != nullptr || !running(); },
            seconds);
    if (!found) {
        std::fprintf(stderr, "no window with control %d within %.0f s; %s", childId, seconds,
                     report().c_str());
    }
    return found;
}

bool bringToFront(HWND window) {
    return waitFor(
        [&] {
            SetForegroundWindow(window);
            return GetForegroundWindow() == window;
        },
        10);
}

void clickBlankPanel(HWND mainWindow) {
    RECT frame{};
    GetWindowRect(GetDlgItem(mainWindow, 1002), &frame);
    mouseMove({frame.right + 8, frame.top});
    Sleep(300);
    mouseDown();
    mouseUp();
    Sleep(300);
}

DWORD_PTR sendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT milliseconds) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, milliseconds, &result);
    return result;
}

std::wstring windowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return {};
    }
    std::vector<wchar_t> buffer(length + 1);
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    return std::wstring(buffer.data(), copied);
}

RECT childRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void mouseMove(POINT screen) {
    sendMouse(MOUSEEVENTF_MOVE, screen);
}
void mouseDown() {
    sendMouse(MOUSEEVENTF_LEFTDOWN);
}
void mouseUp() {
    sendMouse(MOUSEEVENTF_LEFTUP);
}

POINT centerOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void glide(POINT from, POINT to, int steps) {
    for (int i = 1; i <= steps; ++i) {
        mouseMove({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        Sleep(150);
    }
}

PlainWindow::PlainWindow(const std::wstring& text, RECT rect) {
    const std::wstring arguments = std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) +
                                   L" " + std::to_wstring(rect.right - rect.left) + L" " +
                                   std::to_wstring(rect.bottom - rect.top) + L" \"" + text + L"\"";
    if (!process_.start(hostPath(PLAIN_WINDOW_EXE), arguments)) {
        return;
    }
    waitFor([&] {
        HWND found = FindWindowW(L"TarnwickTestPlainWindow", nullptr);
        DWORD process = 0;
        GetWindowThreadProcessId(found, &process);
        hwnd_ = found && process == process_.id() && IsWindowVisible(found) ? found : nullptr;
        return hwnd_ != nullptr || !process_.running();
    });
}

std::string printable(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char code[8];
            snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
            out += code;
        }
    }
    return out;
}

std::wstring clipboardText() {
    std::wstring text;
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) {
        Sleep(50);
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void setClipboardText(const std::wstring& text) {
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) {
        Sleep(50);
    }
    EmptyClipboard();
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();
}

}  // namespace tnk::gui
