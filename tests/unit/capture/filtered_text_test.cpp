#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dom_page.h"
#include "test_rig.h"

namespace tnk {
namespace {

using testpage::Page;
using testpage::utf16;

// The filtered text of the element with id "e".
std::u16string filtered(std::string_view markup, std::u16string text = {}) {
    Rig rig(markup);
    rig.engine.filteredText(*rig.el("e"), text);
    return text;
}

TEST(FilteredText, BlockElementsStartLinesButNeverTheFirst) {
    EXPECT_EQ(filtered("<div id=e><p>a</p><div>b</div></div>"), u"a\r\nb");
    EXPECT_EQ(filtered("<div id=e><div>a</div>b</div>"), u"ab");
    // A list and its first item each start a line.
    EXPECT_EQ(filtered("<div id=e>x<ul><li>a</li><li>b</li></ul></div>"), u"x\r\n\r\na\r\nb");
    // The break comes before the content, never after it.
    EXPECT_EQ(filtered("<span id=e><div>a</div>b</span>"), u"ab");
    // Text already there counts.
    EXPECT_EQ(filtered("<div id=e>a</div>", u"pre"), u"pre\r\na");
}

TEST(FilteredText, LineBreakElements) {
    EXPECT_EQ(filtered("<div id=e>one<br>two</div>"), u"one\r\ntwo");
    EXPECT_EQ(filtered("<div id=e><br>two</div>"), u"\r\ntwo");
    EXPECT_EQ(filtered("<div id=e>a<br/><br>b</div>"), u"a\r\n\r\nb");
}

TEST(FilteredText, TableDisplaysAddBreaksOnlyForHeaderAndFooterGroups) {
    EXPECT_EQ(filtered("<table id=e><tbody><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr>"
                       "</tbody></table>"),
              u"abc");
    EXPECT_EQ(filtered("<table id=e><tbody><tr><td>a</td></tr><tr><td><div>c</div></td></tr>"
                       "</tbody></table>"),
              u"a\r\nc");
    EXPECT_EQ(filtered("<table id=e><thead><tr><td>h</td></tr></thead><tbody><tr><td>x</td>"
                       "</tr></tbody><tfoot><tr><td>f</td></tr></tfoot></table>"),
              u"hx\r\nf");
}

TEST(FilteredText, HiddenPartsAreDropped) {
    // display none: neither text nor line break.
    EXPECT_EQ(filtered("<div id=e>a<div style='display:none'>h<br></div>b</div>"), u"ab");
    // A zero font size keeps only the block's own line break.
    EXPECT_EQ(filtered("<div id=e>a<div style='font-size:0px'>x</div>"
                       "<span style='font-size:0.8em'>y</span>b</div>"),
              u"a\r\nb");
    EXPECT_EQ(filtered("<div id=e style='font-size:0pt'>x</div>"), u"");
    // Children inherit the size as written.
    EXPECT_EQ(filtered("<div id=e>a<span style='font-size:0.5em'><b>x</b></span></div>"), u"a");
    EXPECT_EQ(filtered("<div id=e>a<span style='font-size:10px'>x</span></div>"), u"ax");
}

TEST(FilteredText, TextInItsBackgroundColourIsDropped) {
    EXPECT_EQ(filtered("<div id=e>a"
                       "<span style='color:#FFFFFF;background-color:white'>1</span>"
                       "<span style='color:red;background-color:#ff0000'>2</span>"
                       "<span style='color:#f00;background-color:#ff0000'>3</span>"
                       "<span style='color:white'>4</span>"
                       "<span style='color:#000000'>k</span>"
                       "<span style='color:RED;background-color:blue'>r</span></div>"),
              u"akr");
    // A block skipped for its colour still leaves its line break.
    EXPECT_EQ(filtered("<div id=e>a<p style='color:navy;background-color:#000080'>x</p>b</div>"),
              u"a\r\nb");
}

TEST(FilteredText, SourceTextPassesUnchanged) {
    EXPECT_EQ(filtered("<div id=e>  a \n\t b\r\n  <span>c  d</span></div>"),
              u"  a \n\t b\r\n  c  d");
    EXPECT_EQ(filtered("<div id=e>x &amp; y</div>"), u"x & y");
}

TEST(FilteredText, NodesWithoutChildrenOrInterfacesContributeNothing) {
    EXPECT_EQ(filtered("<div id=e>a<!--note--><img src=x><span></span><input>b</div>"), u"ab");
    // No style: nothing at all, not even the line break.
    EXPECT_EQ(filtered("<div id=e>a<div no=style>x</div>b</div>"), u"ab");
    // No node interface: the line break, then nothing.
    EXPECT_EQ(filtered("<div id=e>a<div no=node>x</div>b</div>"), u"a\r\nb");
    // Text that cannot be read is skipped, the walk goes on.
    EXPECT_EQ(filtered("<div id=e>a<span no=value>x<b>y</b>z</span>b</div>"), u"ayb");
}

TEST(FilteredText, AppendNodeTextHandlesOneNode) {
    Rig rig("<div id=e>t<br><b>x<i>y</i></b></div>");
    const auto node = rig.el("e")->firstChild();
    std::u16string text;
    rig.engine.appendNodeText(*node, text);
    EXPECT_EQ(text, u"t");
    const auto br = node->nextSibling();
    rig.engine.appendNodeText(*br, text);
    rig.engine.appendNodeText(*br->nextSibling(), text);
    EXPECT_EQ(text, u"t\r\nxy");
}

// The walk as documented, recursively, to compare the engine's loop with.
void reference(dom::Element& element, std::u16string& text);
void referenceNode(dom::Node& node, std::u16string& text) {
    if (node.nodeType() == 3) {
        if (auto v = node.nodeValue()) {
            text += *v;
        }
    } else if (node.nodeName() == u"BR") {
        text += u"\r\n";
    } else if (node.hasChildNodes()) {
        if (auto e = node.asElement()) {
            reference(*e, text);
        }
    }
}
void reference(dom::Element& element, std::u16string& text) {
    auto style = element.currentStyle();
    if (!style) {
        return;
    }
    const std::u16string display = style->display();
    if (display == u"none") {
        return;
    }
    if ((display == u"block" || display == u"list-item" || display == u"table-header-group" ||
         display == u"table-footer-group") &&
        !text.empty()) {
        text += u"\r\n";
    }
    const std::u16string size = style->fontSize();
    if (!size.empty() && size[0] == u'0') {
        return;
    }
    if (CaptureEngine::sameColor(style->color(), style->backgroundColor())) {
        return;
    }
    if (auto node = element.asNode()) {
        for (auto c = node->firstChild(); c; c = c->nextSibling()) {
            referenceNode(*c, text);
        }
    }
}

std::string randomPage(std::mt19937& random, int nodes) {
    static const char* const opens[] = {"<div>",
                                        "<p>",
                                        "<span>",
                                        "<b>",
                                        "<li>",
                                        "<table>",
                                        "<tr>",
                                        "<td>",
                                        "<thead>",
                                        "<tfoot>",
                                        "<div style='display:none'>",
                                        "<span style='font-size:0px'>",
                                        "<div style='color:red;background:#f00'>",
                                        "<div style='display:table-footer-group'>",
                                        "<span no=style>",
                                        "<div no=node>",
                                        "<span style='color:white'>",
                                        "<i no=value>"};
    std::string out = "<div id=e>";
    std::vector<std::string> open{"div"};
    for (int i = 0; i < nodes; ++i) {
        switch (random() % 5) {
            case 0:
            case 1: {
                const std::string tag = opens[random() % std::size(opens)];
                out += tag;
                open.push_back(tag.substr(1, tag.find_first_of(" >") - 1));
                break;
            }
            case 2:
                if (open.size() > 1) {
                    out.append("</").append(open.back()).append(">");
                    open.pop_back();
                }
                break;
            case 3:
                if (random() % 4 == 0) {
                    out += "<br>";
                } else {
                    out.append("t").append(std::to_string(i));
                }
                break;
            default:
                out += random() % 3 == 0 ? "<!--c-->" : " \n";
        }
    }
    while (!open.empty()) {
        out.append("</").append(open.back()).append(">");
        open.pop_back();
    }
    return out;
}

TEST(FilteredText, EqualsTheRecursiveWalkOnVariedPages) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        Rig rig(randomPage(random, 120));
        for (const char* prefix : {"", "x"}) {
            std::u16string expected = utf16(prefix);
            std::u16string actual = utf16(prefix);
            reference(*rig.el("e"), expected);
            rig.engine.filteredText(*rig.el("e"), actual);
            ASSERT_EQ(actual, expected) << "round " << round;
        }
    }
}

