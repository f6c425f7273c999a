#include <gtest/gtest.h>

#include "test_rig.h"

namespace tnk {
namespace {

constexpr const char* kTable =
    "<div id=out box='0,200,400,100'>below</div>"
    "<table id=t box='0,0,400,100'><tbody id=g><tr id=r>"
    "<td id=d box='0,0,100,50'>cell</td></tr></tbody></table>";

TEST(Enlarge, WalksUpFromACellAndBack) {
    Rig rig(kTable);
    rig.moveTo(5, 5);
    ASSERT_TRUE(rig.showing("d"));
    for (const char* id : {"r", "g", "t"}) {
        rig.engine.enlarge();
        EXPECT_TRUE(rig.showing(id)) << id;
        EXPECT_TRUE(rig.host.shrinkEnabled);
        EXPECT_TRUE(rig.host.enlargeEnabled);
    }
    EXPECT_EQ(rig.state.level, 3);
    for (const char* id : {"g", "r", "d"}) {
        rig.engine.shrink();
        EXPECT_TRUE(rig.showing(id)) << id;
    }
    EXPECT_EQ(rig.state.level, 0);
    EXPECT_FALSE(rig.host.shrinkEnabled);
    EXPECT_TRUE(rig.host.enlargeEnabled);
}

TEST(Enlarge, StopsAboveTheRootOfTheTopDocument) {
    Rig rig(kTable);
    rig.moveTo(500, 500);  // nothing but BODY there
    ASSERT_EQ(rig.state.baseElement->tagName(), u"BODY");
    rig.engine.enlarge();
    EXPECT_EQ(rig.state.html.substr(0, 6), u"<HTML>");
    EXPECT_TRUE(rig.host.enlargeEnabled) << "reaching the root leaves + enabled";
    const int shows = rig.host.showCount;
    rig.engine.enlarge();
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_TRUE(rig.host.shrinkEnabled);
    EXPECT_EQ(rig.state.level, 1);
    EXPECT_EQ(rig.host.showCount, shows);
}

TEST(Enlarge, NothingHappensWithoutACaptureOrWhenTheWalkFails) {
    Rig rig(kTable);
    rig.engine.enlarge();
    rig.engine.shrink();
    EXPECT_EQ(rig.host.showCount, 0);
    EXPECT_EQ(rig.state.level, 0);

    rig.moveTo(5, 5);
    rig.state.level = 50;  // further up than the page reaches
    const int shows = rig.host.showCount;
    rig.engine.enlarge();
    EXPECT_EQ(rig.state.level, 50);
    EXPECT_TRUE(rig.host.enlargeEnabled);
    EXPECT_FALSE(rig.host.shrinkEnabled);
    EXPECT_EQ(rig.host.showCount, shows);

    // "-" still counts down and sets the buttons, but has nothing to show.
    rig.engine.shrink();
    EXPECT_EQ(rig.state.level, 49);
    EXPECT_EQ(rig.host.showCount, shows);
}

TEST(Shrink, DoesNothingAtLevelZeroEvenWhenEnabled) {
    Rig rig(kTable);
    rig.moveTo(5, 5);
    rig.host.shrinkEnabled = true;
    rig.host.enlargeEnabled = false;
    const int shows = rig.host.showCount;
    rig.engine.shrink();
    EXPECT_EQ(rig.state.level, 0);
    EXPECT_TRUE(rig.host.shrinkEnabled);
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_EQ(rig.host.showCount, shows);
}

// The table of "+" and "-" states, row by row.
TEST(Buttons, EveryTransitionOfTheStateTable) {
    Rig rig(kTable);
    auto buttons = [&rig] { return std::pair{rig.host.enlargeEnabled, rig.host.shrinkEnabled}; };
    EXPECT_EQ(buttons(), std::pair(false, false));
    rig.moveTo(5, 5);  // a new element
    EXPECT_EQ(buttons(), std::pair(true, false));
    rig.engine.enlarge();  // a parent
    EXPECT_EQ(buttons(), std::pair(true, true));
    EXPECT_EQ(rig.state.level, 1);
    rig.page.document()->viewport = {300, 300};
    rig.moveTo(350, 5);  // no element: "+" off, "-" and level kept
    EXPECT_EQ(buttons(), std::pair(false, true));
    EXPECT_EQ(rig.state.level, 1);
    rig.engine.shrink();  // level above 0
    EXPECT_EQ(buttons(), std::pair(true, false));
    EXPECT_EQ(rig.state.level, 0);
    rig.engine.shrink();  // level 0
    EXPECT_EQ(buttons(), std::pair(true, false));
    for (int i = 0; i < 4; ++i) {
        rig.engine.enlarge();  // TR, TBODY, TABLE, BODY
    }
    EXPECT_EQ(buttons(), std::pair(true, true));
    rig.engine.enlarge();  // HTML
    rig.engine.enlarge();  // nothing above
    EXPECT_EQ(buttons(), std::pair(false, true));
    EXPECT_EQ(rig.state.level, 5);
    rig.engine.shrink();
    EXPECT_EQ(buttons(), std::pair(true, true));
    rig.state.level = 40;
    rig.engine.enlarge();  // the walk fails: nothing changes
    EXPECT_EQ(buttons(), std::pair(true, true));
    EXPECT_EQ(rig.state.level, 40);
    // No document in a new window: "+" off, "-" kept, level 0.
    rig.windows.add({.className = u"Static", .origin = {0, 700}, .size = {10, 10}});
    rig.engine.captureAtPoint({5, 705});
    EXPECT_EQ(buttons(), std::pair(false, true));
    EXPECT_EQ(rig.state.level, 0);
}

constexpr const char* kFramed =
    "<div id=top box='0,0,800,30'>top</div>"
    "<iframe id=skip box='0,300,10,10' no=item><p>other</p></iframe>"
    "<iframe id=f box='50,40,300,200'>"
    "<html id=froot><body id=fbody><p id=in box='10,10,40,20'>inside</p></body></html>"
    "</iframe>";

TEST(Enlarge, CrossesIntoTheContainingFrameElementAndBack) {
    Rig rig(kFramed);
    rig.page.document()->freshWrappers = true;
    rig.page.find("fbody")->ownerDocument()->freshWrappers = true;
    rig.moveTo(65, 55);
    ASSERT_TRUE(rig.showing("in"));
    for (const char* id : {"fbody", "froot", "f"}) {
        rig.engine.enlarge();
        EXPECT_TRUE(rig.showing(id)) << id;
    }
    rig.engine.enlarge();
    EXPECT_EQ(rig.state.baseElement->tagName(), u"P");
    EXPECT_EQ(rig.state.html.substr(0, 6), u"<BODY>");
    rig.engine.enlarge();
    rig.engine.enlarge();
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_EQ(rig.state.level, 5);
    rig.engine.shrink();
    rig.engine.shrink();
    EXPECT_TRUE(rig.showing("f"));
    rig.engine.shrink();
    EXPECT_TRUE(rig.showing("froot"));
}

TEST(ContainingFrameElement, FindsFramesBeforeIframesAndSkipsWhatItCannotReach) {
    Rig rig(
        "<frameset><frame id=a box='0,0,100,600'><p id=pa>a</p></frame>"
        "<frame id=b box='100,0,700,600'><p id=pb>b</p></frame></frameset>");
    const auto rootOfB = rig.page.find("pb")->ownerDocument()->root();
    const auto found = rig.engine.containingFrameElement(*rootOfB);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->identity(), rig.el("b")->identity());
    // The top document has no containing frame.
    EXPECT_EQ(rig.engine.containingFrameElement(*rig.page.document()->root()), nullptr);

