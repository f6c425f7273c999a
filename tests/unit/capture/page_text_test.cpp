// How the text Tarnwick shows of real pages agrees with the browser's own
// innerText of the same element: points all over each recorded page, the
// element under each while dragging, after "+" and filtered at the release.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <unordered_set>

#include "accessible_recording.h"
#include "capture/accessible/accessible_document.h"
#include "capture/capture_engine.h"
#include "dom_recording.h"
#include "fake_windows.h"

namespace tnk {
namespace {

const char* const kPages[] = {"node-os",      "node-index",          "expat-reference",
                              "valgrind-faq", "valgrind-quickstart", "libxslt-templates"};

testrec::Recording load(const std::string& name, const char* type) {
    std::string error;
    auto recording = testrec::readRecording(
        testrec::dataPath(TNK_TEST_DATA_DIR) + "/recordings/" + name + "." + type, &error);
    EXPECT_TRUE(recording) << error;
    return recording ? std::move(*recording) : testrec::Recording{};
}

// The browser's line breaks are single line feeds.
std::u16string lines(std::u16string text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

// The bullets the page shows before list items, which the browser's
// innerText leaves out.
std::u16string withoutMarkers(const std::u16string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool lineStart = i == 0 || text[i - 1] == u'\n';
        const char16_t c = text[i];
        if (lineStart && (c == u'\u2022' || c == u'\u25A0' || c == u'\u25E6') &&
            i + 1 < text.size() && text[i + 1] == u' ') {
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

std::u16string collapsed(const std::u16string& text) {
    std::u16string out;
    bool space = false;
    for (char16_t c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\u00A0') {
            space = !out.empty();
            continue;
        }
        if (space) {
            out += u' ';
            space = false;
        }
        out += c;
    }
    return out;
}

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\t') {
            out += "\\t";
        } else {
            out += c < 0x80 ? static_cast<char>(c) : '?';
        }
    }
    return out;
}

struct Agreement {
    int points = 0;
    int exact = 0;
    int afterCollapsing = 0;
    int bulletsAside = 0;
    int bulletsAsideCollapsed = 0;

