// The capture worker and the window's side of it: requests in order, moves
// collapsing while the worker is busy, and a program that hangs in a call.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "accessible_tree.h"
#include "capture/accessible/accessible_document.h"
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
            return std::make_unique<testpage::SharedWindowSystem>(windows, mutex);
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
    // A long page of a program that shows its page as accessible objects
    // only, at screen (0, 200), in process 9: its own background at x 700,
    // the link of section s at (640, 215 + 40 s).
    void addLongPage(int sections) {
        testacc::Facts client;
        client.role = testacc::roleNumber(acc::role::client);
        client.box = {0, 200, 800, 200 + 40 * sections};
        tree.add(nullptr, client);
        testacc::addLongPage(tree, tree.root(), sections);
        std::lock_guard lock(*mutex);
        const WindowHandle page = windows->add({.className = u"LongPage",
                                                .origin = {0, 200},
                                                .size = {800, 40 * sections},
                                                .process = 9});
        acc::PageSource source;
        source.client = tree.object(tree.root());
        source.clientToScreen = [](dom::Point p) { return dom::Point{p.x, p.y + 200}; };
        source.screenToClient = [](dom::Point p) { return dom::Point{p.x, p.y - 200}; };
        source.windowText = u"Long page window";
        (*windows)[page].accessible = acc::makeDocument(std::move(source));
    }
    // Holds the capture in its next call to the long page once `calls`
    // more have been made, until the gate opens.
    void holdAfter(int calls) {
        gate->close();
        auto left = std::make_shared<int>(calls);
        auto gate = this->gate;
        tree.onCall = [left, gate] {
            if (*left >= 0 && --*left < 0) {
                gate->pass();
            }
        };
    }
    bool heldWithinAMinute() const {
        for (int i = 0; i < 60000 && gate->waiting == 0; ++i) {
            std::this_thread::sleep_for(1ms);
        }
        return gate->waiting != 0;
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
    testacc::Tree tree;
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

// The outline's box comes after the text it belongs to, and is asked for
// only while the window wants boxes.
TEST(CaptureClient, AShownElementsBoxFollowsItsTextWhenAskedFor) {
    Scene scene;
    scene.addLongPage(3);
    CaptureClient client(scene.setup());
    const auto take = [&](const CaptureUpdate& u) { scene.updates.push_back(u); };
    client.point({640, 215}, true);
    client.finish(take);
    ASSERT_EQ(scene.updates.size(), 1u);
    EXPECT_EQ(scene.tree.calls.location, 0);

    client.setBoxes(true);
    client.point({640, 255}, true);
    client.finish(take);
    ASSERT_EQ(scene.updates.size(), 3u);
    EXPECT_EQ(scene.updates[1].text, u"link 1");
    EXPECT_FALSE(scene.updates[1].boxed);
    EXPECT_TRUE(scene.updates[2].boxed);
    EXPECT_EQ(scene.updates[2].box, (dom::Rect{600, 240, 680, 270}));
}

TEST(CaptureClient, TheReleaseCarriesTidyText) {
    Scene scene;
    CaptureClient client(scene.setup());
    const auto take = [&](const CaptureUpdate& u) { scene.updates.push_back(u); };
    client.point({210, 60}, false);
    client.release(true, false);
    // Each release on its own: a newer one takes over from the one before.
    client.finish(take);
    client.release(true, true);
    client.finish(take);
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

bool startsWith(const std::u16string& text, std::u16string_view start) {
    return text.compare(0, start.size(), start) == 0;
}

// A sweep over the long page's background, a stop on a link: the walk over
// the whole page under way gives way to the link at once, and nothing of the
// page is shown after the link.
TEST(CaptureClient, TheNewestPointWinsOverAWalkUnderWay) {
    Scene scene;
    scene.addLongPage(250);
    CaptureClient::Setup setup = scene.setup();
    setup.busyBeforePing = 60s;
    CaptureClient client(std::move(setup));
    scene.holdAfter(300);
    client.point({700, 300}, true);
    ASSERT_TRUE(scene.heldWithinAMinute());
    client.point({700, 500}, true);
    client.point({640, 615}, true);
    const int callsBefore = scene.tree.calls.total();
    scene.gate->open();
    client.finish([&](const CaptureUpdate& u) { scene.updates.push_back(u); });
    ASSERT_FALSE(scene.updates.empty());
    EXPECT_EQ(scene.lastText(), u"link 10");
    for (const CaptureUpdate& u : scene.updates) {
        EXPECT_FALSE(u.shown && startsWith(u.text, u"some words")) << "an older point's text";
    }
    EXPECT_LT(scene.tree.calls.total() - callsBefore, 40) << "the stale walk went on";
}

// Pointing costs what the view shows; the release makes the whole text.
TEST(CaptureClient, TheReleaseCompletesTheWholeText) {
    Scene scene;
    scene.addLongPage(250);
    CaptureClient::Setup setup = scene.setup();
    setup.busyBeforePing = 60s;
    CaptureClient client(std::move(setup));
    const auto take = [&](const CaptureUpdate& u) { scene.updates.push_back(u); };
    client.point({700, 300}, true);
    client.finish(take);
    ASSERT_TRUE(scene.updates.back().cut);
    EXPECT_EQ(scene.lastText().size(), CaptureEngine::kViewTextChars + 1);
    const int pointing = scene.tree.calls.total();
    client.release(true, false);
    client.finish(take);
    const CaptureUpdate& released = scene.updates.back();
    EXPECT_TRUE(released.sourced && released.completed && released.filtered);
    EXPECT_EQ(released.sourceTitle, u"Long page");
    EXPECT_GT(released.text.size(), 250u * 8 * 19);
    EXPECT_NE(released.text.back(), CaptureEngine::kCutMark);
    EXPECT_GT(scene.tree.calls.total(), pointing * 4) << "pointing read the whole page";
}

TEST(CaptureClient, ANewDragTakesOverFromTheRelease) {
    Scene scene;
    scene.addLongPage(250);
    CaptureClient::Setup setup = scene.setup();
    setup.busyBeforePing = 60s;
    CaptureClient client(std::move(setup));
    const auto take = [&](const CaptureUpdate& u) { scene.updates.push_back(u); };
    client.point({700, 300}, true);
    client.finish(take);
    scene.holdAfter(300);
    client.release(true, false);
    ASSERT_TRUE(scene.heldWithinAMinute());
    client.begin();
    client.point({640, 215}, true);
    scene.gate->open();
    client.finish(take);
    const auto given = std::find_if(scene.updates.begin(), scene.updates.end(),
                                    [](const CaptureUpdate& u) { return u.sourced; });
    ASSERT_NE(given, scene.updates.end());
    EXPECT_TRUE(given->completed);
    EXPECT_FALSE(given->shown || given->filtered) << "the dropped whole text was shown";
    EXPECT_EQ(scene.lastText(), u"link 0");
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
