// The capture engine over a program's accessible objects.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "accessible_rig.h"
#include "capture/filtered_text.h"
#include "dom_page.h"

namespace tnk {
namespace {

TEST(AccessiblePage, WithTheOptionOffTheWindowTextIsCaptured) {
    AccessibleRig rig;
    rig.engine.setAnyWindow(false);
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.text, u"Accessible page window");
    EXPECT_EQ(rig.state.html, u"");
    EXPECT_EQ(rig.windows[rig.window].accessibleRequests, 0);
    EXPECT_FALSE(rig.host.enlargeEnabled);
}

TEST(AccessiblePage, TurningTheOptionOnAsksTheWindowUnderTheCursorAgain) {
    AccessibleRig rig;
    rig.engine.setAnyWindow(false);
    rig.moveTo(20, 20);
    ASSERT_EQ(rig.state.text, u"Accessible page window");
    rig.engine.setAnyWindow(true);
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.text, u"Hello accessible");
    rig.engine.setAnyWindow(false);
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.text, u"Accessible page window");
    EXPECT_EQ(rig.windows[rig.window].accessibleRequests, 1);
}

TEST(AccessiblePage, TheObjectUnderTheCursorShowsItsTextAndMarkup) {
    AccessibleRig rig;
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.text, u"Hello accessible");
    EXPECT_EQ(rig.state.html, u"<h1 id=\"top\">Hello accessible</h1>");
    EXPECT_TRUE(rig.host.enlargeEnabled);
    EXPECT_FALSE(rig.host.shrinkEnabled);
    EXPECT_EQ(rig.windows[rig.window].accessibleRequests, 1);

    // The deepest object holding the text under the point; the same object
    // again changes nothing.
    rig.moveTo(70, 55);
    EXPECT_EQ(rig.state.text, u"bold link");
    EXPECT_EQ(rig.state.html, u"<a>bold link</a>");
    const int shows = rig.host.showCount;
    rig.moveTo(72, 56);
    EXPECT_EQ(rig.host.showCount, shows);

    // Editable text gives its value, a simple child its name.
    rig.moveTo(20, 250);
    EXPECT_EQ(rig.state.text, u"typed value");
    EXPECT_EQ(rig.state.html, u"<input>typed value</input>");
    rig.moveTo(300, 280);
    EXPECT_EQ(rig.state.text, u"Item two");
    EXPECT_EQ(rig.state.html, u"<listitem>Item two</listitem>");
    rig.moveTo(300, 250);
    EXPECT_EQ(rig.state.text, u"Item one");

    // Outside every object: nothing new, "+" off.
    rig.windows[rig.window].size = {500, 400};
    rig.moveTo(450, 350);
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_EQ(rig.state.text, u"Item one");
}

TEST(AccessiblePage, PlusWalksUpToTheClientObjectAndMinusBack) {
    AccessibleRig rig;
    rig.moveTo(70, 55);
    ASSERT_EQ(rig.state.text, u"bold link");
    rig.engine.enlarge();
    EXPECT_EQ(rig.state.text, u"First bold link words");
    EXPECT_EQ(rig.state.html, u"<p class=\"lead\">First <a>bold link</a> words</p>");
    rig.engine.enlarge();
    EXPECT_EQ(rig.state.text,
              u"Hello accessible\r\nFirst bold link words\r\nVisible tinyghosttext\r\n"
              u"Cell one\tCell two\r\ntyped value\r\nItem one\r\nItem two");
    rig.engine.enlarge();  // the client object, the top
    EXPECT_EQ(rig.state.level, 3);
    EXPECT_TRUE(rig.host.enlargeEnabled);
    rig.engine.enlarge();  // nothing above it
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_EQ(rig.state.level, 3);

    for (int i = 0; i < 3; ++i) {
        rig.engine.shrink();
    }
    EXPECT_EQ(rig.state.text, u"bold link");
    EXPECT_FALSE(rig.host.shrinkEnabled);
    EXPECT_TRUE(rig.host.enlargeEnabled);
}

TEST(AccessiblePage, TheWalkUpStopsAtTheClientEvenWhenItHasAParent) {
    // On Windows the client object's parent is the window's own object.
    AccessibleRig rig;
    testacc::Node window;
    window.facts.role = testacc::roleNumber(9);
    rig.tree.root()->parent = &window;
    rig.moveTo(20, 20);
    for (int i = 0; i < 5; ++i) {
        rig.engine.enlarge();
    }
    EXPECT_EQ(rig.state.level, 2);
    EXPECT_FALSE(rig.host.enlargeEnabled);
}

