// The in-memory page behaves as the engine's tests assume a browser does.

#include <gtest/gtest.h>

#include "dom_page.h"

namespace tnk::testpage {
namespace {

TEST(DomPage, MarkupBecomesATreeWithExactTextAndSerialisesBack) {
    const Page page = Page::parse(
        "<div id=a title='x > y' data-v=\"q&quot;\">t  1<br/>2 &lt;3<!--c--><img src=i>"
        "<span box='1,2,3,4'>s</div>");
    const auto a = page.find("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->parentElement()->tagName(), u"BODY");
    EXPECT_EQ(page.document()->root()->tagName(), u"HTML");
    EXPECT_EQ(*a->outerHtml(),
              u"<DIV id=\"a\" title=\"x &gt; y\" data-v=\"q&quot;\">t  1<BR>2 &lt;3<!--c-->"
              u"<IMG src=\"i\"><SPAN>s</SPAN></DIV>");
    EXPECT_EQ(*a->innerText(), u"t  1\r\n2 <3s");
    const auto first = a->asNode()->firstChild();
    EXPECT_EQ(first->nodeType(), 3);
    EXPECT_EQ(first->nodeName(), u"#text");
    EXPECT_EQ(*first->nodeValue(), u"t  1");
    // The node and element views of one element are one object.
    EXPECT_EQ(a->asNode()->identity(), static_cast<dom::Element*>(a.get())->identity());
    EXPECT_EQ(a->asNode()->asElement()->identity(), a->identity());
}

TEST(DomPage, StylesHaveBrowserDefaultsAndInherit) {
    const Page page = Page::parse(
        "<div id=d style='font-size:9px;color:red'><li id=l>x</li><span id=s>y</span></div>"
        "<table id=t><tbody id=b><tr id=r><td id=c style='display:block'>z</td></tr></tbody>"
        "</table>");
    auto style = [&page](const char* id) { return page.find(id)->computed(); };
    EXPECT_EQ(style("d").display, u"block");
    EXPECT_EQ(style("l").display, u"list-item");
    EXPECT_EQ(style("s").display, u"inline");
    EXPECT_EQ(style("s").fontSize, u"9px");
    EXPECT_EQ(style("s").color.text, u"red");
    EXPECT_EQ(style("s").backgroundColor.text, u"transparent");
    EXPECT_EQ(style("t").display, u"table");
    EXPECT_EQ(style("b").display, u"table-row-group");
    EXPECT_EQ(style("r").display, u"table-row");
    EXPECT_EQ(style("c").display, u"block");
    EXPECT_EQ(page.document()->root()->computed().fontSize, u"12pt");
    EXPECT_EQ(style("d").whiteSpace, u"normal");
}

TEST(DomPage, RecordedStylesAndTextAreLayoutNotMarkup) {
    const Page page = Page::parse(
        "<pre id=p style='white-space:pre'><b id=b>x</b></pre>"
        "<div id=r style='color:blue' computed='color:#ff0000; white-space:nowrap' "
        "innertext='shown\nas recorded'>hidden<br>text</div>");
    EXPECT_EQ(page.find("b")->computed().whiteSpace, u"pre");
    const auto recorded = page.find("r");
    EXPECT_EQ(recorded->computed().whiteSpace, u"nowrap");
    EXPECT_EQ(recorded->computed().color.text, u"#ff0000");
    EXPECT_EQ(*recorded->innerText(), u"shown\nas recorded");
    EXPECT_EQ(*recorded->outerHtml(), u"<DIV id=\"r\" style=\"color:blue\">hidden<BR>text</DIV>");
}

TEST(DomPage, HitTestingFollowsBoxesBordersAndScrolling) {
    const Page page = Page::parse(
        "<div id=outer box='10,10,200,200' border='5,5' scroll='0,20'>"
        "<p id=inner box='0,30,50,10'>p</p></div><div id=late box='150,150,100,100'>l</div>");
    // inner sits at 10 + 5 + 0 = 15 and 10 + 5 + 30 - 20 = 25.
    EXPECT_EQ(page.document()->elementFromPoint({15, 25})->identity(),
              page.find("inner")->identity());
    EXPECT_EQ(page.document()->elementFromPoint({15, 24})->identity(),
              page.find("outer")->identity());
    // Later siblings lie above earlier ones.
    EXPECT_EQ(page.document()->elementFromPoint({160, 160})->identity(),
              page.find("late")->identity());
    EXPECT_EQ(page.document()->elementFromPoint({700, 500})->tagName(), u"BODY");
    EXPECT_EQ(page.document()->elementFromPoint({800, 10}), nullptr);
    EXPECT_EQ(page.document()->elementFromPoint({-1, 10}), nullptr);
}

TEST(DomPage, AbsurdNumbersAreTakenAsAMillionPixels) {
    const Page page = Page::parse(
        "<div id=a box='-99999999999,0,4294967296000,12' scroll='0,77777777777'>a</div>");
    const Box box = page.find("a")->box();
    EXPECT_EQ(box.x, -(1 << 20));
    EXPECT_EQ(box.width, 1 << 20);
    EXPECT_EQ(box.height, 12);
    EXPECT_EQ(page.find("a")->scrollPosition().y, 1 << 20);
}

TEST(DomPage, FramesHaveTheirOwnDocumentsAndWindows) {
    const Page page =
        Page::parse("<iframe id=f src='http://f.test/' box='0,0,100,50'><p id=p>in</p></iframe>");
    const auto frame = page.find("f");
    const auto inner = page.find("p");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(*frame->outerHtml(), u"<IFRAME id=\"f\" src=\"http://f.test/\"></IFRAME>");
    const auto window = frame->contentWindow();
    EXPECT_EQ(window->document()->identity(), inner->document()->identity());
    EXPECT_EQ(*inner->document()->url(), u"http://f.test/");
    EXPECT_EQ(window->parent()->identity(), page.window()->identity());
    EXPECT_EQ(page.window()->parent()->identity(), page.window()->identity());
    EXPECT_EQ(inner->document()->scriptWindow()->identity(), window->identity());
    EXPECT_EQ(static_cast<PageDocument&>(*window->document()).viewport, (dom::Point{100, 50}));
    const auto frames = page.document()->elementsByTagName(u"IFRAME");
    ASSERT_EQ(frames->size(), 1u);
    EXPECT_EQ((*frames)[0]->identity(), frame->identity());
}

}  // namespace
}  // namespace tnk::testpage
