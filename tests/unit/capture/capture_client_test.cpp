// The capture worker and the window's side of it: requests in order, moves
// collapsing while the worker is busy, and a program that hangs in a call.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/capture_client.h"
#include "dom_page.h"
#include "fake_windows.h"

namespace tnk {
namespace {

using namespace std::chrono_literals;

// Holds every call that passes it while closed, as a hung program holds a
// call into it.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool closed = false;
    std::atomic<int> waiting{0};

    void pass() {
        std::unique_lock lock(mutex);
        ++waiting;
        opened.wait(lock, [&] { return !closed; });
        --waiting;
    }
    void close() {
        std::lock_guard lock(mutex);
        closed = true;
    }
    void open() {
        {
            std::lock_guard lock(mutex);
            closed = false;
        }
        opened.notify_all();
    }
};

// A page whose hit tests go through a gate.
class GatedDocument final : public dom::Document {
  public:
    GatedDocument(dom::DocumentPtr page, std::shared_ptr<Gate> gate)
        : page_(std::move(page)), gate_(std::move(gate)) {}
    dom::Identity identity() const override { return page_->identity(); }
    dom::ElementPtr elementFromPoint(dom::Point p) override {
        gate_->pass();
        ++hitTests;
        return page_->elementFromPoint(p);
    }
    std::optional<std::u16string> url() override { return page_->url(); }
    std::optional<std::u16string> title() override { return page_->title(); }
    dom::ElementPtr documentElement() override { return page_->documentElement(); }
    dom::WindowPtr scriptWindow() override { return page_->scriptWindow(); }
    std::optional<std::vector<dom::ElementPtr>> elementsByTagName(
        const std::u16string& tag) override {
        return page_->elementsByTagName(tag);
    }

    std::atomic<int> hitTests{0};

  private:
    dom::DocumentPtr page_;
    std::shared_ptr<Gate> gate_;
};

// One window system for every thread, one call at a time. The pages it
// hands out are called outside its lock: they may hang.
class SharedWindows final : public WindowSystem {
  public:
    SharedWindows(std::shared_ptr<testpage::FakeWindowSystem> windows,
                  std::shared_ptr<std::mutex> mutex)
        : windows_(std::move(windows)), mutex_(std::move(mutex)) {}

    template <class F>
    auto with(F f) -> decltype(f(std::declval<testpage::FakeWindowSystem&>())) {
        std::lock_guard lock(*mutex_);
        return f(*windows_);
    }

    WindowHandle windowFromPoint(dom::Point p) override {
        return with([&](auto& w) { return w.windowFromPoint(p); });
    }
    std::u16string className(WindowHandle h) override {
        return with([&](auto& w) { return w.className(h); });
    }
    WindowHandle parent(WindowHandle h) override {
        return with([&](auto& w) { return w.parent(h); });
    }
    dom::Point screenToClient(WindowHandle h, dom::Point p) override {
        return with([&](auto& w) { return w.screenToClient(h, p); });
    }
    int windowTextLength(WindowHandle h) override {
        return with([&](auto& w) { return w.windowTextLength(h); });
    }
    std::u16string windowText(WindowHandle h, int n) override {
        return with([&](auto& w) { return w.windowText(h, n); });
    }
    std::optional<int> messageTextLength(WindowHandle h) override {
        return with([&](auto& w) { return w.messageTextLength(h); });
    }
    std::u16string messageText(WindowHandle h, int n) override {
        return with([&](auto& w) { return w.messageText(h, n); });
    }
    dom::DocumentPtr documentOfWindow(WindowHandle h) override {
        return with([&](auto& w) { return w.documentOfWindow(h); });
    }
    dom::DocumentPtr accessibleDocumentOfWindow(WindowHandle h) override {
        return with([&](auto& w) { return w.accessibleDocumentOfWindow(h); });
    }
    std::uint32_t processOf(WindowHandle h) override {
        return with([&](auto& w) { return w.processOf(h); });
    }
    bool answers(WindowHandle h, unsigned ms) override {
        return with([&](auto& w) { return w.answers(h, ms); });
    }
    bool leftUnanswered(WindowHandle h) override {
        return with([&](auto& w) { return w.leftUnanswered(h); });
    }