TEST(AccessiblePage, TheFilteredWalkDropsWhatTheProgramMarksHidden) {
    AccessibleRig rig;
    rig.moveTo(20, 110);
    ASSERT_EQ(rig.state.text, u"Visible tinyghosttext");
    std::u16string filtered;
    rig.engine.filteredText(*rig.state.baseElement, filtered);
    EXPECT_EQ(filtered, u"Visible text");

    // The whole document, by the walk's own rules: a line break before each
    // block (a table is none), hidden parts gone.
    filtered.clear();
    rig.engine.filteredText(*rig.engine.ancestorAt(1), filtered);
    EXPECT_EQ(filtered,
              u"Hello accessible\r\nFirst bold link words\r\nVisible textCell oneCell two"
              u"typed value\r\n\r\nItem one\r\nItem two");
    // Tidy: a line per block and row, the cells apart.
    filtered.clear();
    rig.engine.setTidyText(true);
    rig.engine.filteredText(*rig.engine.ancestorAt(1), filtered);
    EXPECT_EQ(filtered,
              u"Hello accessible\r\nFirst bold link words\r\nVisible text\r\n"
              u"Cell one\tCell two\r\ntyped value\r\nItem one\r\nItem two");
}

TEST(AccessiblePage, ContainersNeverHideLightTextRuns) {
    // Containers offer no background: a run's transparent background shows
    // an unknown one, and light text on it stays.
    AccessibleRig rig;
    rig.tiny->facts.textAttributes = u"color:#ffffff;";
    rig.ghost->facts.textAttributes = u"color:rgb(255, 255, 255);background-color:transparent;";
    rig.moveTo(20, 110);
    std::u16string filtered;
    rig.engine.filteredText(*rig.state.baseElement, filtered);
    EXPECT_EQ(filtered, u"Visible tinyghosttext");
    // The run alone, its background looked for above it.
    auto run = rig.state.baseElement->asNode()->firstChild();
    for (int i = 0; i < 3; ++i) {
        run = run->nextSibling();
    }
    filtered.clear();
    rig.engine.appendNodeText(*run, filtered);
    EXPECT_EQ(filtered, u"ghost");
}

TEST(AccessiblePage, WithoutIAccessible2TheFilterKeepsWhatItCannotJudge) {
    AccessibleRig rig(false);
    rig.moveTo(20, 110);
    std::u16string filtered;
    rig.engine.filteredText(*rig.state.baseElement, filtered);
    // Only the invisible state is known: size and colours are not.
    EXPECT_EQ(filtered, u"Visible tinyghosttext");
    // Tags come from the roles.
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.html, u"<heading>Hello accessible</heading>");
    rig.moveTo(20, 180);
    rig.engine.enlarge();
    EXPECT_EQ(rig.state.html, u"<row><cell>Cell one</cell><cell>Cell two</cell></row>");
    EXPECT_EQ(rig.state.text, u"Cell one\tCell two");
}

// What the engine shows of every element of the article, from the point
// under each and every "+" up to the client object; and the filtered texts.
std::vector<std::u16string> everyText(AccessibleRig& rig) {
    std::vector<std::u16string> texts;
    const dom::Point points[] = {{20, 20},  {70, 55},  {20, 60},   {20, 110},
                                 {20, 180}, {20, 250}, {300, 250}, {300, 280}};
    for (const dom::Point p : points) {
        rig.moveTo(p.x, p.y);
        texts.push_back(rig.state.text);
        std::u16string filtered;
        rig.engine.filteredText(*rig.state.baseElement, filtered);
        texts.push_back(filtered);
        for (int i = 0; i < 4 && rig.host.enlargeEnabled; ++i) {
            rig.engine.enlarge();
            texts.push_back(rig.state.text);
        }
    }
    return texts;
}

