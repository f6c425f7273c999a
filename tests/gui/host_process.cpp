#include "host_process.h"

#include <oleacc.h>

#include "app_driver.h"

namespace tnk::gui {
namespace {

struct HostClasses {
    const wchar_t* frame;
    const wchar_t* page;
};

HostClasses classesOf(HostKind kind) {
    if (kind == HostKind::html) {
        return {L"TarnwickPageHost", L"Internet Explorer_Server"};
    }
    return {L"TarnwickAccessibleHost", L"TarnwickAccessiblePage"};
}

std::wstring exeOf(HostKind kind) {
    return hostPath(kind == HostKind::html ? PAGE_HOST_EXE : ACCESSIBLE_HOST_EXE);
}

HWND visibleFrameOf(DWORD process, const wchar_t* frameClass) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, frameClass, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

HostProcess::HostProcess(HostKind kind, const std::wstring& page, const HostOptions& options)
    : kind_(kind) {
    const std::wstring exe = exeOf(kind);
    std::wstring commandLine = L"\"" + exe + L"\" " + page;
    if (options.msaaOnly) {
        commandLine += L" --msaa-only";
    }
    if (options.hang) {
        commandLine += L" --hang";
    }
    if (!options.hangFile.empty()) {
        commandLine += L" --hang-file \"" + options.hangFile + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info_)) {
        info_ = {};
        return;
    }
    const HostClasses classes = classesOf(kind);
    waitFor(
        [&] {
            HWND frame = visibleFrameOf(info_.dwProcessId, classes.frame);
            HWND window = frame ? FindWindowExW(frame, nullptr, classes.page, nullptr) : nullptr;
            // A visible window is not yet one that reads its messages: wait
            // until it answers (a host started to hang never will).
            if (!window || !IsWindowVisible(window)) {
                return false;
            }
            DWORD_PTR ignored = 0;
            if (!options.hang &&
                !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored)) {
                return false;
            }
            frame_ = frame;
            page_ = window;
            return true;
        },
        60);
    if (page_ && options.warm && !options.hang && !warmUp()) {
        page_ = nullptr;
    }
}

HostProcess::~HostProcess() {
    if (info_.hProcess) {
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 30000);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
}

bool HostProcess::warmUp() const {
    const UINT request =
        kind_ == HostKind::html ? RegisterWindowMessageW(L"WM_HTML_GETOBJECT") : WM_GETOBJECT;
    const LPARAM which = kind_ == HostKind::html ? 0 : static_cast<LPARAM>(OBJID_CLIENT);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(page_, request, 0, which, SMTO_ABORTIFHUNG, 30000, &result) ||
        result == 0) {
        return false;
    }
    const bool initialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IUnknown* page = nullptr;
    const bool got = SUCCEEDED(ObjectFromLresult(static_cast<LRESULT>(result), IID_IUnknown, 0,
                                                 reinterpret_cast<void**>(&page))) &&
                     page;
    if (page) {
        page->Release();
    }
    if (initialized) {
        CoUninitialize();
    }
    return got;
}

POINT HostProcess::at(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(page_, &p);
    return p;
}

bool HostProcess::moveTo(int x, int y) const {
    SetWindowPos(frame_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return waitFor(
        [&] {
            RECT rect{};
            GetWindowRect(frame_, &rect);
            return rect.left == x && rect.top == y;
        },
        30);
}

bool HostProcess::answers(unsigned ms) const {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(page_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &ignored) != 0;
}

bool HostProcess::recovered(double seconds) const {
    if (!waitFor([&] { return answers(1000); }, seconds)) {
        return false;
    }
    // The first answer may come before the host reads its window system
    // events; it reads them before it waits for the next message, so a
    // second answer comes after them.
    return answers(5000) && answers(5000);
}

HangFile::HangFile() {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"tnkhang-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    remove();
}

HangFile::~HangFile() {
    remove();
}

void HangFile::create() const {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

void HangFile::remove() const {
    DeleteFileW(path_.c_str());
}

}  // namespace tnk::gui