TEST(FilteredText, PageNested100000LevelsDeep) {
    constexpr int kDepth = 100000;
    std::string markup;
    for (int i = 0; i < kDepth; ++i) {
        markup += i % 2 ? "<span>s" : "<div id=d>d";
    }
    for (int i = 0; i < kDepth; ++i) {
        markup += i % 2 ? "</div>" : "</span>";
    }
    Rig rig("<div id=e>" + markup + "</div>");
    std::u16string text;
    rig.engine.filteredText(*rig.el("e"), text);
    std::u16string expected;
    for (int i = 0; i < kDepth; ++i) {
        expected += i % 2 ? u"s" : i == 0 ? u"d" : u"\r\nd";
    }
    EXPECT_EQ(text, expected);
}

TEST(ShowElement, FillsTextAndHtmlAndShowsTheSelectedTab) {
    Rig rig("<div id=e class=\"k\">a<br>b</div>");
    rig.engine.showElement(rig.el("e"));
    EXPECT_EQ(rig.state.text, u"a\r\nb");
    EXPECT_EQ(rig.state.html, u"<DIV id=\"e\" class=\"k\">a<BR>b</DIV>");
    EXPECT_EQ(rig.host.shown, rig.state.text);
    rig.host.tab = 1;
    rig.host.showCurrentTab();
    EXPECT_EQ(rig.host.shown, rig.state.html);

    rig.engine.showElement(nullptr);
    EXPECT_EQ(rig.host.showCount, 2);

    Rig failing("<div id=e no=text>a</div>");
    failing.state.text = u"old";
    failing.engine.showElement(failing.el("e"));
    EXPECT_EQ(failing.state.text, u"");
    EXPECT_EQ(failing.state.html, u"<DIV id=\"e\">a</DIV>");
}

}  // namespace
}  // namespace tnk
