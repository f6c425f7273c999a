#include <gtest/gtest.h>

#include "test_rig.h"

namespace tnk {
namespace {

using testpage::FakeWindow;

constexpr const char* kPage =
    "<html><head><title>The page</title></head><body>"
    "<div id=a box='0,0,400,100'>alpha <b id=b box='10,10,50,20'>bold</b></div>"
    "<div id=c box='0,100,400,100'>gamma</div>"
    "</body></html>";

TEST(CaptureAtPoint, CapturesTheInnermostElementAndShowsIt) {
    Rig rig(kPage);
    rig.moveTo(15, 15);
    EXPECT_EQ(rig.state.window, rig.browser);
    EXPECT_EQ(rig.state.baseElement->identity(), rig.el("b")->identity());
    EXPECT_EQ(rig.state.text, u"bold");
    EXPECT_EQ(rig.state.html, u"<B id=\"b\">bold</B>");
    EXPECT_EQ(rig.host.shown, u"bold");
    EXPECT_TRUE(rig.host.enlargeEnabled);
    EXPECT_FALSE(rig.host.shrinkEnabled);
    EXPECT_EQ(rig.state.level, 0);

    rig.moveTo(300, 50);
    EXPECT_TRUE(rig.showing("a"));
    rig.moveTo(300, 150);
    EXPECT_EQ(rig.state.text, u"gamma");
}

TEST(CaptureAtPoint, AChildWindowOfTheBrowserWindowUsesItsDocument) {
    Rig rig(kPage);
    rig.windows.add({.className = u"Edit",
                     .parent = rig.browser,
                     .origin = {100, 50},
                     .size = {100, 100},
                     .text = u"edit text"});
    rig.moveTo(15, 15);
    EXPECT_EQ(rig.state.window, rig.browser);
    EXPECT_EQ(rig.state.text, u"bold");
}

TEST(CaptureAtPoint, TheSameElementChangesNothing) {
    Rig rig(kPage);
    rig.page.document()->freshWrappers = true;
    rig.moveTo(15, 15);
    rig.engine.enlarge();
    ASSERT_EQ(rig.state.level, 1);
    const int shows = rig.host.showCount;
    rig.moveTo(16, 17);
    EXPECT_EQ(rig.state.level, 1);
    EXPECT_EQ(rig.host.showCount, shows);
    EXPECT_TRUE(rig.host.shrinkEnabled);
    EXPECT_TRUE(rig.showing("a"));

    rig.moveTo(300, 150);
    EXPECT_EQ(rig.state.level, 0);
    EXPECT_TRUE(rig.host.enlargeEnabled);
    EXPECT_FALSE(rig.host.shrinkEnabled);
    EXPECT_TRUE(rig.showing("c"));
}

TEST(CaptureAtPoint, NoElementUnderThePointKeepsTheCapture) {
    Rig rig(kPage);
    rig.page.document()->viewport = {400, 300};
    rig.moveTo(15, 15);
    rig.moveTo(500, 15);
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_EQ(rig.state.text, u"bold");
    EXPECT_EQ(rig.state.baseElement->identity(), rig.el("b")->identity());
    rig.engine.enlarge();
    EXPECT_EQ(rig.state.level, 1) << "+ still works on the kept element";
}

TEST(CaptureAtPoint, TheDocumentIsRequestedOnlyWhenTheWindowChanges) {
    Rig rig(kPage);
    const WindowHandle other = rig.windows.add(
        {.className = u"Static", .origin = {0, 700}, .size = {50, 50}, .text = u"s"});
    rig.moveTo(15, 15);
    rig.moveTo(300, 150);
    rig.moveTo(20, 15);
    EXPECT_EQ(rig.windows[rig.browser].documentRequests, 1);
    rig.engine.captureAtPoint({10, 710});
    rig.engine.captureAtPoint({11, 710});
    EXPECT_EQ(rig.windows[other].documentRequests, 1);
    EXPECT_EQ(rig.state.baseElement, nullptr);
    rig.moveTo(15, 15);
    EXPECT_EQ(rig.windows[rig.browser].documentRequests, 2);
    EXPECT_EQ(rig.state.text, u"bold");
}

TEST(WindowText, AWindowWithoutDocumentShowsItsText) {
    Rig rig(kPage);
    const WindowHandle edit = rig.windows.add(
        {.className = u"Edit", .origin = {0, 700}, .size = {50, 50}, .text = u"hello"});
    rig.moveTo(15, 15);
    rig.host.tab = 1;
    rig.engine.captureAtPoint({5, 705});
    EXPECT_EQ(rig.state.window, edit);
    EXPECT_EQ(rig.state.document, nullptr);
    EXPECT_EQ(rig.state.text, u"hello");
    EXPECT_EQ(rig.state.html, u"");
    EXPECT_EQ(rig.host.shown, u"");
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_EQ(rig.windows[edit].lastBufferChars, 6);

    // The text is read again on every move.
    rig.windows[edit].text = u"changed";
    rig.host.tab = 0;
    rig.engine.captureAtPoint({6, 705});
    EXPECT_EQ(rig.host.shown, u"changed");
}

TEST(WindowText, AnotherProgramsWindowAnswersByMessage) {
    Rig rig(kPage);
    const WindowHandle edit = rig.windows.add({.className = u"Edit",
                                               .origin = {0, 700},
                                               .size = {50, 50},
                                               .text = u"remote text",
                                               .textByMessageOnly = true});
    rig.engine.captureAtPoint({5, 705});
    EXPECT_EQ(rig.state.text, u"remote text");
    EXPECT_EQ(rig.windows[edit].lastBufferChars, 12);

    rig.windows[edit].text.clear();
    rig.engine.captureAtPoint({6, 705});
    EXPECT_EQ(rig.state.text, u"");
    EXPECT_EQ(rig.windows[edit].lastBufferChars, 1);
}

TEST(WindowText, AHungWindowIsAskedOnce) {
    Rig rig(kPage);
    const WindowHandle hung = rig.windows.add({.className = u"Internet Explorer_Server",
                                               .origin = {0, 700},
                                               .size = {50, 50},
                                               .text = u"x",
                                               .hung = true});
    rig.moveTo(15, 15);
    for (int x = 0; x < 5; ++x) {
        rig.engine.captureAtPoint({x, 705});
    }
    EXPECT_EQ(rig.windows[hung].documentRequests, 1);
    EXPECT_EQ(rig.windows[hung].messageRequests, 1);
    EXPECT_EQ(rig.state.text, u"");
    EXPECT_FALSE(rig.host.enlargeEnabled);

    // Not even once it answers again, while the cursor stays over it.
    rig.windows[hung].hung = false;
    rig.engine.captureAtPoint({10, 705});
    EXPECT_EQ(rig.windows[hung].documentRequests, 1);
}

TEST(WindowText, TheHostWindowAndItsChildrenKeepTheCapture) {
    Rig rig(kPage);
    const WindowHandle host = rig.windows.add(
        {.className = u"#32770", .origin = {0, 700}, .size = {300, 100}, .text = u"Tarnwick"});
    const WindowHandle button = rig.windows.add({.className = u"Button",
                                                 .parent = host,
                                                 .origin = {0, 700},
                                                 .size = {50, 50},
                                                 .text = u"+"});
    rig.windows.add({.className = u"Static",
                     .parent = button,
                     .origin = {0, 700},
                     .size = {10, 10},
                     .text = u"grandchild"});
    rig.host.self = host;

    rig.moveTo(15, 15);
    rig.engine.enlarge();
    ASSERT_EQ(rig.state.level, 1);
    const int shows = rig.host.showCount;
    rig.engine.captureAtPoint({100, 705});  // the host itself
    EXPECT_TRUE(rig.showing("a"));
    EXPECT_EQ(rig.host.showCount, shows);
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_TRUE(rig.host.shrinkEnabled);
    EXPECT_EQ(rig.state.baseElement, nullptr);
    EXPECT_EQ(rig.state.document, nullptr);
    EXPECT_EQ(rig.state.level, 0);

    rig.engine.captureAtPoint({20, 705});  // a direct child
    EXPECT_TRUE(rig.showing("a"));
    // "-" stays enabled but does nothing at level 0; "+" does nothing.
    rig.engine.shrink();
    rig.engine.enlarge();
    EXPECT_EQ(rig.host.showCount, shows);

    rig.engine.captureAtPoint({5, 705});  // a grandchild is another window
    EXPECT_EQ(rig.state.text, u"grandchild");

    rig.engine.recordSource();
    EXPECT_EQ(rig.state.sourceUrl, u"");
}

TEST(RecordSource, TakesUrlAndTitleOfTheHeldDocument) {
    Rig rig(kPage);
    rig.moveTo(15, 15);
    rig.engine.recordSource();
    EXPECT_EQ(rig.state.sourceUrl, u"http://page.test/");
    EXPECT_EQ(rig.state.sourceTitle, u"The page");

    rig.page.document()->urlFails = true;
    rig.engine.recordSource();
    EXPECT_EQ(rig.state.sourceUrl, u"");
    EXPECT_EQ(rig.state.sourceTitle, u"The page");

    // Without a document the title goes too, so that no stale title is
    // filed with text from elsewhere.
    rig.windows.add({.className = u"Edit", .origin = {0, 700}, .size = {50, 50}});
    rig.engine.captureAtPoint({5, 705});
    rig.engine.recordSource();
    EXPECT_EQ(rig.state.sourceUrl, u"");
    EXPECT_EQ(rig.state.sourceTitle, u"");
}

TEST(AcquireDocument, NullWindowGivesNone) {
    Rig rig(kPage);
    EXPECT_EQ(rig.engine.acquireDocument(0), nullptr);
    EXPECT_EQ(rig.engine.acquireDocument(rig.browser), rig.page.document());
    EXPECT_EQ(rig.windows[rig.browser].documentRequests, 1);
}

// Frame "f" at (50, 40) in a body scrolled by nothing; inside it, element
// "in" at (10, 10) and an inner IFRAME "inner" at (100, 0).
constexpr const char* kFramedPage =
    "<div id=top box='0,0,800,30'>top</div>"
    "<iframe id=f src='http://frame.test/' box='50,40,300,200'>"
    "  <html><head><title>Frame</title></head><body id=fbody>"
    "    <p id=in box='10,10,40,20'>inside</p>"
    "    <iframe id=inner box='100,0,100,100'><div id=deep box='0,0,50,50'>deep</div></iframe>"
    "  </body></html>"
    "</iframe>"
    "<iframe id=closed no=frame box='400,40,100,100'><div>x</div></iframe>";

TEST(Frames, APointInAFrameCapturesTheFramesElement) {
    Rig rig(kFramedPage);
    rig.moveTo(65, 55);
    EXPECT_TRUE(rig.showing("in"));
    EXPECT_EQ(rig.state.frameOffsets.size(), 1u);
    EXPECT_EQ(rig.state.frameOffsets.at(rig.el("f")->identity()).offset, (dom::Point{50, 40}));
    // One level only: a frame in the frame is captured as the IFRAME.
    rig.moveTo(160, 50);
    EXPECT_TRUE(rig.showing("inner"));
    // A frame whose window cannot be reached is captured itself.
    rig.moveTo(410, 50);
    EXPECT_TRUE(rig.showing("closed"));
    // A point in the frame where its document has nothing.
    rig.moveTo(65, 55);
    rig.page.find("fbody")->ownerDocument()->viewport = {10, 10};
    rig.moveTo(70, 60);
    EXPECT_FALSE(rig.host.enlargeEnabled);
    EXPECT_TRUE(rig.showing("in"));
}

TEST(Frames, OffsetIsCachedForTheDragAndRecomputedAfterRelease) {
    Rig rig(kFramedPage);
    rig.page.document()->freshWrappers = true;
    rig.moveTo(65, 55);
    ASSERT_TRUE(rig.showing("in"));

    // The page scrolls by 30 during the drag: the old offset still applies.
    rig.page.document()->root()->scrollTo({0, 30});
    rig.moveTo(62, 52);
    EXPECT_TRUE(rig.showing("in"));
    EXPECT_EQ(rig.state.frameOffsets.size(), 1u);

    rig.engine.clearFrameOffsets();
    EXPECT_TRUE(rig.state.frameOffsets.empty());
    rig.moveTo(65, 55);
    EXPECT_TRUE(rig.showing("fbody"));
    rig.moveTo(65, 25);
    EXPECT_TRUE(rig.showing("in"));
    EXPECT_EQ(rig.state.frameOffsets.begin()->second.offset, (dom::Point{50, 10}));
}

// A released frame element's identity can come back as another frame's (a
// proxy's address is reused): each frame must still be entered with its own
// offset.
TEST(Frames, EachFrameKeepsItsOwnOffsetWhenIdentitiesAreReused) {
    Rig rig(
        "<frame id=side box='0,100,200,200'>"
        "  <html><body><h1 id=h box='10,10,100,20'>Side</h1></body></html></frame>"
        "<iframe id=inline box='200,60,300,200'>"
        "  <html><body><p id=ip box='10,10,100,20'>Inline</p></body></html></iframe>");
    rig.page.document()->reusedIdentities = true;
    rig.moveTo(20, 115);
    ASSERT_TRUE(rig.showing("h"));
    rig.moveTo(215, 75);
    EXPECT_TRUE(rig.showing("ip"));
    EXPECT_EQ(rig.state.frameOffsets.size(), 2u);
    rig.moveTo(20, 115);
    EXPECT_TRUE(rig.showing("h"));

    // Emptied at the release: the frames are let go.
    rig.engine.clearFrameOffsets();
    rig.moveTo(215, 75);
    EXPECT_TRUE(rig.showing("ip"));
}

TEST(FrameOffset, AddsOffsetsScrollsAndEdges) {
    Rig rig(
        "<body id=body border='3,4' scroll='0,5'>"
        "<div id=box box='20,30,500,500' scroll='7,0'>"
        "<iframe id=f box='10,10,100,100'></iframe></div></body>");
    rig.page.document()->root()->scrollTo({0, 100});
    dom::Point offset{1, 1};
    EXPECT_EQ(rig.engine.frameOffset(rig.el("f"), rig.el("f"), offset), 0);
    // 1 + 10 + 20 - 7 + 0 + 3 - 0 and 1 + 10 + 30 - 0 - 5 + 4 - 100.
    EXPECT_EQ(offset, (dom::Point{27, -60}));

    dom::Point untouched{5, 6};
    EXPECT_EQ(rig.engine.frameOffset(nullptr, nullptr, untouched),
              static_cast<std::int32_t>(0x80004003u));
    EXPECT_EQ(untouched, (dom::Point{5, 6}));
}

TEST(FrameOffset, MissingInterfacesLeaveTheirTermsOut) {
    Rig rig(
        "<body id=body no=client border='3,4' scroll='0,5'>"
        "<div id=box no=textcontainer box='20,30,500,500' scroll='7,0'>"
        "<iframe id=f box='10,10,100,100'></iframe></div></body>");
    rig.page.document()->root()->scrollTo({0, 100});
    rig.page.document()->root()->capabilities().scroll = false;
    dom::Point offset;
    rig.engine.frameOffset(nullptr, rig.el("f"), offset);
    EXPECT_EQ(offset, (dom::Point{30, 35}));
    rig.page.document()->rootOffered = false;
    offset = {};
    rig.engine.frameOffset(nullptr, rig.el("f"), offset);
    EXPECT_EQ(offset, (dom::Point{30, 35}));
}

}  // namespace
}  // namespace tnk
