#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "capture/capture_worker.h"
#include "capture/window_system.h"

namespace tnk {

// The window's side of the capture: it hands each step to the capture
// worker and gives back what the worker found, never waiting on a call into
// another program. A watchdog pings the programs a busy worker may wait
// on; when one does not answer, that worker is left to itself, later steps
// go to a fresh worker, and moves over that program are skipped until the
// stuck call returns.
class CaptureClient {
  public:
    struct Setup {
        std::function<std::unique_ptr<WindowSystem>()> makeWindows;
        std::function<bool(WindowHandle)> isHostWindow;
        std::function<void()> threadStart;
        std::function<void()> threadEnd;
        // Called from any thread when updates wait to be taken with pump().
        std::function<void()> notify;
        // How a hang is told from a slow page. A worker busy this long with
        // one request has the programs it may wait on pinged (each ping
        // waits at most `pingTimeoutMs`); a program that answers none of
        // them for `hungAfter` is hung. A busy program that still takes its
        // messages between calls answers, however long the request takes.
        std::chrono::milliseconds busyBeforePing{250};
        unsigned pingTimeoutMs = 500;
        std::chrono::milliseconds hungAfter{3000};
    };

    explicit CaptureClient(Setup setup);
    // Never waits for a worker.
    ~CaptureClient();
    CaptureClient(const CaptureClient&) = delete;
    CaptureClient& operator=(const CaptureClient&) = delete;

    // A mouse move to a new point; skipped over a program a worker is stuck
    // in.
    // A drag begins: the page is asked afresh.
    void begin();
    void point(dom::Point screen, bool anyWindow);
    void enlarge();
    void shrink();
    void release(bool filter, bool tidy);
    void clearFrameOffsets();
    // Makes the shown text and markup whole; an update with `completed`
    // says when that is done.
    void complete();
    // Whether the steps from now on give the shown elements' screen boxes.
    void setBoxes(bool on) { boxes_ = on; }

    // Hands each waiting update, in order, to `apply`, on the calling
    // thread. Call it when notified.
    void pump(const std::function<void(const CaptureUpdate&)>& apply);
    // For tests: waits until every step handed over so far is done and
    // applied, or the worker was found stuck (the window never waits: a
    // command that needs the whole text waits for a `completed` update);
    // programs skipped now, and workers started so far.
    void finish(const std::function<void(const CaptureUpdate&)>& apply);
    bool skipping(std::uint32_t process) const;
    int workersStarted() const { return nextId_ - 1; }

    struct Shared;

  private:
    struct WatchTimes {
        std::chrono::milliseconds busyBeforePing;
        unsigned pingTimeoutMs;
        std::chrono::milliseconds hungAfter;
    };
    static void watch(std::shared_ptr<Shared> shared, std::unique_ptr<WindowSystem> windows,
                      WatchTimes times);
    void send(CaptureRequest request);
    void startWorker();

    Setup setup_;
    std::unique_ptr<WindowSystem> windows_;
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<CaptureWorker> worker_;
    // Stuck programs, by the number of workers stuck in each.
    std::map<std::uint32_t, int> stuck_;
    std::map<int, std::uint32_t> stuckWorkers_;
    int nextId_ = 1;
    bool boxes_ = false;
};

}  // namespace tnk