    // Each way the search can fail gives none.
    rig.page.document()->tagSearchFails = true;
    EXPECT_EQ(rig.engine.containingFrameElement(*rootOfB), nullptr);
    rig.page.document()->tagSearchFails = false;
    rig.el("b")->capabilities().item = false;
    EXPECT_EQ(rig.engine.containingFrameElement(*rootOfB), nullptr);
    rig.el("b")->capabilities().item = true;
    rig.el("b")->capabilities().frame = false;
    EXPECT_EQ(rig.engine.containingFrameElement(*rootOfB), nullptr);
    rig.el("b")->capabilities().frame = true;
    rig.page.find("pb")->ownerDocument()->window()->parentOffered = false;
    EXPECT_EQ(rig.engine.containingFrameElement(*rootOfB), nullptr);
}

TEST(Enlarge, AFrameThatCannotBeFoundDisablesPlus) {
    Rig rig(kFramed);
    rig.moveTo(65, 55);
    rig.engine.enlarge();
    rig.engine.enlarge();
    ASSERT_TRUE(rig.showing("froot"));
    rig.page.document()->tagSearchFails = true;
    rig.engine.enlarge();
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_EQ(rig.state.level, 2);
}

TEST(AncestorAt, WalksAPage100000LevelsDeep) {
    constexpr int kDepth = 100000;
    std::string markup = "<div id=outer>";
    for (int i = 1; i < kDepth - 1; ++i) {
        markup += "<div>";
    }
    markup += "<div id=inner>x</div>";
    for (int i = 1; i < kDepth; ++i) {
        markup += "</div>";
    }
    Rig rig(markup);
    rig.state.baseElement = rig.el("inner");
    EXPECT_EQ(rig.engine.ancestorAt(0)->identity(), rig.el("inner")->identity());
    EXPECT_EQ(rig.engine.ancestorAt(kDepth - 1)->identity(), rig.el("outer")->identity());
    EXPECT_EQ(rig.engine.ancestorAt(kDepth)->tagName(), u"BODY");
    EXPECT_EQ(rig.engine.ancestorAt(kDepth + 1)->tagName(), u"HTML");
    EXPECT_EQ(rig.engine.ancestorAt(kDepth + 2), nullptr);

    rig.state.level = kDepth + 1;
    rig.host.enlargeEnabled = true;
    rig.engine.enlarge();
    EXPECT_FALSE(rig.host.enlargeEnabled);
    rig.engine.shrink();
    EXPECT_EQ(rig.state.text, u"x");
}

}  // namespace
}  // namespace tnk
