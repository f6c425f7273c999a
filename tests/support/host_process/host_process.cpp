#include "host_process.h"

#include <oleacc.h>

#include <cstdio>

namespace tnk::test {
namespace {

// Bounds that a busy machine never reaches: a host shows its page in a few
// seconds, and registration takes less than one.
constexpr double kStartLimitSeconds = 300;
constexpr double kRegisterLimitSeconds = 300;
constexpr DWORD kPollMs = 50;

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

template <typename Done>
bool pollUntil(Done done, double seconds) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    while (!done()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
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

std::wstring builtPath(const char* built) {
    std::wstring path;
    if (built[0] == '/') {
        path = L"Z:";
    }
    for (const char* p = built; *p; ++p) {
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    }
    return path;
}

std::wstring hostProgram(HostKind kind) {
    return builtPath(kind == HostKind::html ? TNK_PAGE_HOST_EXE : TNK_ACCESSIBLE_HOST_EXE);
}

HostProcess::HostProcess(HostKind kind, const std::wstring& page, const HostOptions& options)
    : kind_(kind), countFile_(options.countFile) {
    std::wstring arguments =
        options.recording.empty() ? page : L"--file \"" + options.recording + L"\"";
    if (!options.countFile.empty()) {
        arguments += L" --count-file \"" + options.countFile + L"\"";
    }
    if (options.msaaOnly) {
        arguments += L" --msaa-only";
    }
    if (options.hang) {
        arguments += L" --hang";
    }
    if (!options.hangFile.empty()) {
        arguments += L" --hang-file \"" + options.hangFile + L"\"";
    }
    // What went wrong is on stderr once the test has failed: the process's
    // report when the object goes, and before it what the wait saw.
    if (!process_.start(hostProgram(kind), arguments)) {
        return;
    }
    const HostClasses classes = classesOf(kind);
    const bool shown = pollUntil(
        [&] {
            if (!process_.running()) {
                return true;
            }
            HWND frame = visibleFrameOf(process_.id(), classes.frame);
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
        kStartLimitSeconds);
    const char* problem = nullptr;
    if (!shown) {
        problem = "did not show its page and answer";
    } else if (!page_) {
        problem = "ended before it showed its page";
    } else if (options.warm && !options.hang && !warmUp()) {
        problem = "did not hand out its page";
    }
    if (problem) {
        page_ = nullptr;
        std::fprintf(stderr, "%ls %s (waited up to %.0f s)\n", hostProgram(kind).c_str(), problem,
                     kStartLimitSeconds);
    }
}

HostProcess::~HostProcess() = default;

bool HostProcess::warmUp() const {
    const UINT request =
        kind_ == HostKind::html ? RegisterWindowMessageW(L"WM_HTML_GETOBJECT") : WM_GETOBJECT;
    const LPARAM which = kind_ == HostKind::html ? 0 : static_cast<LPARAM>(OBJID_CLIENT);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(page_, request, 0, which, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(kStartLimitSeconds * 1000), &result) ||
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

HWND HostProcess::pane() const {
    if (kind_ != HostKind::html || !page_) {
        return nullptr;
    }
    return FindWindowExW(page_, nullptr, L"TarnwickPageHostPane", nullptr);
}

POINT HostProcess::at(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(page_, &p);
    return p;
}

bool HostProcess::moveTo(int x, int y) const {
    SetWindowPos(frame_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return pollUntil(
        [&] {
            RECT rect{};
            GetWindowRect(frame_, &rect);
            return rect.left == x && rect.top == y;
        },
        kStartLimitSeconds);
}

bool HostProcess::answers(unsigned ms) const {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(page_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &ignored) != 0;
}

std::vector<std::pair<std::string, long>> HostProcess::callCounts() const {
    std::vector<std::pair<std::string, long>> counts;
    DWORD_PTR written = 0;
    if (countFile_.empty() ||
        !SendMessageTimeoutW(page_, RegisterWindowMessageW(L"TarnwickAccessibleHostCounts"), 0, 0,
                             SMTO_ABORTIFHUNG, 30000, &written) ||
        written == 0) {
        return counts;
    }
    FILE* file = _wfopen(countFile_.c_str(), L"rb");
    if (!file) {
        return counts;
    }
    char kind[128];
    long n = 0;
    while (std::fscanf(file, "%127s %ld", kind, &n) == 2) {
        counts.emplace_back(kind, n);
    }
    std::fclose(file);
    return counts;
}

bool HostProcess::recovered(double seconds) const {
    if (!pollUntil([&] { return answers(1000); }, seconds)) {
        return false;
    }
    // The first answer may come before the host reads its window system
    // events; it reads them before it waits for the next message, so a
    // second answer comes after them.
    return answers(60000) && answers(60000);
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

bool HangFile::create() const {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

void HangFile::remove() const {
    DeleteFileW(path_.c_str());
}

Registration registerAccessibleHostLibrary() {
    ChildProcess process;
    if (process.start(hostProgram(HostKind::accessible), L"--register")) {
        process.waitExit(kRegisterLimitSeconds);
        process.end();
    }
    return {process.exitCode() == 0u, process.report()};
}

}  // namespace tnk::test
