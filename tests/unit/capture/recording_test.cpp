// The recorded real pages (tests/data/recordings) load as the in-memory
// accessible tree and page, whole and as recorded.
#include <gtest/gtest.h>

#include <algorithm>

#include "accessible_recording.h"
#include "capture/accessible/accessible_document.h"
#include "capture/capture_engine.h"
#include "dom_recording.h"
#include "fake_windows.h"

namespace tnk {
namespace {

using testrec::Recording;

Recording load(const std::string& name, const char* type) {
    std::string error;
    auto recording = testrec::readRecording(
        testrec::dataPath(TNK_TEST_DATA_DIR) + "/recordings/" + name + "." + type, &error);
    EXPECT_TRUE(recording) << error;
    return recording ? std::move(*recording) : Recording{};
}

TEST(RecordingLines, FieldsAreUnescapedAndBrokenFilesAreRefused) {
    std::string error;
    const auto good = testrec::parseRecording(
        "tarnwick-recording 1 acc\r\npage\tname=p\tviewport=10,20\n"
        "o\t0\tname=a\\tb\\\\c\\nd=e\n\no\t1\tname=\xC3\xA9\xE2\x80\xA2\n",
        &error);
    ASSERT_TRUE(good) << error;
    EXPECT_EQ(good->viewport, (dom::Point{10, 20}));
    ASSERT_EQ(good->nodes.size(), 2u);
    EXPECT_EQ(good->nodes[0].text("name"), u"a\tb\\c\nd=e");
    EXPECT_EQ(good->nodes[1].text("name"), u"\u00E9\u2022");
    EXPECT_EQ(good->nodes[1].get("role"), nullptr);

    const std::pair<const char*, const char*> broken[] = {
        {"tarnwick-recording 2 acc\npage\n", "line 1: not a recording"},
        {"tarnwick-recording 1 acc\no\t0\n", "line 2: node before the page line"},
        {"tarnwick-recording 1 acc\npage\no\t0\no\t2\n", "line 4: bad depth"},
        {"tarnwick-recording 1 acc\npage\no\t1\n", "line 3: bad depth"},
        {"tarnwick-recording 1 acc\npage\no\tx\n", "line 3: bad depth"},
        {"tarnwick-recording 1 acc\npage\no\t0\tname=a\\x\n", "line 3: bad field"},
        {"tarnwick-recording 1 acc\npage\no\t0\tname=a\\\n", "line 3: bad field"},
        {"tarnwick-recording 1 acc\npage\no\t0\tnovalue\n", "line 3: bad field"},
        {"tarnwick-recording 1 acc\n", "line 2: no page line"},
    };
    for (const auto& [text, why] : broken) {
        EXPECT_FALSE(testrec::parseRecording(text, &error)) << text;
        EXPECT_EQ(error, why) << text;
    }
    EXPECT_FALSE(testrec::readRecording("/no/such/recording.acc", &error));
}

struct PageFacts {
    const char* name;
    std::size_t objects;
    std::size_t elements;
    std::size_t texts;
    const char16_t* title;
};

class RecordedPage : public testing::TestWithParam<PageFacts> {};

TEST_P(RecordedPage, LoadsWhole) {
    const PageFacts& facts = GetParam();
    const Recording acc = load(facts.name, "acc");
    const Recording dom = load(facts.name, "dom");
    EXPECT_EQ(acc.title, facts.title);
    EXPECT_EQ(acc.viewport, (dom::Point{1000, 700}));

    std::string error;
    const auto tree = testacc::loadRecordedTree(acc, {.origin = {100, 130}}, &error);
    ASSERT_NE(tree, nullptr) << error;
    EXPECT_EQ(tree->nodes.size(), facts.objects);
    const testacc::Facts& document = tree->tree.root()->facts;
    EXPECT_EQ(document.role.number, acc::role::document);
    EXPECT_EQ(document.name, facts.title);
    EXPECT_EQ(document.value, acc.url);
    EXPECT_EQ(document.box.left, 100);
    EXPECT_EQ(document.box.bottom, 830);
    EXPECT_EQ(*document.objectAttributes, u"tag:#document;display:block;");
    std::size_t texts = 0;
    for (const testacc::Node* node : tree->nodes) {
        if (node->facts.role.number == acc::role::staticText) {
            ++texts;
            EXPECT_TRUE(node->facts.textAttributes && tree->background(node));
        }
    }
    EXPECT_GT(texts, facts.objects / 5);

    const auto plain = testacc::loadRecordedTree(acc, {.ia2 = false});
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->nodes.size(), facts.objects);
    for (const testacc::Node* node : plain->nodes) {
        EXPECT_FALSE(node->facts.objectAttributes || node->facts.textAttributes);
    }