// A program that offers IAccessible2 hypertext is read through it: a few
// calls for a paragraph instead of a round per run of text, and the same
// texts as through its children.
TEST(AccessiblePage, HypertextGivesTheTextsTheChildrenGiveInFewerCalls) {
    AccessibleRig byChildren;
    AccessibleRig byHypertext;
    byHypertext.tree.hypertext = true;
    EXPECT_EQ(everyText(byHypertext), everyText(byChildren));

    // The whole page, asked afresh each way.
    int calls[2] = {};
    for (AccessibleRig* rig : {&byChildren, &byHypertext}) {
        const dom::DocumentPtr page = acc::makeDocument(rig->source());
        const int before = rig->tree.calls.total();
        EXPECT_EQ(page->documentElement()->innerText(), byChildren.state.text);
        calls[rig == &byHypertext] = rig->tree.calls.total() - before;
    }
    EXPECT_LT(calls[1], calls[0] * 3 / 4);
}

// Within one capture nothing is asked of an object twice; a new capture
// asks again, as the page may have changed.
TEST(AccessiblePage, ACaptureAsksEachObjectOnceAndTheNextAsksAgain) {
    AccessibleRig rig;
    rig.moveTo(70, 55);
    rig.engine.enlarge();
    rig.engine.enlarge();
    // The filter's text attributes and the source's name and address are
    // the only new questions below.
    const auto others = [](const testacc::Calls& c) {
        return c.total() - c.textAttributes - c.name - c.value;
    };
    const int first = others(rig.tree.calls);
    rig.engine.shrink();
    rig.engine.enlarge();
    std::u16string filtered;
    rig.engine.filteredText(*rig.engine.ancestorAt(2), filtered);
    const int textAttributes = rig.tree.calls.textAttributes;
    filtered.clear();
    rig.engine.filteredText(*rig.engine.ancestorAt(2), filtered);
    rig.engine.recordSource();
    rig.engine.recordSource();
    EXPECT_EQ(others(rig.tree.calls), first);
    EXPECT_EQ(rig.tree.calls.textAttributes, textAttributes);

    rig.engine.beginCapture();
    const int before = rig.tree.calls.total();
    rig.moveTo(20, 20);
    EXPECT_GT(rig.tree.calls.total(), before);
}

// Lines as the page shows them: a list's bullets on their items' lines, a
// column beside another or after a link on lines of its own, images
// without text. With
// IAccessible2 the display attributes tell; where an object has none (a
// bullet) or the program offers none, the boxes do.
TEST(AccessiblePage, BulletsStayOnTheirItemsLinesAndImagesGiveNoText) {
    for (const bool ia2 : {true, false}) {
        testacc::Tree tree;
        const auto add = [&](testacc::Node* parent, std::int32_t role, testacc::Box box,
                             const char16_t* attributes,
                             std::optional<std::u16string> name = std::nullopt) {
            testacc::Facts facts;
            facts.role = testacc::roleNumber(role);
            facts.box = box;
            facts.name = std::move(name);
            if (ia2 && attributes) {
                facts.objectAttributes = attributes;
            }
            return tree.add(parent, std::move(facts));
        };
        testacc::Node* document =
            add(nullptr, acc::role::document, {0, 0, 400, 300}, u"tag:#document;display:block;");
        // A link placed far above, as "skip to content" links are: the
        // column after it, though level with the document, starts a line.
        testacc::Node* skip = add(document, 30, {0, -100, 60, -80}, u"tag:a;display:inline;");
        add(skip, acc::role::staticText, {0, -100, 60, -80}, nullptr, u"Skip");
        testacc::Node* column =
            add(document, acc::role::grouping, {0, 0, 190, 300}, u"tag:div;display:block;");
        testacc::Node* list =
            add(column, acc::role::list, {0, 0, 190, 40}, u"tag:ul;display:block;");
        for (int i = 0; i < 2; ++i) {
            const std::int32_t top = 20 * i;
            testacc::Node* item = add(list, acc::role::listItem, {20, top, 190, top + 20},
                                      u"tag:li;display:list-item;");
            testacc::Node* bullet =
                add(item, acc::role::grouping, {8, top + 1, 16, top + 19}, nullptr);
            add(bullet, acc::role::staticText, {8, top + 1, 16, top + 19}, nullptr, u"\u2022 ");
            add(item, acc::role::staticText, {20, top + 1, 80, top + 19}, nullptr,
                i == 0 ? u"Overview" : u"Building");
        }
        add(column, acc::role::staticText, {0, 50, 60, 70}, nullptr, u"After");
        testacc::Node* aside =
            add(document, acc::role::grouping, {200, 0, 400, 300}, u"tag:aside;display:block;");
        add(aside, 40, {200, 0, 240, 40}, u"tag:img;display:inline;", u"logo");
        add(aside, acc::role::staticText, {240, 0, 300, 20}, nullptr, u"Beside");

        const dom::DocumentPtr page = acc::makeDocument({tree.object(tree.root()), {}, u"p", {}});
        const dom::ElementPtr root = page->documentElement();
        const std::u16string lines =
            u"Skip\r\n\u2022 Overview\r\n\u2022 Building\r\nAfter\r\nBeside";
        EXPECT_EQ(root->innerText(), lines) << ia2;
        // The filter's walk, after the rendering, lays the objects out
        // alike in tidy text.
        std::u16string filtered;
        FilteredWalk().element(*root, filtered, true);
        EXPECT_EQ(filtered, lines) << ia2;
        EXPECT_NE(root->outerHtml()->find(u"alt=\"logo\""), std::u16string::npos) << ia2;
    }
}

