#include "capture/capture_worker.h"

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
    }
    wake_.notify_one();
    return left;
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
                case CaptureRequest::Kind::release:
                    engine.clearFrameOffsets();
                    if (state.baseElement && request.filter) {
                        state.text.clear();
                        engine.setTidyText(request.tidy);
                        engine.filteredText(*state.baseElement, state.text);
                        recorder.update.filtered = true;
                        recorder.update.text = state.text;
                    }
                    engine.recordSource();
                    recorder.update.sourced = true;
                    recorder.update.sourceUrl = state.sourceUrl;
                    recorder.update.sourceTitle = state.sourceTitle;
                    break;
            }
            // Delivered before the worker counts as idle, so that whoever waits
            // for it finds the update.
            bool deliver = false;
            {
                std::lock_guard lock(mutex_);
                deliver = !abandoned_;
            }
            if (deliver && setup_.deliver) {
                setup_.deliver(setup_.id, std::move(recorder.update));
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
