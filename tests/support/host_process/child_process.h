#pragma once

#include <windows.h>

#include <optional>
#include <string>

// A program a test starts in a process of its own. Its standard output and
// error go to files of its own, so that a failure can tell how it ended,
// after how long and what it printed: a test that only learns "it failed"
// cannot tell a slow machine from a broken helper.
namespace tnk::test {

class ChildProcess {
  public:
    ChildProcess() = default;
    // Ends the process by its handle if it still runs. When the running test
    // has failed by then, the report goes to stderr, beside the failure.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `exe` with `arguments` (empty `folder`: this process's folder).
    // A process started before is ended first. False when it did not start;
    // the report then says why.
    bool start(const std::wstring& exe, const std::wstring& arguments,
               const std::wstring& folder = {});

    bool started() const { return info_.hProcess != nullptr; }
    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
    bool running() const;
    // True once the process has ended by itself, waiting up to `seconds`.
    bool waitExit(double seconds);
    // Its exit code once it has ended.
    std::optional<DWORD> exitCode() const;
    // Ends the process by its handle if it still runs and waits until it
    // has gone.
    void end();

    std::string output() const;  // what it wrote to stdout so far
    std::string errors() const;  // and to stderr
    // One paragraph: the command, how it ended (its exit code, or that it
    // still ran and was ended, or why it never started), the seconds from
    // its start, and the last lines of its stdout and stderr.
    std::string report() const;

  private:
    void close();

    std::wstring command_;
    std::wstring outPath_;
    std::wstring errPath_;
    PROCESS_INFORMATION info_{};
    DWORD startError_ = 0;
    ULONGLONG startTick_ = 0;
    // Set when the test ended it rather than the process itself.
    std::optional<ULONGLONG> endedTick_;
};

// The bytes of a file, also one another process still writes; empty when it
// cannot be read.
std::string fileBytes(const std::wstring& path);

}  // namespace tnk::test