// A table told by roles alone: tidy text gives each row a line and keeps
// the columns of empty cells, as with the page's own tags.
TEST(AccessiblePage, ATableOfRolesKeepsItsColumnsInTidyText) {
    testacc::Tree tree;
    const auto add = [&](testacc::Node* parent, std::int32_t role,
                         std::optional<std::u16string> name = std::nullopt) {
        testacc::Facts facts;
        facts.role = testacc::roleNumber(role);
        facts.box = {0, 0, 100, 20};
        facts.name = std::move(name);
        return tree.add(parent, std::move(facts));
    };
    testacc::Node* table = add(add(nullptr, acc::role::document), acc::role::table);
    for (const auto& cells : {std::vector<const char16_t*>{u"a", nullptr, u"b"},
                              std::vector<const char16_t*>{u"c", nullptr}}) {
        testacc::Node* row = add(table, acc::role::row);
        for (const char16_t* cell : cells) {
            testacc::Node* at = add(row, acc::role::cell);
            if (cell) {
                add(at, acc::role::staticText, cell);
            }
        }
    }
    const dom::DocumentPtr page = acc::makeDocument({tree.object(tree.root()), {}, u"p", {}});
    std::u16string filtered;
    FilteredWalk().element(*page->documentElement(), filtered, true);
    EXPECT_EQ(filtered, u"a\t\tb\r\nc\t");
}

TEST(AccessiblePage, TheSourceIsTheNearestDocumentOrTheWindowText) {
    AccessibleRig rig;
    rig.moveTo(70, 55);
    rig.engine.recordSource();
    EXPECT_EQ(rig.state.sourceTitle, u"Accessible article");
    EXPECT_EQ(rig.state.sourceUrl, u"http://acc.tarnwick.test/article.html");

    // A value that is no address is not taken for one; a nameless document
    // leaves the window text as the title.
    rig.document->facts.value = u"some value";
    rig.document->facts.name = u"";
    rig.moveTo(20, 20);
    rig.engine.recordSource();
    EXPECT_EQ(rig.state.sourceTitle, u"Accessible page window");
    EXPECT_EQ(rig.state.sourceUrl, u"");

    // No document above the object at all.
    rig.document->facts.role = testacc::roleNumber(acc::role::grouping);
    rig.moveTo(20, 110);
    rig.engine.recordSource();
    EXPECT_EQ(rig.state.sourceTitle, u"Accessible page window");
    EXPECT_EQ(rig.state.sourceUrl, u"");
}

TEST(AccessiblePage, AWindowWithoutObjectsOrAPageDocumentKeepsItsOwnWays) {
    AccessibleRig rig;
    // A page document still comes first.
    auto page = testpage::Page::parse("<div id=d box='0,0,400,300'>html text</div>");
    rig.windows[rig.window].document = page.document();
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.text, u"html text");
    EXPECT_EQ(rig.windows[rig.window].accessibleRequests, 0);

    // A plain control answers with no object: its text, as before.
    const WindowHandle edit = rig.windows.add(
        {.className = u"Edit", .origin = {600, 0}, .size = {100, 30}, .text = u"edit text"});
    rig.engine.captureAtPoint({610, 10});
    EXPECT_EQ(rig.state.text, u"edit text");
    EXPECT_EQ(rig.windows[edit].accessibleRequests, 1);
    rig.engine.captureAtPoint({620, 12});
    EXPECT_EQ(rig.windows[edit].accessibleRequests, 1) << "asked once while over it";

    // The host's own windows are never asked.
    rig.host.self = edit;
    rig.engine.captureAtPoint({100, 130});
    rig.engine.captureAtPoint({610, 10});
    EXPECT_EQ(rig.windows[edit].accessibleRequests, 1);
}

