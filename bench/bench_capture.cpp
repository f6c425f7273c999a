// The capture engine's own cost: per mouse move, and per node of the filtered
// walk beyond the in-memory document's own calls (BM_DocumentCallsOnly does
// exactly those calls; subtract its per-node time from BM_FilteredWalk's).

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "capture/capture_engine.h"
#include "dom_page.h"
#include "fake_windows.h"

namespace tnk {
namespace {

using testpage::FakeWindow;
using testpage::Page;

struct Scene {
    explicit Scene(std::string_view markup) : page(Page::parse(markup)) {
        const WindowHandle top = windows.add({.className = u"IEFrame", .size = {1000, 800}});
        windows.add({.className = u"Internet Explorer_Server",
                     .parent = top,
                     .origin = {0, 0},
                     .size = {800, 600},
                     .document = page.document()});
    }
    Page page;
    testpage::FakeWindowSystem windows;
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
};

constexpr const char* kSmallPage =
    "<div box='0,0,400,100'>alpha <b box='10,10,50,20'>one</b><i box='100,10,50,20'>two</i></div>"
    "<p box='0,100,400,100'>gamma</p>"
    "<iframe box='0,200,400,200'><div box='0,0,100,50'>x</div><div box='0,50,100,50'>y</div>"
    "</iframe>";

void BM_MoveSameElement(benchmark::State& st) {
    Scene scene(kSmallPage);
    int x = 0;
    for (auto _ : st) {
        scene.engine.captureAtPoint({15 + (x++ & 7), 15});
    }
    st.SetLabel("element unchanged: hit test only");
}
BENCHMARK(BM_MoveSameElement);

void BM_MoveNewElement(benchmark::State& st) {
    Scene scene(kSmallPage);
    bool flip = false;
    for (auto _ : st) {
        scene.engine.captureAtPoint({flip ? 15 : 110, 15});
        flip = !flip;
    }
    st.SetLabel("new element: innerText and outerHTML");
}
BENCHMARK(BM_MoveNewElement);

void BM_MoveInsideFrame(benchmark::State& st) {
    Scene scene(kSmallPage);
    bool flip = false;
    for (auto _ : st) {
        scene.engine.captureAtPoint({10, flip ? 210 : 260});
        flip = !flip;
    }
    st.SetLabel("new element in a frame, cached offset");
}
BENCHMARK(BM_MoveInsideFrame);

// The document calls of one mouse move over the same element, without the
// engine: what BM_MoveSameElement costs the document itself.
void BM_MoveDocumentCallsOnly(benchmark::State& st) {
    Scene scene(kSmallPage);
    const auto document = scene.page.document();
    int x = 0;
    for (auto _ : st) {
        const dom::Point p{15 + (x++ & 7), 15};
        WindowHandle w = scene.windows.windowFromPoint(p);
        benchmark::DoNotOptimize(scene.windows.className(w));
        const dom::Point client = scene.windows.screenToClient(w, p);
        const dom::ElementPtr e = document->elementFromPoint(client);
        benchmark::DoNotOptimize(e->tagName());
        benchmark::DoNotOptimize(e->identity());
    }
}
BENCHMARK(BM_MoveDocumentCallsOnly);

// A page of about `nodes` nodes: nested blocks and inline runs with text and
// line breaks, every part visible so that the walk visits every node.
std::string pageOf(int nodes) {
    std::string out = "<div id=e>";
    int made = 1;
    int section = 0;
    while (made < nodes) {
        out += section % 3 == 0 ? "<div style='color:#333;background-color:white'>"
                                : "<p style='font-size:12pt'>";
        out += "Some text <b>bold <i>italic</i></b> more<br>line <span>x</span>";
        out += section % 3 == 0 ? "</div>" : "</p>";
        made += 11;
        ++section;
    }
    out += "</div>";
    return out;
}

int countNodes(dom::Node& root) {
    int count = 0;
    std::vector<dom::NodePtr> work{root.firstChild()};
    while (!work.empty()) {
        dom::NodePtr n = std::move(work.back());
        work.pop_back();
        if (!n) {
            continue;
        }
        ++count;
        work.push_back(n->nextSibling());
        work.push_back(n->firstChild());
    }
    return count + 1;
}

struct WalkPage {
    explicit WalkPage(int nodes) : scene(pageOf(nodes)), root(scene.page.find("e")) {
        count = countNodes(*root);
    }
    Scene scene;
    std::shared_ptr<testpage::PageElement> root;
    int count = 0;
};

WalkPage& walkPage(int nodes) {
    static std::map<int, std::unique_ptr<WalkPage>> pages;
    auto& slot = pages[nodes];
    if (!slot) {
        slot = std::make_unique<WalkPage>(nodes);
    }
    return *slot;
}

void BM_FilteredWalk(benchmark::State& st) {
    WalkPage& page = walkPage(static_cast<int>(st.range(0)));
    page.scene.engine.setTidyText(st.range(1) != 0);
    std::u16string text;
    for (auto _ : st) {
        text.clear();
        page.scene.engine.filteredText(*page.root, text);
        benchmark::DoNotOptimize(text.data());
    }
    st.counters["nodes"] = page.count;
    st.counters["per_node"] = benchmark::Counter(
        static_cast<double>(page.count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
// Second argument: "Tidy text" on.
BENCHMARK(BM_FilteredWalk)
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

// The same document calls as the filtered walk, in the same order, with no
// decisions and no text: the document's own share.
void documentCalls(dom::Element& element);
void documentCallsOfNode(dom::Node& node) {
    if (node.nodeType() == 3) {
        benchmark::DoNotOptimize(node.nodeValue());
        return;
    }
    benchmark::DoNotOptimize(node.nodeName());
    if (node.hasChildNodes()) {
        if (auto e = node.asElement()) {
            documentCalls(*e);
        }
    }
}
void documentCalls(dom::Element& element) {
    auto style = element.currentStyle();
    benchmark::DoNotOptimize(style->display());
    benchmark::DoNotOptimize(style->fontSize());
    benchmark::DoNotOptimize(style->color());
    benchmark::DoNotOptimize(style->backgroundColor());
    auto node = element.asNode();
    for (auto c = node->firstChild(); c; c = c->nextSibling()) {
        documentCallsOfNode(*c);
    }
}

void BM_DocumentCallsOnly(benchmark::State& st) {
    WalkPage& page = walkPage(static_cast<int>(st.range(0)));
    for (auto _ : st) {
        documentCalls(*page.root);
    }
    st.counters["nodes"] = page.count;
    st.counters["per_node"] = benchmark::Counter(
        static_cast<double>(page.count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DocumentCallsOnly)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tnk
