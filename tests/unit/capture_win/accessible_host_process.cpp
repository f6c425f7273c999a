#include "accessible_host_process.h"

#include <vector>

namespace tnk::test {

namespace {

constexpr DWORD kStartLimitMs = 60000;
constexpr DWORD kPollMs = 50;

bool startProcess(const std::wstring& arguments, PROCESS_INFORMATION& process) {
    std::wstring command = L"\"" + builtPath(TNK_ACCESSIBLE_HOST_EXE) + L"\" " + arguments;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &process)) {
        process = {};
        return false;
    }
    return true;
}

HWND frameOfProcess(DWORD pid) {
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"TarnwickAccessibleHost", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) {
            return w;
        }
    }
    return nullptr;
}

}  // namespace

std::wstring builtPath(const char* built) {
    std::string text = built;
    std::wstring path(text.begin(), text.end());
    if (!path.empty() && path.front() == L'/') {
        path = L"Z:" + path;
    }
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

AccessibleHostProcess::AccessibleHostProcess(const std::wstring& page,
                                             const AccessibleHostOptions& options) {
    std::wstring arguments = page;
    if (options.msaaOnly) {
        arguments += L" --msaa-only";
    }
    if (options.hang) {
        arguments += L" --hang";
    }
    if (!options.hangFile.empty()) {
        arguments += L" --hang-file \"" + options.hangFile + L"\"";
    }
    if (!startProcess(arguments, process_)) {
        return;
    }
    const ULONGLONG deadline = GetTickCount64() + kStartLimitMs;
    while (GetTickCount64() < deadline) {
        if (WaitForSingleObject(process_.hProcess, kPollMs) == WAIT_OBJECT_0) {
            return;  // the host ended early
        }
        HWND frame = frameOfProcess(process_.dwProcessId);
        HWND page =
            frame ? FindWindowExW(frame, nullptr, L"TarnwickAccessiblePage", nullptr) : nullptr;
        // A visible window is not yet a window that reads its messages: wait
        // until the page answers one (a hung host never will).
        DWORD_PTR answer = 0;
        if (page && IsWindowVisible(page) &&
            (options.hang ||
             SendMessageTimeoutW(page, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer))) {
            frame_ = frame;
            page_ = page;
            return;
        }
    }
}

AccessibleHostProcess::~AccessibleHostProcess() {
    if (process_.hProcess) {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 30000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool registerAccessibleHostLibrary() {
    PROCESS_INFORMATION process = {};
    if (!startProcess(L"--register", process)) {
        return false;
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, kStartLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 30000);
    } else {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code == 0;
}

}  // namespace tnk::test
