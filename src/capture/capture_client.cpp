#include "capture/capture_client.h"

#include <condition_variable>
#include <deque>
#include <set>
#include <thread>
#include <utility>

namespace tnk {

// What the window's thread, the workers and the watchdog share. It outlives
// the client as long as a worker or the watchdog still runs.
struct CaptureClient::Shared {
    struct Event {
        enum class Kind { update, stuck, ended };
        Kind kind = Kind::update;
        int worker = 0;
        CaptureUpdate update;
        std::uint32_t process = 0;
    };

    std::mutex mutex;
    std::condition_variable closing;
    bool closed = false;
    std::deque<Event> events;
    std::function<void()> notify;
    std::shared_ptr<CaptureWorker> watched;

    void push(Event event) {
        {
            std::lock_guard lock(mutex);
            if (closed) {
                return;
            }
            events.push_back(std::move(event));
        }
        if (notify) {
            notify();
        }
    }
};

using Event = CaptureClient::Shared::Event;

// Pings the programs a busy worker may be waiting on, and reports the first
// that has answered no ping for the hang time, once per worker.
void CaptureClient::watch(std::shared_ptr<Shared> shared, std::unique_ptr<WindowSystem> windows,
                          WatchTimes times) {
    using Clock = CaptureWorker::Clock;
    std::set<int> reported;
    // The request being watched, and when each of its windows last answered.
    int watchedWorker = 0;
    Clock::time_point watchedSince;
    std::map<WindowHandle, Clock::time_point> answered;
    for (;;) {
        std::shared_ptr<CaptureWorker> worker;
        {
            std::unique_lock lock(shared->mutex);
            shared->closing.wait_for(lock, std::chrono::milliseconds(100),
                                     [&] { return shared->closed; });
            if (shared->closed) {
                return;
            }
            worker = shared->watched;
        }
        Clock::time_point since;
        std::vector<WindowHandle> waitingOn;
        if (!worker || reported.count(worker->id()) || !worker->busy(since, waitingOn) ||
            Clock::now() - since < times.busyBeforePing) {
            continue;
        }
        if (worker->id() != watchedWorker || since != watchedSince) {
            watchedWorker = worker->id();
            watchedSince = since;
            answered.clear();
        }
        for (WindowHandle window : waitingOn) {
            if (!window) {
                continue;
            }
            const Clock::time_point asked = Clock::now();
            if (windows->answers(window, times.pingTimeoutMs)) {
                answered[window] = Clock::now();
                continue;
            }
            const auto last = answered.try_emplace(window, since).first->second;
            if (asked - last >= times.hungAfter) {
                reported.insert(worker->id());
                shared->push({Event::Kind::stuck, worker->id(), {}, windows->processOf(window)});
                break;
            }
        }
    }
}

CaptureClient::CaptureClient(Setup setup)
    : setup_(std::move(setup)),
      windows_(setup_.makeWindows()),
      shared_(std::make_shared<Shared>()) {
    shared_->notify = setup_.notify;
    startWorker();
    std::thread(&CaptureClient::watch, shared_, setup_.makeWindows(),
                WatchTimes{setup_.busyBeforePing, setup_.pingTimeoutMs, setup_.hungAfter})
        .detach();
}

CaptureClient::~CaptureClient() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->closed = true;
        shared_->watched.reset();
    }
    shared_->closing.notify_all();
    // The worker ends by itself after the request under way, releasing what
    // it holds on its own thread.
    worker_->abandon();
}

void CaptureClient::startWorker() {
    CaptureWorker::Setup setup;
    setup.id = nextId_++;
    setup.windows = setup_.makeWindows();
    setup.isHostWindow = setup_.isHostWindow;
    setup.threadStart = setup_.threadStart;
    setup.threadEnd = setup_.threadEnd;
    std::weak_ptr<Shared> shared = shared_;
    setup.deliver = [shared](int id, CaptureUpdate update) {
        if (auto s = shared.lock()) {
            s->push({Event::Kind::update, id, std::move(update), 0});
        }
    };
    setup.ended = [shared](int id) {
        if (auto s = shared.lock()) {
            s->push({Event::Kind::ended, id, {}, 0});
        }
    };
    worker_ = CaptureWorker::start(std::move(setup));
    std::lock_guard lock(shared_->mutex);
    shared_->watched = worker_;
}

void CaptureClient::send(CaptureRequest request) {
    request.boxes = boxes_;
    if (request.kind == CaptureRequest::Kind::point && !stuck_.empty() &&
        stuck_.count(windows_->processOf(windows_->windowFromPoint(request.point)))) {
        return;
    }
    worker_->post(request);
}

void CaptureClient::begin() {
    send({CaptureRequest::Kind::begin});
}

void CaptureClient::complete() {
    send({CaptureRequest::Kind::complete});
}

void CaptureClient::point(dom::Point screen, bool anyWindow) {
    CaptureRequest request;
    request.kind = CaptureRequest::Kind::point;
    request.point = screen;
    request.anyWindow = anyWindow;
    send(request);
}

void CaptureClient::enlarge() {
    send({CaptureRequest::Kind::enlarge});
}

void CaptureClient::shrink() {
    send({CaptureRequest::Kind::shrink});
}

void CaptureClient::release(bool filter, bool tidy) {
    CaptureRequest request;
    request.kind = CaptureRequest::Kind::release;
    request.filter = filter;
    request.tidy = tidy;
    send(request);
}

void CaptureClient::clearFrameOffsets() {
    send({CaptureRequest::Kind::clearFrameOffsets});
}

void CaptureClient::pump(const std::function<void(const CaptureUpdate&)>& apply) {
    for (;;) {
        Event event;
        {
            std::lock_guard lock(shared_->mutex);
            if (shared_->events.empty()) {
                return;
            }
            event = std::move(shared_->events.front());
            shared_->events.pop_front();
        }
        switch (event.kind) {
            case Event::Kind::update:
                if (apply) {
                    apply(event.update);
                }
                break;
            case Event::Kind::stuck:
                if (event.worker == worker_->id()) {
                    std::vector<CaptureRequest> left = worker_->abandon();
                    ++stuck_[event.process];
                    stuckWorkers_[event.worker] = event.process;
                    startWorker();
                    for (const CaptureRequest& request : left) {
                        send(request);
                    }
                    if (apply) {
                        CaptureUpdate lost;
                        lost.workerLost = true;
                        apply(lost);
                    }
                }
                break;
            case Event::Kind::ended:
                if (auto it = stuckWorkers_.find(event.worker); it != stuckWorkers_.end()) {
                    if (--stuck_[it->second] <= 0) {
                        stuck_.erase(it->second);
                    }
                    stuckWorkers_.erase(it);
                }
                break;
        }
    }
}

void CaptureClient::finish(const std::function<void(const CaptureUpdate&)>& apply) {
    for (;;) {
        pump(apply);
        if (worker_->idle()) {
            std::lock_guard lock(shared_->mutex);
            if (shared_->events.empty()) {
                return;
            }
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool CaptureClient::skipping(std::uint32_t process) const {
    return stuck_.count(process) != 0;
}

}  // namespace tnk
