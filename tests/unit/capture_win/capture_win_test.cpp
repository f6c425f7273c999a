// The real capture engine with its Windows seams against page_host.exe: what
// a drag over a browser page does, end to end across processes.
#include <gtest/gtest.h>

#include <string_view>

#include "capture/capture_engine.h"
#include "capture/win32/win32_window_system.h"
#include "host_handles.h"

namespace tnk::test {
namespace {

class RecordingHost : public CaptureHost {
  public:
    void showCurrentTab() override { ++shown; }
    void enableEnlarge(bool enabled) override { plus = enabled; }
    void enableShrink(bool enabled) override { minus = enabled; }
    bool isHostOrDirectChild(WindowHandle) override { return false; }

    int shown = 0;
    bool plus = false;
    bool minus = false;
};

// One host process and one engine over it. The host is declared first so
// that every page reference is released before the process ends.
struct Session {
    explicit Session(const wchar_t* page, bool hang = false)
        : host(HostKind::html, page, coldHost({.hang = hang})) {}

    std::u16string tag() {
        return state.baseElement ? state.baseElement->tagName() : std::u16string(u"(none)");
    }

    HostProcess host;
    CaptureState state;
    Win32WindowSystem windows;
    RecordingHost ui;
    CaptureEngine engine{state, windows, ui};
};

TEST(CaptureWin, CapturesAnElementItsTextHtmlAndSource) {
    Session s(L"simple");
    ASSERT_TRUE(s.host.ready());

    s.engine.captureAtPoint(pagePoint(70, 55));
    ASSERT_EQ(s.tag(), u"B");
    EXPECT_EQ(s.state.window, handleOf(s.host.page()));
    EXPECT_EQ(s.state.text, u"bold");
    EXPECT_EQ(s.state.html, u"<B id=strong>bold</B>");
    EXPECT_EQ(s.ui.shown, 1);
    EXPECT_TRUE(s.ui.plus);
    EXPECT_FALSE(s.ui.minus);
    EXPECT_EQ(s.state.level, 0);

    // Over the pane, a child window of another class: its browser ancestor's
    // document is used.
    s.engine.captureAtPoint(pagePoint(320, 260));
    EXPECT_EQ(s.state.window, handleOf(s.host.page()));
    EXPECT_EQ(s.state.text, u"Corner");

    s.engine.captureAtPoint(pagePoint(20, 60));
    EXPECT_EQ(s.state.text, u"First bold words");
    EXPECT_EQ(s.state.html, u"<P id=para>First <B id=strong>bold</B> words</P>");

    s.engine.recordSource();
    EXPECT_EQ(s.state.sourceUrl, u"http://pages.tarnwick.test/simple.html");
    EXPECT_EQ(s.state.sourceTitle, u"Simple page");

    // From BODY "+" reaches HTML; above the top document's root there is
    // nothing, which disables "+" and keeps the view.
    s.engine.captureAtPoint(pagePoint(395, 5));
    ASSERT_EQ(s.tag(), u"BODY");
    s.engine.enlarge();
    EXPECT_EQ(s.state.html.rfind(u"<HTML><BODY>", 0), 0u);
    EXPECT_TRUE(s.ui.plus);
    s.engine.enlarge();
    EXPECT_FALSE(s.ui.plus);
    EXPECT_EQ(s.state.level, 1);
}

TEST(CaptureWin, ReadsTheTextOfAWindowWithoutDocument) {
    Session s(L"simple");
    ASSERT_TRUE(s.host.ready());
    s.engine.captureAtPoint(pagePoint(70, 55));
    ASSERT_EQ(s.tag(), u"B");

    // The frame window's strip above the page answers no document request.
    s.engine.captureAtPoint(pagePoint(50, -15));
    EXPECT_EQ(s.state.window, handleOf(s.host.frame()));
    EXPECT_EQ(s.state.document, nullptr);
    EXPECT_EQ(s.state.baseElement, nullptr);
    EXPECT_EQ(s.state.text, u"Tarnwick page host");
    EXPECT_EQ(s.state.html, u"");
    EXPECT_FALSE(s.ui.plus);
}

TEST(CaptureWin, FiltersHiddenTextOfTheCapturedElement) {
    Session s(L"filtered");
    ASSERT_TRUE(s.host.ready());
    s.engine.captureAtPoint(pagePoint(200, 200));
    ASSERT_EQ(s.tag(), u"DIV");
    EXPECT_EQ(s.state.text, u"Visible hidden  textparatinyghostone\r\ntwo  three  four")
        << "innerText first";

    std::u16string text;
    s.engine.filteredText(*s.state.baseElement, text);
    EXPECT_EQ(text, u"Visible   text\r\npara\r\none\r\ntwo  three  four");
    // Tidy text keeps the last SPAN's spaces only if its white-space "pre"
    // comes across.
    text.clear();
    s.engine.setTidyText(true);
    s.engine.filteredText(*s.state.baseElement, text);
    EXPECT_EQ(text, u"Visible text\r\npara\r\none\r\ntwo  three  four");
}

// Each call through a new object costs a cross-process round trip under
// Wine, so the walks below check the shown HTML rather than asking again.
bool startsWith(const std::u16string& s, std::u16string_view prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

TEST(CaptureWin, DescendsIntoAFrameAndStepsAcrossItsBoundary) {
    Session s(L"frames");
    ASSERT_TRUE(s.host.ready());
    s.engine.captureAtPoint(pagePoint(250, 20));
    ASSERT_EQ(s.tag(), u"DIV");
    EXPECT_EQ(s.state.text, u"Right text");
    EXPECT_EQ(s.state.frameOffsets.size(), 1u);

    s.engine.enlarge();
    EXPECT_TRUE(startsWith(s.state.html, u"<BODY><DIV id=rd>"));
    s.engine.enlarge();
    EXPECT_TRUE(startsWith(s.state.html, u"<HTML><BODY>"));
    s.engine.enlarge();
    EXPECT_EQ(s.state.html, u"<FRAME id=right></FRAME>") << "above the frame's root";
    s.engine.enlarge();
    EXPECT_TRUE(startsWith(s.state.html, u"<FRAMESET><FRAME id=left>"));
    EXPECT_EQ(s.state.level, 4);
    EXPECT_TRUE(s.ui.minus);

    s.engine.shrink();
    EXPECT_EQ(s.state.html, u"<FRAME id=right></FRAME>");
    s.engine.shrink();
    EXPECT_TRUE(startsWith(s.state.html, u"<HTML><BODY>")) << "back inside the frame";
    EXPECT_EQ(s.state.level, 2);

    s.engine.clearFrameOffsets();
    EXPECT_TRUE(s.state.frameOffsets.empty());
    s.engine.captureAtPoint(pagePoint(20, 20));
    EXPECT_EQ(s.state.text, u"Left text");
    EXPECT_EQ(s.state.level, 0);
    EXPECT_FALSE(s.ui.minus);
}

TEST(CaptureWin, DescendsOneLevelIntoAnIframe) {
    Session s(L"iframe");
    ASSERT_TRUE(s.host.ready());
    s.engine.captureAtPoint(pagePoint(20, 20));
    EXPECT_EQ(s.state.text, u"Outer text");

    s.engine.captureAtPoint(pagePoint(70, 80));
    ASSERT_EQ(s.tag(), u"P");
    EXPECT_EQ(s.state.text, u"Inside text");

    // A frame inside the frame is captured as its IFRAME element, and the
    // walk up leaves the inner document through the outer IFRAME element.
    s.engine.captureAtPoint(pagePoint(100, 150));
    ASSERT_EQ(s.tag(), u"IFRAME");
    EXPECT_EQ(s.state.html, u"<IFRAME id=nested></IFRAME>");
    s.engine.enlarge();
    s.engine.enlarge();
    EXPECT_TRUE(startsWith(s.state.html, u"<HTML><BODY><P id=ip>"));
    s.engine.enlarge();
    EXPECT_EQ(s.state.html, u"<IFRAME id=inner></IFRAME>");
    EXPECT_EQ(s.state.level, 3);
}

// The outline's boxes through getBoundingClientRect, in screen pixels: the
// page starts at (100, 130), the IFRAME "inner" at (50, 60) in it.
TEST(CaptureWin, BoxesOfElementsInAndAroundAFrameAreOnTheScreen) {
    Session s(L"iframe");
    ASSERT_TRUE(s.host.ready());
    s.engine.captureAtPoint(pagePoint(20, 20));
    EXPECT_EQ(s.engine.shownBox(), (dom::Rect{110, 140, 490, 170}));
    s.engine.captureAtPoint(pagePoint(70, 80));
    ASSERT_EQ(s.state.text, u"Inside text");
    EXPECT_EQ(s.engine.shownBox(), (dom::Rect{160, 200, 440, 230}));
    s.engine.captureAtPoint(pagePoint(100, 150));
    ASSERT_EQ(s.tag(), u"IFRAME");
    EXPECT_EQ(s.engine.shownBox(), (dom::Rect{160, 250, 440, 380}));
    s.engine.enlarge();
    s.engine.enlarge();
    s.engine.enlarge();
    ASSERT_EQ(s.state.html, u"<IFRAME id=inner></IFRAME>");
    EXPECT_EQ(s.engine.shownBox(), (dom::Rect{150, 190, 450, 390}));
}

TEST(CaptureWin, EnlargesAndShrinksThroughANestedTable) {
    Session s(L"table");
    ASSERT_TRUE(s.host.ready());
    s.engine.captureAtPoint(pagePoint(300, 150));
    ASSERT_EQ(s.tag(), u"TD");
    EXPECT_EQ(s.state.text, u"Inner cell");

    const char16_t* up[] = {u"<TR><TD id=c3>", u"<TBODY><TR>", u"<TABLE id=inner>"};
    for (const char16_t* prefix : up) {
        s.engine.enlarge();
        EXPECT_TRUE(startsWith(s.state.html, prefix)) << "expected " << s.state.level;
    }
    EXPECT_TRUE(s.ui.minus);
    for (int i = 0; i < 3; ++i) {
        s.engine.shrink();
    }
    EXPECT_EQ(s.state.level, 0);
    EXPECT_EQ(s.state.html, u"<TD id=c3>Inner cell</TD>");
    EXPECT_FALSE(s.ui.minus);

    // A move within the same cell keeps an enlarged view; another cell
    // starts afresh.
    s.engine.enlarge();
    s.engine.captureAtPoint(pagePoint(305, 155));
    EXPECT_EQ(s.state.level, 1);
    s.engine.captureAtPoint(pagePoint(50, 50));
    EXPECT_EQ(s.state.level, 0);
    EXPECT_EQ(s.state.text, u"Left cell");
}

TEST(CaptureWin, AHungBrowserGivesNoDocumentAndDoesNotBlock) {
    Session s(L"simple", true);
    ASSERT_TRUE(s.host.ready());
    s.engine.captureAtPoint(pagePoint(70, 55));
    EXPECT_EQ(s.state.window, handleOf(s.host.page()));
    EXPECT_EQ(s.state.document, nullptr);
    EXPECT_EQ(s.state.baseElement, nullptr);
    EXPECT_FALSE(s.ui.plus);
    EXPECT_EQ(s.state.text, u"Page server") << "the window-text path";
    // Further moves over the same window do not ask it again.
    s.engine.captureAtPoint(pagePoint(75, 60));
    EXPECT_EQ(s.state.document, nullptr);
}

}  // namespace
}  // namespace tnk::test
