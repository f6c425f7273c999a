#include "page_host_process.h"

#include <vector>

namespace tnk::test {

namespace {

// The build gives the host's path as the build machine wrote it; a Linux
// path is reached through Wine's drive for the root.
std::wstring hostPath() {
    std::string built = TNK_PAGE_HOST_EXE;
    std::wstring path(built.begin(), built.end());
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

HWND frameOfProcess(DWORD pid) {
    HWND found = nullptr;
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"TarnwickPageHost", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) {
            found = w;
            break;
        }
    }
    return found;
}

constexpr DWORD kStartLimitMs = 60000;
constexpr DWORD kPollMs = 50;

}  // namespace

PageHostProcess::PageHostProcess(const std::wstring& page, bool hang) {
    std::wstring command = L"\"" + hostPath() + L"\" " + page + (hang ? L" --hang" : L"");
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &process_)) {
        process_ = {};
        return;
    }
    const ULONGLONG deadline = GetTickCount64() + kStartLimitMs;
    while (GetTickCount64() < deadline) {
        if (WaitForSingleObject(process_.hProcess, kPollMs) == WAIT_OBJECT_0) {
            return;  // the host ended early
        }
        HWND frame = frameOfProcess(process_.dwProcessId);
        HWND server =
            frame ? FindWindowExW(frame, nullptr, L"Internet Explorer_Server", nullptr) : nullptr;
        HWND pane =
            server ? FindWindowExW(server, nullptr, L"TarnwickPageHostPane", nullptr) : nullptr;
        // A visible window is not yet a window that reads its messages: wait
        // until the server answers one (a hung host never will).
        DWORD_PTR answer = 0;
        if (pane && IsWindowVisible(pane) &&
            (hang || SendMessageTimeoutW(server, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer))) {
            frame_ = frame;
            server_ = server;
            pane_ = pane;
            return;
        }
    }
}

PageHostProcess::~PageHostProcess() {
    if (process_.hProcess) {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 30000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

dom::Point pagePoint(int x, int y) {
    return {PageHostProcess::kPageX + x, PageHostProcess::kPageY + y};
}

}  // namespace tnk::test
