#include "capture/capture_worker.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace tnk {

// The engine's host on the worker thread: it records what the engine shows
// and enables into the update of the request under way.
class CaptureWorker::Recorder final : public CaptureHost {
  public:
    Recorder(CaptureState& state, std::function<bool(WindowHandle)> isHostWindow)
        : state_(state), isHostWindow_(std::move(isHostWindow)) {}

    void showCurrentTab() override {
        update.shown = true;
        update.cut = state_.viewCut;
        update.text = state_.text;
        update.html = state_.html;
    }
    void enableEnlarge(bool enabled) override { update.enlarge = enabled; }
    void enableShrink(bool enabled) override { update.shrink = enabled; }
    bool isHostOrDirectChild(WindowHandle window) override {
        return isHostWindow_ && isHostWindow_(window);
    }

    CaptureUpdate update;

  private:
    CaptureState& state_;
    std::function<bool(WindowHandle)> isHostWindow_;
};

CaptureWorker::CaptureWorker(Setup setup) : setup_(std::move(setup)) {}

void CaptureWorker::deliver(CaptureUpdate update) {
    bool wanted = false;
    {
        std::lock_guard lock(mutex_);
        wanted = !abandoned_;
    }
    if (wanted && setup_.deliver) {
        setup_.deliver(setup_.id, std::move(update));
    }
}

// The end of a drag: the page's address and title, then the whole text and
// markup, or the filtered text with the whole markup. Newer work (a new
// drag) takes over from the last two.
void CaptureWorker::release(CaptureEngine& engine, CaptureState& state, bool filter,
                            CaptureUpdate& update) {
    engine.clearFrameOffsets();
    engine.recordSource();
    update.sourced = true;
    update.sourceUrl = state.sourceUrl;
    update.sourceTitle = state.sourceTitle;
    update.completed = true;
    if (!engine.completeView() || !state.baseElement || !filter) {
        return;
    }
    std::u16string filtered;
    engine.filteredText(*state.baseElement, filtered);
    if (!engine.stopped()) {
        state.text = std::move(filtered);
        update.filtered = true;
        update.text = state.text;
    }
}

std::shared_ptr<CaptureWorker> CaptureWorker::start(Setup setup) {
    std::shared_ptr<CaptureWorker> worker(new CaptureWorker(std::move(setup)));
    // Detached: a thread stuck in a call to a hung program must never hold
    // up its owner; it ends when the call returns.
    std::thread([worker] { worker->run(); }).detach();
    return worker;
}

void CaptureWorker::post(const CaptureRequest& request) {
    {
        std::lock_guard lock(mutex_);
        if (abandoned_) {
            return;
        }
        if (request.kind == CaptureRequest::Kind::point && !pending_.empty() &&
            pending_.back().kind == CaptureRequest::Kind::point) {
            pending_.back() = request;
        } else {
            pending_.push_back(request);
        }
        newer_.store(true, std::memory_order_relaxed);
    }
    wake_.notify_one();
}

std::vector<CaptureRequest> CaptureWorker::abandon() {
    std::vector<CaptureRequest> left;
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        left.assign(pending_.begin(), pending_.end());
        pending_.clear();
        newer_.store(true, std::memory_order_relaxed);
    }
    wake_.notify_one();
    return left;
}

bool CaptureWorker::pointWaiting() const {
    std::lock_guard lock(mutex_);
    return std::any_of(pending_.begin(), pending_.end(), [](const CaptureRequest& request) {
        return request.kind == CaptureRequest::Kind::point;
    });
}

bool CaptureWorker::idle() const {
    std::lock_guard lock(mutex_);
    return !working_ && pending_.empty();
}

bool CaptureWorker::busy(Clock::time_point& since, std::vector<WindowHandle>& windows) const {
    std::lock_guard lock(mutex_);
    if (!working_) {
        return false;
    }
    since = since_;
    windows = waitingOn_;
    return true;
}

void CaptureWorker::run() {
    if (setup_.threadStart) {
        setup_.threadStart();
    }
    {
        CaptureState state;
        Recorder recorder(state, setup_.isHostWindow);
        CaptureEngine engine(state, *setup_.windows, recorder);
        engine.setStop(&newer_);
        for (;;) {
            CaptureRequest request;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return abandoned_ || !pending_.empty(); });
                if (abandoned_) {
                    break;
                }
                request = pending_.front();
                pending_.pop_front();
                newer_.store(!pending_.empty(), std::memory_order_relaxed);
                working_ = true;
                since_ = Clock::now();
                // The programs this request may wait on: the one whose objects
                // are held (releasing them calls it too) and, for a move, the
                // one under the cursor.
                waitingOn_.clear();
                if (state.window) {
                    waitingOn_.push_back(state.window);
                }
                if (request.kind == CaptureRequest::Kind::point) {
                    waitingOn_.push_back(setup_.windows->windowFromPoint(request.point));
                }
            }
            recorder.update = CaptureUpdate{};
            switch (request.kind) {
                case CaptureRequest::Kind::point:
                    engine.setAnyWindow(request.anyWindow);
                    engine.captureAtPoint(request.point);
                    break;
                case CaptureRequest::Kind::enlarge:
                    engine.enlarge();
                    break;
                case CaptureRequest::Kind::shrink:
                    engine.shrink();
                    break;
                case CaptureRequest::Kind::clearFrameOffsets:
                    engine.clearFrameOffsets();
                    break;
                case CaptureRequest::Kind::begin:
                    engine.beginCapture();
                    break;
                case CaptureRequest::Kind::complete:
                    engine.completeView();
                    recorder.update.completed = true;
                    break;
                case CaptureRequest::Kind::release:
                    engine.setTidyText(request.tidy);
                    release(engine, state, request.filter, recorder.update);
                    break;
            }
            // Delivered before the worker counts as idle, so that whoever waits
            // for it finds the update. The shown element's box comes after its
            // text: on a slow program it costs more calls than the text, and
            // it is not asked at all when the pointer has moved on.
            const bool shown = recorder.update.shown;
            deliver(std::move(recorder.update));
            if (request.boxes && shown && !pointWaiting()) {
                CaptureUpdate boxed;
                boxed.boxed = true;
                boxed.box = engine.shownBox();
                deliver(std::move(boxed));
            }
            {
                std::lock_guard lock(mutex_);
                working_ = false;
            }
        }
        // The objects of other programs are released here, on this thread,
        // as the state and the engine go.
    }
    if (setup_.threadEnd) {
        setup_.threadEnd();
    }
    if (setup_.ended) {
        setup_.ended(setup_.id);
    }
}

}  // namespace tnk
