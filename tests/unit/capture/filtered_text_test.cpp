#include <gtest/gtest.h>

#include <random>
#include <string>

#include "capture/css_color.h"
#include "capture/text_layout.h"
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

// The same with "Tidy text" on.
std::u16string tidy(std::string_view markup) {
    Rig rig(markup);
    rig.engine.setTidyText(true);
    std::u16string text;
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

TEST(FilteredText, TextIsJudgedAgainstTheBackgroundShowingBehindIt) {
    // White link text on a green box: the link's own background is
    // transparent.
    const char* badge =
        "<div class='api_stability api_stability_2' id=box "
        "style='color:#ffffff;background-color:#5a8147'>"
        "<a id=e href='documentation.html#stability-index'>Stability: 2</a> - Stable</div>";
    EXPECT_EQ(filtered(badge), u"Stability: 2");
    Rig rig(badge);
    std::u16string text;
    rig.engine.filteredText(*rig.el("box"), text);
    EXPECT_EQ(text, u"Stability: 2 - Stable");
    // Text in its section's colour goes, light text on it stays; white on a
    // page without backgrounds still goes.
    EXPECT_EQ(filtered("<div style='background-color:navy'><p id=e>a"
                       "<span style='color:#000080'>x</span><b style='color:white'>b</b>"
                       "<span style='background-color:white'><i style='color:white'>y</i></span>"
                       "</p></div>"),
              u"ab");
    EXPECT_EQ(filtered("<body style='background:black;color:#ccc'><div id=e>"
                       "<span style='color:white'>w</span><span style='color:black'>x</span>"
                       "</div></body>"),
              u"w");
    // Only the element's own text goes: a child of another colour shows, as
    // in a dark menu whose items set their own colour.
    EXPECT_EQ(filtered("<ul id=e style='color:#333;background-color:#333'>hidden"
                       "<li><a style='color:#ccc'>Buffer</a></li><li>gone</li></ul>"),
              u"Buffer\r\n");
    // A frame's page starts white again.
    EXPECT_EQ(filtered("<div style='background:black'><iframe src='http://f.test/'>"
                       "<p id=e>in the frame</p></iframe></div>"),
              u"in the frame");
}

TEST(FilteredText, ColoursInRgbFormsTransparencyAndUnreadableValues) {
    // rgb() and rgba() with commas or spaces, numbers or percentages, any case.
    EXPECT_EQ(filtered("<div id=e style='background-color:rgb(0, 0, 128)'>"
                       "<span style='color:rgb(0,0,128)'>1</span>"
                       "<span style='color:RGBA(0%, 0%, 50.2%, 1)'>2</span>"
                       "<span style='color:rgb(0 0 128 / 50%)'>3</span>"
                       "<span style='color:rgb(255 255 255)'>w</span>"
                       "<span style='color:rgba(0,0,0,0)'>t</span>"
                       "<span style='color:transparent'>t</span></div>"),
              u"w");
    // A background of opacity 0 shows what is behind it; a translucent one
    // blends with it.
    EXPECT_EQ(filtered("<div style='background-color:#000;color:#fff'><p id=e>"
                       "<span style='background-color:rgba(255,255,255,0);color:#000'>x</span>"
                       "<span style='background-color:rgba(255,255,255,0.5);color:#808080'>y</span>"
                       "<span style='background-color:rgba(255,255,255,0.5)'>b</span></p></div>"),
              u"b");
    // A value the reader does not know never equals another: the text stays.
    EXPECT_EQ(filtered("<div id=e style='background-color:ButtonFace'>"
                       "<span style='color:buttonface'>s</span>"
                       "<span style='color:white'>w</span>"
                       "<span style='color:#12345;background-color:#000'>h</span>"
                       "<span style='color:hsl(0, 0%, 0%);background-color:black'>k</span></div>"),
              u"swhk");
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

TEST(TidyText, SourceSpacingCollapsesAsRendered) {
    EXPECT_EQ(tidy("<div id=e>\n    <p>Hello\n       world, <b> bold </b> <i>words</i>  </p>\n"
                   "    <p>\tnext\r\n line </p>\n  </div>"),
              u"Hello world, bold words\r\nnext line");
    // Four labels of a navigation list with the source's indentation.
    EXPECT_EQ(tidy("<nav id=e>\n      <ul>\n        <li><a href='#'>Home</a></li>\n"
                   "        <li><a href='#'>Docs</a></li>\n        <li>\n          <a href='#'>"
                   "API</a>\n        </li>\n        <li><a href='#'>Blog</a></li>\n      </ul>\n"
                   "    </nav>"),
              u"Home\r\nDocs\r\nAPI\r\nBlog");
    // Non-breaking spaces are text; inline blocks lose the spaces at their
    // inner edges; a leading BR gives no empty first line.
    EXPECT_EQ(tidy("<div id=e><br> two&nbsp;&nbsp;three <span style='display:inline-block'> ib "
                   "</span>x</div>"),
              u"two\u00A0\u00A0three ibx");
    // nowrap collapses like normal.
    EXPECT_EQ(tidy("<div id=e style='white-space:nowrap'>  a \n b  </div>"), u"a b");
}

TEST(TidyText, OneLineBreakBetweenBlocksAndOneMorePerBreak) {
    EXPECT_EQ(tidy("<div id=e><div><div><div>a</div></div></div>\n<div><p>b</p></div>"
                   "<h2>Head</h2>c<ul><li>one</li><li style='display:none'>no</li></ul></div>"),
              u"a\r\nb\r\nHead\r\nc\r\none");
    // BR ends a line; after a block it leaves an empty one; at a block's
    // end it adds nothing.
    EXPECT_EQ(tidy("<div id=e>a<br>b<div>c<br></div>d<br><br>e<div>f</div><br>g</div>"),
              u"a\r\nb\r\nc\r\nd\r\n\r\ne\r\nf\r\n\r\ng");
    // Flex and grid items stand on lines of their own (the browser makes
    // them blocks); list items shown inline share one.
    EXPECT_EQ(tidy("<div id=e><div style='display:flex'><a>One</a> <a>Two</a></div>"
                   "<ul><li style='display:inline'>m1</li> <li style='display:inline'>m2</li>"
                   "</ul></div>"),
              u"One\r\nTwo\r\nm1 m2");
    // Skipped blocks still end lines; nothing trails.
    EXPECT_EQ(tidy("<div id=e>a<p style='font-size:0px'>x</p>b<div> </div> </div>"), u"a\r\nb");
}

TEST(TidyText, TablesGiveALinePerRowAndTabsBetweenCells) {
    EXPECT_EQ(tidy("<table id=e>\n<caption>Operators</caption>\n<thead><tr>\n  <th>Operator</th>"
                   "\n  <th>Example</th>\n  <th>Overloadable?</th>\n</tr></thead>\n<tbody>\n"
                   "<tr><td>+</td><td> a + b </td><td>Yes</td></tr>\n"
                   "<tr><td>?:</td><td></td><td>No</td></tr>\n</tbody></table>"),
              u"Operators\r\nOperator\tExample\tOverloadable?\r\n+\ta + b\tYes\r\n?:\t\tNo");
    // Blocks and breaks at a cell's edges stay in the cell; an empty first
    // cell keeps its column.
    EXPECT_EQ(tidy("<table id=e><tbody><tr><th>Version</th><th>Changes</th></tr>\n"
                   "<tr><td>v15.7.0, v14.18.0</td>\n<td><p>Introduced <code>base64url</code> "
                   "encoding.</p></td></tr>\n<tr><td>x<br></td><td><div>y</div></td></tr>"
                   "<tr><td></td><td>z</td></tr></tbody></table>"),
              u"Version\tChanges\r\nv15.7.0, v14.18.0\tIntroduced base64url encoding.\r\n"
              u"x\ty\r\n\tz");
}

TEST(TidyText, PreformattedTextKeepsItsSpacesAndLines) {
    EXPECT_EQ(tidy("<div id=e>before <pre>  const a = 1;  \n\tif (a) {\r\n\n  }\n</pre>after"
                   "<span style='white-space:pre-wrap'> x  y </span>."
                   "<p style='white-space:pre-line'>  p  q  \n   r  </p></div>"),
              u"before\r\n  const a = 1;  \r\n\tif (a) {\r\n\r\n  }\r\nafter x  y ."
              u"\r\np q\r\nr");
}

TEST(TidyText, OffLeavesTheTextAsTheDocumentHoldsIt) {
    const char* page =
        "<div id=e>\n  <p> a  b </p><table><tr><td>c</td><td>d</td></tr></table>"
        "<pre> e\n</pre></div>";
    EXPECT_EQ(filtered(page), u"\n  \r\n a  b cd\r\n e\n");
    EXPECT_EQ(tidy(page), u"a b\r\nc\td\r\n e");
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

// The walk as documented, recursively, to compare the engine's loop with:
// the same rules and layout, one call per level.
void reference(dom::Element& element, TextLayout& layout, const CssColor& backdrop);
void referenceNode(dom::Node& node, TextLayout& layout, const CssColor& backdrop,
                   WhiteSpace whiteSpace, bool hidden) {
    if (node.nodeType() == 3) {
        auto v = hidden ? std::nullopt : node.nodeValue();
        if (v) {
            layout.text(*v, whiteSpace);
        }
    } else if (node.nodeName() == u"BR") {
        layout.lineBreak();
    } else if (node.hasChildNodes() || (layout.tidy() && node.nodeName() == u"TD")) {
        if (auto e = node.asElement()) {
            reference(*e, layout, backdrop);
        }
    }
}
void reference(dom::Element& element, TextLayout& layout, const CssColor& backdrop) {
    auto style = element.currentStyle();
    if (!style) {
        return;
    }
    const std::u16string display = style->display();
    if (display == u"none") {
        return;
    }
    const TextLayout::Box box = layout.begin(display);
    const WhiteSpace whiteSpace = whiteSpaceOf(style->whiteSpace());
    const std::u16string size = style->fontSize();
    if (size.empty() || size[0] != u'0') {
        const CssColor behind = paintedOver(readCssColor(style->backgroundColor()), backdrop);
        const bool hidden = invisibleOn(readCssColor(style->color()), behind);
        if (auto node = element.asNode()) {
            for (auto c = node->firstChild(); c; c = c->nextSibling()) {
                referenceNode(*c, layout, behind, whiteSpace, hidden);
            }
        }
    }
    layout.end(box);
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
                                        "<i no=value>",
                                        "<div style='background:navy;color:#fff'>",
                                        "<b style='color:navy'>",
                                        "<span style='background-color:rgba(0,0,0,0.5)'>",
                                        "<pre>",
                                        "<td>",
                                        "<span style='display:inline-block'>"};
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
                out += random() % 3 == 0 ? "<!--c-->" : random() % 2 ? " \n" : "<td></td>";
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
        for (const bool tidy : {false, true}) {
            for (const char* prefix : {"", "x"}) {
                std::u16string expected = utf16(prefix);
                std::u16string actual = utf16(prefix);
                TextLayout layout(expected, tidy);
                reference(*rig.el("e"), layout, CssColor::opaque(0xFFFFFF));
                layout.finish();
                rig.engine.setTidyText(tidy);
                rig.engine.filteredText(*rig.el("e"), actual);
                ASSERT_EQ(actual, expected) << "round " << round << (tidy ? " tidy" : "");
            }
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