// A program busy when the cursor came is asked again once it answers, not
// before: a hung one costs a ping per move, never the request's time-out.
TEST(AccessiblePage, AProgramThatWasBusyIsAskedAgainOnceItAnswers) {
    AccessibleRig rig;
    testpage::FakeWindow& window = rig.windows[rig.window];
    window.hung = true;
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.html, u"");
    rig.moveTo(22, 21);
    EXPECT_EQ(window.documentRequests, 1);
    EXPECT_EQ(window.accessibleRequests, 1);

    window.hung = false;
    rig.moveTo(24, 22);
    EXPECT_EQ(rig.state.text, u"Hello accessible");
    EXPECT_TRUE(rig.host.enlargeEnabled);
    rig.moveTo(26, 23);
    EXPECT_EQ(window.documentRequests, 2);
    EXPECT_EQ(window.accessibleRequests, 2);
}

TEST(AccessiblePage, AnEmptyPageIsAskedForAgainUntilItsTreeArrives) {
    AccessibleRig rig;
    testacc::Tree empty;
    testacc::Facts facts;
    facts.role = testacc::roleNumber(acc::role::document);
    facts.box = {100, 130, 500, 430};
    empty.add(nullptr, facts);
    int asked = 0;
    bool built = false;
    acc::PageSource source = rig.source();
    source.client = empty.object(empty.root());
    source.reacquire = [&]() -> acc::ObjectPtr {
        ++asked;
        return built ? rig.tree.object(rig.tree.root()) : empty.object(empty.root());
    };
    rig.windows[rig.window].accessible = acc::makeDocument(source);
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.state.text, u"");
    rig.moveTo(21, 20);
    EXPECT_EQ(asked, 2);
    built = true;
    rig.moveTo(22, 20);
    EXPECT_EQ(rig.state.text, u"Hello accessible");
    rig.moveTo(23, 20);
    EXPECT_EQ(asked, 3) << "a page with objects is not asked again";
}

// A program whose objects never end: every object has a child and a parent
// that are new objects again (as a tree with a cycle looks from outside).
class EndlessObject final : public acc::Object {
  public:
    explicit EndlessObject(int depth) : depth_(depth) {}
    dom::Identity identity() const override { return {nullptr, depth_}; }
    std::optional<acc::Role> role() override { return testacc::roleNumber(acc::role::grouping); }
    std::optional<std::u16string> name() override { return u"x"; }
    std::optional<std::u16string> value() override { return std::nullopt; }
    std::uint32_t state() override { return 0; }
    acc::ObjectPtr parent() override { return std::make_shared<EndlessObject>(depth_ - 1); }
    std::vector<acc::ObjectPtr> children() override {
        return {std::make_shared<EndlessObject>(depth_ + 1)};
    }
    acc::Hit hitTest(dom::Point) override {
        return {acc::Hit::Kind::child, std::make_shared<EndlessObject>(depth_ + 1)};
    }
    std::optional<std::u16string> objectAttributes() override { return std::nullopt; }
    std::optional<std::u16string> textAttributes() override { return std::nullopt; }

  private:
    int depth_;
};

TEST(AccessiblePage, AnEndlessTreeDoesNotHoldTheCapture) {
    testpage::FakeWindowSystem windows;
    const WindowHandle w = windows.add({.className = u"Endless", .size = {100, 100}});
    windows[w].accessible =
        acc::makeDocument({std::make_shared<EndlessObject>(0), {}, u"endless", {}});
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
    engine.setAnyWindow(true);
    engine.captureAtPoint({10, 10});
    EXPECT_TRUE(host.enlargeEnabled);
    EXPECT_FALSE(state.html.empty());
    engine.enlarge();
    engine.recordSource();
    EXPECT_EQ(state.sourceTitle, u"endless");
    // The walk ends at its depth bound: no object of this tree holds text.
    std::u16string filtered;
    engine.filteredText(*state.baseElement, filtered);
    EXPECT_EQ(filtered, u"");
}

}  // namespace
}  // namespace tnk
