// Calls into a program's accessible objects per capture step, over an
// in-memory page (testacc::addLongPage: sections of a paragraph of eight runs
// of text and a link, twelve objects each) and, for the release, a real page
// as a browser serves it. The counters show that the cost of pointing follows
// what the view shows, not the page; the sweep measures how soon the element
// the pointer stops on is shown after a sweep across the page's background,
// with every call taking a millisecond, as a call into another process may.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "accessible_recording.h"
#include "accessible_tree.h"
#include "capture/accessible/accessible_document.h"
#include "capture/capture_client.h"
#include "capture/capture_engine.h"
#include "fake_windows.h"

namespace tnk {
namespace {

using namespace std::chrono_literals;

constexpr int kObjectsPerSection = 12;

int sectionsFor(std::int64_t objects) {
    return static_cast<int>(objects / kObjectsPerSection);
}

struct AccessibleScene {
    // `objects`: about how many objects the page has.
    explicit AccessibleScene(std::int64_t objects, bool hypertext = false) {
        const int sections = sectionsFor(objects);
        testacc::Facts facts;
        facts.role = testacc::roleNumber(acc::role::client);
        facts.box = {0, 0, 800, 40 * sections};
        testacc::addLongPage(tree, tree.add(nullptr, facts), sections);
        tree.hypertext = hypertext;
        window = windows->add({.className = u"Page", .size = {800, 40 * sections}});
        (*windows)[window].accessible =
            acc::makeDocument({tree.object(tree.root()), {}, u"page", {}});
        engine.setAnyWindow(true);
    }

