// Calls into a program's accessible objects per capture step, over an
// in-memory tree: a new element under the cursor, and a "+" press. The
// counters show that the cost follows the captured subtree, not the page:
// the page size (the argument) changes nothing in calls per step.

#include <benchmark/benchmark.h>

#include <string>

#include "accessible_tree.h"
#include "capture/accessible/accessible_document.h"
#include "capture/capture_engine.h"
#include "fake_windows.h"

namespace tnk {
namespace {

// A document of `sections` sections, each 40 pixels high, holding a
// paragraph of eight runs of text and a link.
struct AccessibleScene {
    explicit AccessibleScene(int sections) {
        testacc::Facts facts;
        facts.role = testacc::roleNumber(acc::role::client);
        facts.box = {0, 0, 800, 40 * sections};
        testacc::Node* client = tree.add(nullptr, facts);
        facts.role = testacc::roleNumber(acc::role::document);
        facts.objectAttributes = u"tag:#document;display:block;";
        testacc::Node* document = tree.add(client, facts);
        for (int s = 0; s < sections; ++s) {
            const int top = 40 * s;
            facts.role = testacc::roleNumber(acc::role::grouping);
            facts.box = {0, top, 800, top + 40};
            facts.objectAttributes = u"tag:section;display:block;";
            testacc::Node* section = tree.add(document, facts);
            facts.objectAttributes = u"tag:p;display:block;";
            facts.box = {0, top, 800, top + 30};
            testacc::Node* paragraph = tree.add(section, facts);
            for (int r = 0; r < 8; ++r) {
                testacc::Facts run;
                run.role = testacc::roleNumber(acc::role::staticText);
                run.name = u"some words of text ";
                run.box = {r * 80, top, r * 80 + 80, top + 30};
                run.textAttributes = u"font-size:12pt;color:rgb(0, 0, 0);";
                tree.add(paragraph, run);
            }
        }
        const WindowHandle window =
            windows.add({.className = u"Page", .size = {800, 40 * sections}});
        windows[window].accessible = acc::makeDocument({tree.object(client), {}, u"page", {}});
        engine.setAnyWindow(true);
    }

    testacc::Tree tree;
    testpage::FakeWindowSystem windows;
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
};

void BM_AccessibleNewElement(benchmark::State& st) {
    AccessibleScene scene(static_cast<int>(st.range(0)));
    bool flip = false;
    scene.engine.captureAtPoint({10, 10});
    const int before = scene.tree.calls.total();
    for (auto _ : st) {
        scene.engine.captureAtPoint({10, flip ? 10 : 50});
        flip = !flip;
    }
    st.counters["calls_per_move"] =
        double(scene.tree.calls.total() - before) / double(st.iterations());
    st.SetLabel("paragraph of 8 runs; argument: sections on the page");
}
BENCHMARK(BM_AccessibleNewElement)->Arg(10)->Arg(1000);

void BM_AccessibleEnlarge(benchmark::State& st) {
    AccessibleScene scene(static_cast<int>(st.range(0)));
    scene.engine.captureAtPoint({10, 10});
    int presses = 0;
    int calls = 0;
    for (auto _ : st) {
        const int before = scene.tree.calls.total();
        scene.engine.enlarge();  // paragraph -> section
        calls += scene.tree.calls.total() - before;
        ++presses;
        st.PauseTiming();
        scene.engine.shrink();
        st.ResumeTiming();
    }
    st.counters["calls_per_press"] = double(calls) / double(presses);
    st.SetLabel("paragraph to its section; argument: sections on the page");
}
BENCHMARK(BM_AccessibleEnlarge)->Arg(10)->Arg(1000);

void BM_AccessibleFilteredWalk(benchmark::State& st) {
    AccessibleScene scene(static_cast<int>(st.range(0)));
    scene.engine.captureAtPoint({10, 10});
    scene.engine.enlarge();
    const dom::ElementPtr section = scene.engine.ancestorAt(1);
    const int before = scene.tree.calls.total();
    std::u16string text;
    for (auto _ : st) {
        text.clear();
        scene.engine.filteredText(*section, text);
    }
    st.counters["calls_per_walk"] =
        double(scene.tree.calls.total() - before) / double(st.iterations());
    st.SetLabel("a section of 10 objects; argument: sections on the page");
}
BENCHMARK(BM_AccessibleFilteredWalk)->Arg(10)->Arg(1000);

}  // namespace
}  // namespace tnk
