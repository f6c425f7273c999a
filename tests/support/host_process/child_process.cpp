#include "child_process.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tnk::test {
namespace {

constexpr DWORD kEndLimitMs = 60000;
// Enough of the end of an output to see how a program came to fail.
constexpr std::size_t kTailLines = 30;
constexpr std::size_t kTailBytes = 6000;

std::wstring outputPath(const wchar_t* suffix) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"tnkchild-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter) + suffix;
}

// A file the child inherits as its stdout or stderr.
HANDLE inheritableFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += c < 128 ? static_cast<char>(c) : '?';
    }
    return out;
}

// The last lines of an output, each indented, without carriage returns.
std::string tail(std::string text) {
    std::erase(text, '\r');
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    std::size_t from = text.size() > kTailBytes ? text.size() - kTailBytes : 0;
    std::size_t lines = 0;
    for (std::size_t i = text.size(); i > from; --i) {
        if (text[i - 1] == '\n' && ++lines == kTailLines) {
            from = i;
            break;
        }
    }
    std::string out = from > 0 ? "    ...\n" : "";
    for (std::size_t start = from; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        out += "    " + text.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return out;
}

double secondsBetween(const FILETIME& from, const FILETIME& to) {
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(to) - ticks(from)) / 1e7;
}

}  // namespace

std::string fileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    CloseHandle(file);
    return bytes;
}

ChildProcess::~ChildProcess() {
    end();
    if (::testing::Test::HasFailure() && !command_.empty()) {
        std::fprintf(stderr, "%s", report().c_str());
        std::fflush(stderr);
    }
    close();
    DeleteFileW(outPath_.c_str());
    DeleteFileW(errPath_.c_str());
}

bool ChildProcess::start(const std::wstring& exe, const std::wstring& arguments,
                         const std::wstring& folder) {
    end();
    close();
    DeleteFileW(outPath_.c_str());
    DeleteFileW(errPath_.c_str());
    command_ = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    outPath_ = outputPath(L".out");
    errPath_ = outputPath(L".err");
    startError_ = 0;
    endedTick_.reset();
    startTick_ = GetTickCount64();

    HANDLE out = inheritableFile(outPath_);
    HANDLE err = inheritableFile(errPath_);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring commandLine = command_;
    const bool started =
        out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                       nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info_);
    if (!started) {
        startError_ = GetLastError();
        info_ = {};
    }
    for (HANDLE file : {out, err}) {
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return started;
}

bool ChildProcess::running() const {
    return started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::waitExit(double seconds) {
    return started() && !endedTick_ &&
           WaitForSingleObject(info_.hProcess, static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0;
}

std::optional<DWORD> ChildProcess::exitCode() const {
    DWORD code = 0;
    if (!started() || running() || !GetExitCodeProcess(info_.hProcess, &code)) {
        return std::nullopt;
    }
    return code;
}

void ChildProcess::end() {
    if (running()) {
        endedTick_ = GetTickCount64();
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kEndLimitMs);
    }
}

void ChildProcess::close() {
    if (started()) {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
        info_ = {};
    }
}

std::string ChildProcess::output() const {
    return fileBytes(outPath_);
}

std::string ChildProcess::errors() const {
    return fileBytes(errPath_);
}

std::string ChildProcess::report() const {
    char line[160];
    if (!started()) {
        std::snprintf(line, sizeof line, ": did not start (error %lu)\n", startError_);
        return narrow(command_) + line;
    }
    FILETIME created{}, exited{}, kernel{}, user{};
    const std::optional<DWORD> code = endedTick_ ? std::nullopt : exitCode();
    if (endedTick_) {
        std::snprintf(line, sizeof line, ": still running after %.1f s, so the test ended it\n",
                      static_cast<double>(*endedTick_ - startTick_) / 1000);
    } else if (!code) {
        std::snprintf(line, sizeof line, ": still running after %.1f s\n",
                      static_cast<double>(GetTickCount64() - startTick_) / 1000);
    } else if (GetProcessTimes(info_.hProcess, &created, &exited, &kernel, &user)) {
        std::snprintf(line, sizeof line, ": exit code %lu (0x%08lx) after %.1f s\n", *code, *code,
                      secondsBetween(created, exited));
    } else {
        std::snprintf(line, sizeof line, ": exit code %lu (0x%08lx)\n", *code, *code);
    }
    std::string text = narrow(command_) + line;
    const std::string out = output();
    const std::string err = errors();
    text += out.empty() ? "  stdout: (nothing)\n" : "  stdout:\n" + tail(out);
    text += err.empty() ? "  stderr: (nothing)\n" : "  stderr:\n" + tail(err);
    return text;
}

}  // namespace tnk::test