  private:
    std::shared_ptr<testpage::FakeWindowSystem> windows_;
    std::shared_ptr<std::mutex> mutex_;
};

// Two programs side by side: a page in process 7 whose hit tests pass a
// gate, and a page in process 8.
struct Scene {
    Scene()
        : slow(testpage::Page::parse("<div id=a box='0,0,100,50'>alpha</div>"
                                     "<div id=b box='0,50,100,50'>beta</div>",
                                     u"http://slow.test/")),
          quick(testpage::Page::parse("<div id=q box='0,0,100,50'>quick</div>"
                                      "<div box='0,50,100,50'><p>two</p>\n  <p>lines</p></div>",
                                      u"http://quick.test/")) {
        gated = std::make_shared<GatedDocument>(slow.document(), gate);
        slowWindow = windows->add({.className = u"Internet Explorer_Server",
                                   .origin = {0, 0},
                                   .size = {100, 100},
                                   .document = gated,
                                   .process = 7});
        auto gate = this->gate;
        (*windows)[slowWindow].answering = [gate] { return gate->waiting == 0; };
        quickWindow = windows->add({.className = u"Internet Explorer_Server",
                                    .origin = {200, 0},
                                    .size = {100, 100},
                                    .document = quick.document(),
                                    .process = 8});
    }

    CaptureClient::Setup setup() {
        CaptureClient::Setup s;
        auto windows = this->windows;
        auto mutex = this->mutex;
        s.makeWindows = [windows, mutex] {
            return std::make_unique<SharedWindows>(windows, mutex);
        };
        s.isHostWindow = [](WindowHandle) { return false; };
        auto running = this->running;
        s.threadStart = [running] { ++*running; };
        s.threadEnd = [running] { --*running; };
        s.busyBeforePing = 20ms;
        s.pingTimeoutMs = 20;
        s.hungAfter = 100ms;
        return s;
    }

    // Workers outlive their client; the pages they call must outlive them.
    ~Scene() {
        gate->open();
        for (int i = 0; i < 60000 && *running > 0; ++i) {
            std::this_thread::sleep_for(1ms);
        }
    }