    const auto page = testpage::loadRecordedPage(dom, &error);
    ASSERT_TRUE(page) << error;
    EXPECT_EQ(*page->document()->title(), facts.title);
    EXPECT_EQ(page->document()->viewport, (dom::Point{1000, 700}));
    std::size_t elements = 0;
    std::size_t textNodes = 0;
    std::vector<testpage::PageNode*> work{page->document()->root().get()};
    while (!work.empty()) {
        testpage::PageNode* node = work.back();
        work.pop_back();
        elements += node->nodeType() == 1;
        textNodes += node->nodeType() == 3;
        for (const auto& child : node->children()) {
            work.push_back(child.get());
        }
    }
    EXPECT_EQ(elements, facts.elements);
    EXPECT_EQ(textNodes, facts.texts);
    // The page's text is the browser's, not one the in-memory page makes up.
    EXPECT_EQ(page->document()->root()->innerText(), dom.nodes[0].text("innertext"));
    // An object standing for an element has that element's innerText.
    std::size_t withText = 0;
    for (std::size_t i = 0; i < acc.nodes.size(); ++i) {
        const auto index = testrec::numbersOf(acc.nodes[i].text("dom"));
        if (const auto text = tree->innerText(tree->nodes[i]); text && index) {
            ++withText;
            ASSERT_LT(static_cast<std::size_t>((*index)[0]), dom.nodes.size());
            EXPECT_EQ(*text, dom.nodes[(*index)[0]].text("innertext"));
        }
    }
    EXPECT_GT(withText, facts.objects / 5);
}

TEST(RecordedPage, KeepsLayoutStylesAndListMarkers) {
    const auto quickStart = testpage::loadRecordedPage(load("valgrind-quickstart", "dom"));
    ASSERT_TRUE(quickStart);
    // Boxes within their parents add up to where the browser drew them.
    const auto heading = quickStart->document()->elementFromPoint({500, 70});
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->tagName(), u"H1");
    EXPECT_EQ(heading->innerText(), u"The Valgrind Quick Start Guide");
    EXPECT_EQ(*heading->outerHtml(),
              u"<H1 class=\"title\">\n<A name=\"QuickStart\"></A>The Valgrind Quick Start "
              u"Guide</H1>");
    EXPECT_EQ(quickStart->document()->elementFromPoint({990, 690})->tagName(), u"BODY");
    EXPECT_EQ(quickStart->document()->elementFromPoint({995, 695})->tagName(), u"HTML");
    EXPECT_EQ(quickStart->document()->elementFromPoint({1000, 10}), nullptr);

    const auto os = testpage::loadRecordedPage(load("node-os", "dom"));
    ASSERT_TRUE(os);
    const auto pres = os->document()->elementsByTagName(u"PRE");
    ASSERT_GE(pres->size(), 2u);
    auto& pre = static_cast<testpage::PageElement&>(*(*pres)[0]);
    EXPECT_EQ(pre.computed().whiteSpace, u"pre");
    EXPECT_EQ(pre.computed().backgroundColor.text, u"#f2f2f2");
    EXPECT_EQ(pre.computed().fontSize, u"14.4px");
    auto* code = static_cast<testpage::PageElement*>(pre.children()[0].get());
    EXPECT_EQ(code->computed().whiteSpace, u"pre");
    EXPECT_EQ(os->find("apicontent")->computed().whiteSpace, u"normal");

    // A list's bullet: a grouping without a name holding the bullet's text.
    const auto tree = testacc::loadRecordedTree(load("node-os", "acc"));
    ASSERT_NE(tree, nullptr);
    std::size_t markers = 0;
    for (const testacc::Node* node : tree->nodes) {
        if (node->facts.role.number == acc::role::listItem && !node->children.empty() &&
            node->children[0]->facts.role.number == acc::role::grouping &&
            !node->children[0]->facts.name) {
            ++markers;
            const testacc::Node& text = *node->children[0]->children.at(0);
            EXPECT_EQ(text.facts.role.number, acc::role::staticText);
            ASSERT_TRUE(text.facts.name);
            EXPECT_TRUE(*text.facts.name == u"\u25A0 " || *text.facts.name == u"\u2022 " ||
                        *text.facts.name == u"\u25E6 ");
            EXPECT_EQ(text.facts.box.left, node->children[0]->facts.box.left);
        }
    }
    EXPECT_EQ(markers, 78u);
}

TEST(RecordedPage, TheEngineCapturesFromTheRecordedTree) {
    const Recording acc = load("valgrind-quickstart", "acc");
    const auto tree = testacc::loadRecordedTree(acc, {.origin = {100, 130}});
    ASSERT_NE(tree, nullptr);
    testpage::FakeWindowSystem windows;
    const WindowHandle window = windows.add({.className = u"Chrome_RenderWidgetHostHWND",
                                             .origin = {100, 130},
                                             .size = {1000, 700},
                                             .text = u"Chrome Legacy Window"});
    windows[window].accessible = acc::makeDocument({tree->tree.object(tree->tree.root()),
                                                    [](dom::Point p) {
                                                        return dom::Point{p.x + 100, p.y + 130};
                                                    },
                                                    u"Chrome Legacy Window",
                                                    {}});
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
    engine.setAnyWindow(true);
    engine.captureAtPoint({100 + 200, 130 + 70});
    EXPECT_EQ(state.text, u"The Valgrind Quick Start Guide");
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RecordedPage,
    testing::Values(
        PageFacts{"node-os", 2811, 2132, 2908, u"OS | Node.js v20.20.2 Documentation"},
        PageFacts{"node-index", 342, 366, 404, u"Index | Node.js v20.20.2 Documentation"},
        PageFacts{"expat-reference", 2681, 1206, 2020, u"Expat XML Parser"},
        PageFacts{"valgrind-faq", 894, 599, 804, u"Valgrind Frequently Asked Questions"},
        PageFacts{"valgrind-quickstart", 76, 86, 80, u"The Valgrind Quick Start Guide"},
        PageFacts{"libxslt-templates", 821, 638, 368, u"Module templates from libxslt"}),
    [](const testing::TestParamInfo<PageFacts>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

}  // namespace
}  // namespace tnk
