#include <gtest/gtest.h>

#include "accessible_rig.h"
#include "test_rig.h"

namespace tnk {
namespace {

// The browser window's client area starts at screen (100, 50) (test_rig.h).
// Frame "f" at (50, 40) with a border and a scrolled body; in it "in" at
// (10, 10) and a frame "inner" at (100, 0) holding "deep".
constexpr const char* kPage =
    "<body id=body border='2,3'>"
    "<div id=top box='0,0,800,30'>top</div>"
    "<div id=scroller box='0,300,400,200' scroll='0,50'>"
    "  <p id=scrolled box='10,60,100,20'>below</p></div>"
    "<iframe id=f box='50,40,300,200'>"
    "  <html id=froot><body id=fbody scroll='0,5'>"
    "    <p id=in box='10,10,40,20'>inside</p>"
    "    <iframe id=inner box='100,0,100,100'><div id=deep box='1,2,50,50'>deep</div></iframe>"
    "  </body></html>"
    "</iframe>"
    "<p id=bare no=rect box='600,100,50,50'>no box</p>"
    "</body>";

dom::Rect at(int x, int y, int width, int height) {
    return {100 + x, 50 + y, 100 + x + width, 50 + y + height};
}

TEST(ScreenBox, TheShownElementsBoxFollowsMovesFramesAndSteps) {
    Rig rig(kPage);
    rig.page.document()->freshWrappers = true;
    rig.moveTo(5, 5);
    ASSERT_TRUE(rig.showing("top"));
    EXPECT_EQ(rig.engine.shownBox(), at(2, 3, 800, 30));
    // Scrolled content moves up with its container.
    rig.moveTo(20, 320);
    ASSERT_TRUE(rig.showing("scrolled"));
    EXPECT_EQ(rig.engine.shownBox(), at(12, 313, 100, 20));

    // In the frame: its document's box plus the frame's offset.
    rig.moveTo(65, 55);
    ASSERT_TRUE(rig.showing("in"));
    const dom::Point frame = rig.state.frameOffsets.begin()->second.offset;
    EXPECT_EQ(rig.engine.shownBox(), at(frame.x + 10, frame.y + 5, 40, 20));
    EXPECT_EQ(rig.page.document()->tagSearches, 0) << "the frame entered is known";
    // The point the capture was made at, (165, 105) on the screen, lies in it.
    EXPECT_EQ(rig.engine.shownBox(), (dom::Rect{162, 98, 202, 118}));

    // "+" across the frame: its body, its root, then the frame element in
    // the top document; "-" back down.
    rig.engine.enlarge();
    ASSERT_TRUE(rig.showing("fbody"));
    EXPECT_EQ(rig.engine.shownBox(), at(frame.x, frame.y, 300, 200));
    rig.engine.enlarge();
    rig.engine.enlarge();
    ASSERT_TRUE(rig.showing("f"));
    EXPECT_EQ(rig.engine.shownBox(), at(52, 43, 300, 200));
    rig.engine.shrink();
    rig.engine.shrink();
    rig.engine.shrink();
    EXPECT_EQ(rig.engine.shownBox(), at(frame.x + 10, frame.y + 5, 40, 20));

    // After the release the offsets are gone; "+" from the inner frame's
    // element finds them again.
    rig.moveTo(165, 55);
    ASSERT_TRUE(rig.showing("inner"));
    const std::optional<dom::Rect> inner = rig.engine.shownBox();
    EXPECT_EQ(inner, at(frame.x + 100, frame.y - 5, 100, 100));
    rig.engine.clearFrameOffsets();
    rig.engine.enlarge();
    rig.engine.shrink();
    EXPECT_EQ(rig.engine.shownBox(), inner);
}

TEST(ScreenBox, NoBoxWhenUnknownOrNotAnElement) {
    Rig rig(kPage);
    rig.moveTo(5, 5);
    ASSERT_TRUE(rig.showing("top"));
    ASSERT_TRUE(rig.engine.shownBox());

    rig.moveTo(605, 105);
    ASSERT_TRUE(rig.showing("bare"));
    EXPECT_FALSE(rig.engine.shownBox());

    rig.moveTo(5, 5);
    ASSERT_TRUE(rig.engine.shownBox());
    // A window without a page shows its text, and no box.
    rig.windows.add({.className = u"Edit", .origin = {0, 700}, .size = {50, 50}, .text = u"x"});
    rig.engine.captureAtPoint({5, 705});
    ASSERT_EQ(rig.state.text, u"x");
    EXPECT_FALSE(rig.engine.shownBox());

    // After the release, a frame whose containing element cannot be found:
    // no box rather than a wrong one.
    rig.moveTo(65, 55);
    ASSERT_TRUE(rig.showing("in"));
    rig.engine.clearFrameOffsets();
    rig.page.document()->tagSearchFails = true;
    rig.engine.enlarge();
    ASSERT_TRUE(rig.showing("fbody"));
    EXPECT_FALSE(rig.engine.shownBox());
}

// Every element's client box is where the page's own hit test finds it.
TEST(ClientBox, AgreesWithTheHitTest) {
    Rig rig(kPage);
    for (const char* id : {"top", "scrolled", "in", "deep"}) {
        const auto element = rig.el(id);
        const auto box = element->clientBox();
        ASSERT_TRUE(box) << id;
        const dom::Point inside{box->left + 1, box->top + 1};
        const dom::Point outside{box->left - 1, box->top - 1};
        const auto hit = [&](dom::Point p) {
            const dom::ElementPtr found = element->ownerDocument()->elementFromPoint(p);
            return found && found->identity() == element->identity();
        };
        EXPECT_TRUE(hit(inside)) << id;
        EXPECT_FALSE(hit(outside)) << id;
    }
    EXPECT_EQ(rig.el("fbody")->clientBox(), (dom::Rect{0, 0, 300, 200}));
}

TEST(ScreenBox, AccessibleObjectsAreMappedBackFromTheScreen) {
    AccessibleRig rig;
    acc::PageSource source = rig.source();
    source.screenToClient = [](dom::Point p) { return dom::Point{p.x - 100, p.y - 130}; };
    rig.windows[rig.window].accessible = acc::makeDocument(std::move(source));
    rig.moveTo(20, 20);
    EXPECT_EQ(rig.engine.shownBox(), (dom::Rect{110, 140, 490, 170}));
    rig.moveTo(80, 60);  // the link
    EXPECT_EQ(rig.engine.shownBox(), (dom::Rect{160, 180, 230, 200}));
    rig.engine.enlarge();  // the paragraph
    EXPECT_EQ(rig.engine.shownBox(), (dom::Rect{110, 180, 490, 220}));
    EXPECT_GT(rig.tree.calls.location, 0);
}

}  // namespace
}  // namespace tnk