    void add(const std::u16string& shown, const std::u16string& expected, bool print) {
        ++points;
        const std::u16string ours = lines(shown);
        if (ours == expected) {
            ++exact;
        } else if (print && withoutMarkers(ours) != expected) {
            std::printf("  ours: %s\n  page: %s\n", narrow(ours.substr(0, 160)).c_str(),
                        narrow(expected.substr(0, 160)).c_str());
        }
        afterCollapsing += collapsed(ours) == collapsed(expected);
        bulletsAside += withoutMarkers(ours) == expected;
        bulletsAsideCollapsed += collapsed(withoutMarkers(ours)) == collapsed(expected);
    }
    double share(int Agreement::*count) const { return points ? double(this->*count) / points : 0; }
    void report(const char* what) const {
        std::printf(
            "MEASURE: %s: %d points, %d exact (%.0f %%), %d after collapsing (%.0f %%); "
            "list bullets aside %.0f %% and %.0f %%\n",
            what, points, exact, 100.0 * exact / points, afterCollapsing,
            100.0 * afterCollapsing / points, 100.0 * bulletsAside / points,
            100.0 * bulletsAsideCollapsed / points);
    }
};

struct Capture {
    explicit Capture(testacc::RecordedTree& recorded) {
        window = windows.add(
            {.className = u"Chrome_RenderWidgetHostHWND", .origin = {0, 0}, .size = {1000, 700}});
        windows[window].accessible =
            acc::makeDocument({recorded.tree.object(recorded.tree.root()), {}, u"page", {}});
        engine.setAnyWindow(true);
    }
    testpage::FakeWindowSystem windows;
    WindowHandle window = 0;
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
};

const testacc::Node* nodeOf(const dom::ElementPtr& element) {
    return element ? static_cast<const testacc::Node*>(element->identity().object) : nullptr;
}

struct AccessibleAgreement {
    Agreement dragging;
    Agreement enlarged;
    Agreement filtered;
};

AccessibleAgreement measureAccessible(bool ia2, bool print) {
    Agreement dragging;
    Agreement enlarged;
    Agreement filtered;
    for (const char* page : kPages) {
        const auto recorded = testacc::loadRecordedTree(load(page, "acc"), {.ia2 = ia2});
        if (!recorded) {
            ADD_FAILURE() << page;
            return {};
        }
        Capture capture(*recorded);
        capture.engine.setTidyText(true);
        std::set<const testacc::Node*> seen;
        std::set<const testacc::Node*> seenUp;
        for (int y = 5; y < 700; y += 23) {
            for (int x = 5; x < 1000; x += 37) {
                capture.engine.captureAtPoint({x, y});
                const testacc::Node* node = nodeOf(capture.state.baseElement);
                if (!node || !seen.insert(node).second) {
                    continue;
                }
                if (const auto text = recorded->innerText(node); text && text->size() < 3000) {
                    dragging.add(capture.state.text, *text, print);
                    std::u16string tidy;
                    capture.engine.filteredText(*capture.state.baseElement, tidy);
                    filtered.add(tidy, *text, print);
                }
                for (int up = 1; up <= 2; ++up) {
                    capture.engine.enlarge();
                    const testacc::Node* above = nodeOf(capture.engine.ancestorAt(up));
                    if (!above || !seenUp.insert(above).second) {
                        continue;
                    }
                    if (const auto text = recorded->innerText(above); text && text->size() < 3000) {
                        capture.engine.completeView();
                        enlarged.add(capture.state.text, *text, print);
                    }
                }
            }
        }
    }
    dragging.report(ia2 ? "accessible text while dragging, IAccessible2"
                        : "accessible text while dragging, MSAA only");
    enlarged.report(ia2 ? "accessible text after \"+\", IAccessible2"
                        : "accessible text after \"+\", MSAA only");
    filtered.report(ia2 ? "accessible filtered text, tidy, IAccessible2"
                        : "accessible filtered text, tidy, MSAA only");
    return {dragging, enlarged, filtered};
}

// The list bullets a page shows are kept on their items' lines, which the
// browser's innerText leaves out; set aside, the texts agree but for a few
// points (a form field's value, a bullet alone on the line of a nested
// list's first item).
TEST(PageText, AccessibleTextReadsLikeThePage) {
    const bool print = std::getenv("TNK_PRINT_DIFFERENCES") != nullptr;
    for (const bool ia2 : {true, false}) {
        const AccessibleAgreement agreement = measureAccessible(ia2, print);
        EXPECT_GE(agreement.dragging.share(&Agreement::bulletsAside), 0.97) << ia2;
        EXPECT_GE(agreement.enlarged.share(&Agreement::bulletsAside), 0.95) << ia2;
        EXPECT_GE(agreement.dragging.share(&Agreement::bulletsAsideCollapsed), 0.98) << ia2;
        EXPECT_GE(agreement.enlarged.share(&Agreement::bulletsAsideCollapsed), 0.96) << ia2;
        EXPECT_GE(agreement.filtered.share(&Agreement::bulletsAside), 0.97) << ia2;
        EXPECT_GE(agreement.filtered.share(&Agreement::bulletsAsideCollapsed), 0.98) << ia2;
    }
}

// The filtered text of the element under each point and of the two above
// it, with "Tidy text" on, against the recorded innerText of each.
TEST(PageText, TidyFilteredTextReadsLikeThePage) {
    const bool print = std::getenv("TNK_PRINT_DIFFERENCES") != nullptr;
    Agreement filtered;
    for (const char* page : kPages) {
        auto recorded = testpage::loadRecordedPage(load(page, "dom"));
        ASSERT_TRUE(recorded);
        testpage::FakeWindowSystem windows;
        windows.add({.className = u"Internet Explorer_Server",
                     .size = {1000, 700},
                     .document = recorded->document()});
        CaptureState state;
        testpage::FakeCaptureHost host{state, windows};
        CaptureEngine engine{state, windows, host};
        engine.setTidyText(true);
        std::unordered_set<dom::Identity, dom::IdentityHash> seen;
        for (int y = 5; y < 700; y += 23) {
            for (int x = 5; x < 1000; x += 37) {
                engine.captureAtPoint({x, y});
                for (int up = 0; up <= 2; ++up) {
                    const dom::ElementPtr element = engine.ancestorAt(up);
                    if (!element || !seen.insert(element->identity()).second) {
                        continue;
                    }
                    const auto expected = element->innerText();
                    if (!expected || expected->size() >= 3000) {
                        continue;
                    }
                    std::u16string text;
                    engine.filteredText(*element, text);
                    filtered.add(text, *expected, print);
                }
            }
        }
    }
    filtered.report("filtered text of HTML pages, tidy");
    // What differs is where tidy text is tidier than innerText: no blank
    // line between paragraphs, no space at the edges of the text.
    EXPECT_GE(filtered.share(&Agreement::exact), 0.90);
    EXPECT_EQ(filtered.afterCollapsing, filtered.points);
}

}  // namespace
}  // namespace tnk