    testacc::Tree tree;
    std::shared_ptr<testpage::FakeWindowSystem> windows =
        std::make_shared<testpage::FakeWindowSystem>();
    WindowHandle window = 0;
    CaptureState state;
    testpage::FakeCaptureHost host{state, *windows};
    CaptureEngine engine{state, *windows, host};
};

// Each step of a fresh capture: nothing is known of the page yet.
void BM_AccessibleNewElement(benchmark::State& st) {
    AccessibleScene scene(st.range(0));
    bool flip = false;
    scene.engine.captureAtPoint({10, 10});
    const int before = scene.tree.calls.total();
    for (auto _ : st) {
        scene.engine.beginCapture();
        scene.engine.captureAtPoint({10, flip ? 10 : 50});
        flip = !flip;
    }
    st.counters["calls_per_move"] =
        double(scene.tree.calls.total() - before) / double(st.iterations());
    st.SetLabel("a paragraph; argument: objects on the page");
}
BENCHMARK(BM_AccessibleNewElement)->Arg(120)->Arg(12000);

void BM_AccessibleEnlarge(benchmark::State& st) {
    AccessibleScene scene(st.range(0));
    scene.engine.captureAtPoint({10, 10});
    int presses = 0;
    int calls = 0;
    for (auto _ : st) {
        scene.engine.beginCapture();
        const int before = scene.tree.calls.total();
        scene.engine.enlarge();  // paragraph -> section
        calls += scene.tree.calls.total() - before;
        ++presses;
        st.PauseTiming();
        scene.engine.shrink();
        st.ResumeTiming();
    }
    st.counters["calls_per_press"] = double(calls) / double(presses);
    st.SetLabel("paragraph to its section; argument: objects on the page");
}
BENCHMARK(BM_AccessibleEnlarge)->Arg(120)->Arg(12000);

// The document under the pointer: its text and markup up to what the view
// shows, asked afresh each time (a new drag).
void BM_AccessibleDocumentWhilePointing(benchmark::State& st) {
    AccessibleScene scene(st.range(0), st.range(1) != 0);
    int calls = 0;
    for (auto _ : st) {
        scene.engine.beginCapture();
        scene.state.baseElement.reset();
        const int before = scene.tree.calls.total();
        scene.engine.captureAtPoint({700, 10});
        calls += scene.tree.calls.total() - before;
    }
    st.counters["calls_per_capture"] = double(calls) / double(st.iterations());
    st.SetLabel("arguments: objects on the page, hypertext");
}
BENCHMARK(BM_AccessibleDocumentWhilePointing)->Args({2500, 0})->Args({25000, 0})->Args({25000, 1});

// The release over the document: its whole text and the filtered text, asked
// afresh. simulated_ms counts every call as a millisecond on top of the
// time measured.
void measureRelease(benchmark::State& st, testacc::Tree& tree, CaptureEngine& engine,
                    CaptureState& state, dom::Point at) {
    int calls = 0;
    double seconds = 0;
    for (auto _ : st) {
        engine.beginCapture();
        state.baseElement.reset();
        engine.captureAtPoint(at);
        const int before = tree.calls.total();
        const auto start = std::chrono::steady_clock::now();
        engine.completeView();
        std::u16string filtered;
        engine.filteredText(*state.baseElement, filtered);
        benchmark::DoNotOptimize(filtered);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        calls += tree.calls.total() - before;
    }
    const double n = double(st.iterations());
    st.counters["calls"] = double(calls) / n;
    st.counters["simulated_ms"] = (double(calls) + seconds * 1000) / n;
}

void BM_AccessibleReleaseOfTheDocument(benchmark::State& st) {
    AccessibleScene scene(st.range(0), st.range(1) != 0);
    measureRelease(st, scene.tree, scene.engine, scene.state, {700, 10});
    st.SetLabel("arguments: objects on the page, hypertext");
}
BENCHMARK(BM_AccessibleReleaseOfTheDocument)
    ->Args({2500, 0})
    ->Args({2500, 1})
    ->Args({25000, 0})
    ->Args({25000, 1})
    ->Unit(benchmark::kMillisecond);

// The same over a real page as a browser serves it (Node.js's os.html,
// 2,811 objects, recorded from Chromium), released over the background of
// its main column: with IAccessible2 (attributes and hypertext) and without.
void BM_AccessibleReleaseOfARecordedPage(benchmark::State& st) {
    const bool ia2 = st.range(0) != 0;
    std::string error;
    const auto recording = testrec::readRecording(
        testrec::dataPath(TNK_TEST_DATA_DIR) + "/recordings/node-os.acc", &error);
    auto recorded = recording ? testacc::loadRecordedTree(*recording, {.ia2 = ia2}) : nullptr;
    if (!recorded) {
        st.SkipWithError(("the recording did not load: " + error).c_str());
        return;
    }
    recorded->tree.hypertext = ia2;
    testpage::FakeWindowSystem windows;
    const WindowHandle window = windows.add(
        {.className = u"Chrome_RenderWidgetHostHWND", .origin = {0, 0}, .size = {1000, 700}});
    windows[window].accessible =
        acc::makeDocument({recorded->tree.object(recorded->tree.root()), {}, u"page", {}});
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
    engine.setAnyWindow(true);
    measureRelease(st, recorded->tree, engine, state, {5, 200});
    st.SetLabel("argument: IAccessible2");
}
BENCHMARK(BM_AccessibleReleaseOfARecordedPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A sweep of `moves` pointer moves over the document's background, one
// every 10 ms, then a stop on a link: the time from the stop to the link's
// text, with every call to the page taking a millisecond.
void BM_AccessibleStopAfterASweep(benchmark::State& st) {
    AccessibleScene scene(st.range(0));
    scene.tree.onCall = [] { std::this_thread::sleep_for(1ms); };
    CaptureClient::Setup setup;
    auto windows = scene.windows;
    auto mutex = std::make_shared<std::mutex>();
    setup.makeWindows = [windows, mutex] {
        return std::make_unique<testpage::SharedWindowSystem>(windows, mutex);
    };
    setup.isHostWindow = [](WindowHandle) { return false; };
    setup.busyBeforePing = 3600s;
    CaptureClient client(std::move(setup));
    const int sections = sectionsFor(st.range(0));
    int round = 0;
    for (auto _ : st) {
        client.begin();
        for (int move = 0; move < 20; ++move) {
            client.point({700, 10 + 40 * ((move + round) % sections)}, true);
            std::this_thread::sleep_for(10ms);
        }
        const int link = (round * 7 + 3) % sections;
        const std::u16string expected = u"link " + [](int n) {
            const std::string s = std::to_string(n);
            return std::u16string(s.begin(), s.end());
        }(link);
        const auto stop = std::chrono::steady_clock::now();
        client.point({640, 15 + 40 * link}, true);
        bool shown = false;
        while (!shown) {
            client.pump(
                [&](const CaptureUpdate& u) { shown = shown || (u.shown && u.text == expected); });
            std::this_thread::sleep_for(1ms);
        }
        st.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - stop).count());
        client.finish({});
        ++round;
    }
    st.SetLabel("20 moves over the background, then a link; argument: objects on the page");
}
BENCHMARK(BM_AccessibleStopAfterASweep)
    ->Arg(2500)
    ->Arg(25000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tnk
