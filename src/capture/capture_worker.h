#pragma once

#include <atomic>
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
    // begin: a drag starts, ask the page afresh; complete: make the shown
    // text and markup whole before a command keeps them.
    enum class Kind { point, enlarge, shrink, release, clearFrameOffsets, begin, complete };
    Kind kind = Kind::point;
    dom::Point point{};      // point: in screen pixels
    bool anyWindow = false;  // point: "Capture from any program"
    bool filter = false;     // release: "Filter rubbish characters"
    bool boxes = false;      // shown elements get their screen boxes
    bool tidy = false;       // release: "Tidy text"
};

// What one request changed, for the window to show. Strings only: nothing
// in it refers to another program's objects.
struct CaptureUpdate {
    // The engine showed a capture: the window shows the selected tab's one.
    bool shown = false;
    // What was shown is cut to what the view holds (it ends with the cut
    // mark); commands ask for the whole first.
    bool cut = false;
    // The release replaced the text by the filtered walk's: the window shows
    // it if the Text tab is selected.
    bool filtered = false;
    std::u16string text;
    std::u16string html;
    // The box of the element shown by the update before, in screen pixels
    // (empty when it has none); only when the request asked for boxes.
    bool boxed = false;
    std::optional<dom::Rect> box;
    std::optional<bool> enlarge;  // "+"
    std::optional<bool> shrink;   // "-"
    // The worker doing the steps handed over before was left stuck in a
    // hung program: what they would have shown is not coming.
    bool workerLost = false;
    // Set by a release or a completion once its work is done or has given
    // way to newer work.
    bool completed = false;
    // Set by a release: the page's address and title.
    bool sourced = false;
    std::u16string sourceUrl;
    std::u16string sourceTitle;
};

// The thread that owns every object of other programs the capture holds: it
// obtains them, calls them and releases them, running the capture engine on
// the requests it is handed in order. Pending mouse moves collapse into the
// latest one, and work over many objects gives way as soon as a newer request
// waits: the newest request wins. A worker that another program keeps
// waiting is abandoned by its owner and ends by itself once the call
// returns.
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
    void deliver(CaptureUpdate update);
    bool pointWaiting() const;
    static void release(CaptureEngine& engine, CaptureState& state, bool filter,
                        CaptureUpdate& update);

    class Recorder;

    Setup setup_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<CaptureRequest> pending_;
    // Whether a request waits behind the one under way.
    std::atomic<bool> newer_{false};
    bool abandoned_ = false;
    bool working_ = false;
    Clock::time_point since_;
    std::vector<WindowHandle> waitingOn_;
};

}  // namespace tnk