    // Takes updates until `done` holds, for at most a minute.
    template <class Done>
    bool until(CaptureClient& client, Done done) {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < end) {
            client.pump([&](const CaptureUpdate& u) { updates.push_back(u); });
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
    std::u16string lastText() const {
        for (auto it = updates.rbegin(); it != updates.rend(); ++it) {
            if (it->shown || it->filtered) {
                return it->text;
            }
        }
        return {};
    }

    testpage::Page slow;
    testpage::Page quick;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<GatedDocument> gated;
    std::shared_ptr<testpage::FakeWindowSystem> windows =
        std::make_shared<testpage::FakeWindowSystem>();
    std::shared_ptr<std::mutex> mutex = std::make_shared<std::mutex>();
    WindowHandle slowWindow = 0;
    WindowHandle quickWindow = 0;
    std::vector<CaptureUpdate> updates;
    std::shared_ptr<std::atomic<int>> running = std::make_shared<std::atomic<int>>(0);
};

TEST(CaptureClient, StepsAreDoneInOrderAndTheirResultsCarryStringsOnly) {
    Scene scene;
    CaptureClient client(scene.setup());
    client.point({10, 10}, false);
    client.enlarge();
    client.shrink();
    client.release(true, false);
    client.finish([&](const CaptureUpdate& u) { scene.updates.push_back(u); });
    ASSERT_EQ(scene.updates.size(), 4u);
    EXPECT_TRUE(scene.updates[0].shown);
    EXPECT_EQ(scene.updates[0].text, u"alpha");
    EXPECT_EQ(scene.updates[0].enlarge, true);
    EXPECT_EQ(scene.updates[0].shrink, false);
    EXPECT_EQ(scene.updates[1].text, u"alpha\r\nbeta");
    EXPECT_EQ(scene.updates[1].shrink, true);
    EXPECT_EQ(scene.updates[2].text, u"alpha");
    EXPECT_TRUE(scene.updates[3].filtered);
    EXPECT_EQ(scene.updates[3].text, u"alpha");
    EXPECT_TRUE(scene.updates[3].sourced);
    EXPECT_EQ(scene.updates[3].sourceUrl, u"http://slow.test/");
    EXPECT_EQ(client.workersStarted(), 1);
}

TEST(CaptureClient, TheReleaseCarriesTidyText) {
    Scene scene;
    CaptureClient client(scene.setup());
    client.point({210, 60}, false);
    client.release(true, false);
    client.release(true, true);
    client.finish([&](const CaptureUpdate& u) { scene.updates.push_back(u); });
    ASSERT_EQ(scene.updates.size(), 3u);
    EXPECT_EQ(scene.updates[1].text, u"two\n  \r\nlines");
    EXPECT_EQ(scene.updates[2].text, u"two\r\nlines");
}

TEST(CaptureClient, MovesWaitingForABusyWorkerCollapseIntoTheLatest) {
    Scene scene;
    CaptureClient::Setup setup = scene.setup();
    setup.pingTimeoutMs = 60000;
    setup.busyBeforePing = 60s;
    CaptureClient client(std::move(setup));
    scene.gate->close();
    client.point({10, 10}, false);
    while (scene.gate->waiting == 0) {
        std::this_thread::sleep_for(1ms);
    }
    client.point({11, 60}, false);
    client.point({12, 10}, false);
    client.point({13, 60}, false);
    client.release(false, true);
    scene.gate->open();
    client.finish([&](const CaptureUpdate& u) { scene.updates.push_back(u); });
    EXPECT_EQ(scene.gated->hitTests, 2);
    ASSERT_EQ(scene.updates.size(), 3u);
    EXPECT_EQ(scene.updates[0].text, u"alpha");
    EXPECT_EQ(scene.updates[1].text, u"beta");
    EXPECT_TRUE(scene.updates[2].sourced);
}

TEST(CaptureClient, AProgramThatHangsIsLeftToItsWorkerAndOthersAreStillCaptured) {
    Scene scene;
    auto client = std::make_unique<CaptureClient>(scene.setup());
    scene.gate->close();
    client->point({10, 10}, false);
    ASSERT_TRUE(scene.until(*client, [&] { return client->workersStarted() == 2; }))
        << "the hung program was not noticed";
    EXPECT_TRUE(client->skipping(7));
    EXPECT_FALSE(client->skipping(8));
    ASSERT_FALSE(scene.updates.empty());
    EXPECT_TRUE(scene.updates.back().workerLost) << "the window is told what is not coming";

    // Moves over the hung program are skipped; another program is captured
    // by the fresh worker.
    client->point({20, 20}, false);
    client->point({210, 10}, false);
    ASSERT_TRUE(scene.until(*client, [&] { return scene.lastText() == u"quick"; }));
    EXPECT_EQ(scene.gated->hitTests, 0);

    // The program recovers: its worker ends, and it is captured again.
    scene.gate->open();
    ASSERT_TRUE(scene.until(*client, [&] { return !client->skipping(7); }));
    client->point({10, 60}, false);
    ASSERT_TRUE(scene.until(*client, [&] { return scene.lastText() == u"beta"; }));
    for (const CaptureUpdate& u : scene.updates) {
        EXPECT_NE(u.text, u"alpha") << "an abandoned worker's result was shown";
    }
}

// A program slow to serve a long request still takes its messages between
// the calls: its worker is never taken for stuck.
TEST(CaptureClient, ASlowProgramThatStillAnswersIsWaitedFor) {
    Scene scene;
    CaptureClient::Setup setup = scene.setup();
    // Shared: the watchdog may ask once more after the client has gone.
    auto pings = std::make_shared<std::atomic<int>>(0);
    {
        std::lock_guard lock(*scene.mutex);
        (*scene.windows)[scene.slowWindow].answering = [pings] {
            ++*pings;
            return true;
        };
    }
    CaptureClient client(std::move(setup));
    scene.gate->close();
    client.point({10, 10}, false);
    while (*pings < 20) {
        std::this_thread::sleep_for(5ms);
    }
    scene.gate->open();
    client.finish([&](const CaptureUpdate& u) { scene.updates.push_back(u); });
    EXPECT_EQ(client.workersStarted(), 1);
    ASSERT_EQ(scene.updates.size(), 1u);
    EXPECT_EQ(scene.updates[0].text, u"alpha");
}

TEST(CaptureClient, ClosingDoesNotWaitForAStuckWorker) {
    Scene scene;
    auto client = std::make_unique<CaptureClient>(scene.setup());
    scene.gate->close();
    client->point({10, 10}, false);
    while (scene.gate->waiting == 0) {
        std::this_thread::sleep_for(1ms);
    }
    client.reset();  // returns although the worker is held in the call
    EXPECT_EQ(scene.gate->waiting, 1);
    EXPECT_EQ(*scene.running, 1);
}

}  // namespace
}  // namespace tnk
