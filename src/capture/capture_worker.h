#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_engine.h"
#include "capture/capture_host.h"
#include "capture/capture_state.h"
#include "capture/window_system.h"

namespace tnk {

// One step of the capture, as the window hands it over.
struct CaptureRequest {
    enum class Kind { point, enlarge, shrink, release, clearFrameOffsets };
    Kind kind = Kind::point;
    dom::Point point{};      // point: in screen pixels
    bool anyWindow = false;  // point: "Capture from any program"
    bool filter = false;     // release: "Filter rubbish characters"
    bool tidy = false;       // release: "Tidy text"
};

// What one request changed, for the window to show. Strings only: nothing
// in it refers to another program's objects.
struct CaptureUpdate {
    // The engine showed a capture: the window shows the selected tab's one.
    bool shown = false;
    // The release replaced the text by the filtered walk's: the window shows
    // it if the Text tab is selected.
    bool filtered = false;
    std::u16string text;
    std::u16string html;
    std::optional<bool> enlarge;  // "+"
    std::optional<bool> shrink;   // "-"
    // The worker doing the steps handed over before was left stuck in a
    // hung program: what they would have shown is not coming.
    bool workerLost = false;
    // Set by a release: the page's address and title.
    bool sourced = false;
    std::u16string sourceUrl;
    std::u16string sourceTitle;
};

// The thread that owns every object of other programs the capture holds: it
// obtains them, calls them and releases them, running the capture engine on
// the requests it is handed in order. Pending mouse moves collapse into the
// latest one. A worker that another program keeps waiting is abandoned by
// its owner and ends by itself once the call returns.
class CaptureWorker : public std::enable_shared_from_this<CaptureWorker> {
  public:
    using Clock = std::chrono::steady_clock;
    struct Setup {
        int id = 0;
        std::unique_ptr<WindowSystem> windows;
        // Whether a window is the capturing program's own (its main window or
        // a direct child); called on the worker thread.
        std::function<bool(WindowHandle)> isHostWindow;
        // Run first and last on the worker thread (the component library).
        std::function<void()> threadStart;
        std::function<void()> threadEnd;
        // Called on the worker thread with each request's update, and once
        // when the thread ends.
        std::function<void(int id, CaptureUpdate)> deliver;
        std::function<void(int id)> ended;
    };

    // Starts the thread; it keeps the worker alive until it ends.
    static std::shared_ptr<CaptureWorker> start(Setup setup);

    void post(const CaptureRequest& request);
    // Ends the thread after the request under way; pending requests are
    // given back and nothing more is delivered.
    std::vector<CaptureRequest> abandon();

    int id() const { return setup_.id; }
    // Whether a request is under way or waiting.
    bool idle() const;
    // When the request under way began and the windows whose programs it
    // may be waiting on; false when none is under way.
    bool busy(Clock::time_point& since, std::vector<WindowHandle>& windows) const;

  private:
    explicit CaptureWorker(Setup setup);
    void run();

    class Recorder;

    Setup setup_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<CaptureRequest> pending_;
    bool abandoned_ = false;
    bool working_ = false;
    Clock::time_point since_;
    std::vector<WindowHandle> waitingOn_;
};

}  // namespace tnk
