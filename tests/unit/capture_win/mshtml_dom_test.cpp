// The Windows seams on their own: Win32WindowSystem and the MSHTML wrappers,
// against page_host.exe in another process (calls cross the process
// boundary through COM marshalling).
#include <gtest/gtest.h>
#include <windows.h>

#include <ole2.h>

#include <climits>

#include "capture/win32/win32_window_system.h"
#include "host_handles.h"

namespace tnk::test {
namespace {

class ComEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const comEnvironment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

TEST(Win32WindowSystem, FindsAndReadsTheHostWindows) {
    HostProcess host(HostKind::html, L"simple", coldHost());
    ASSERT_TRUE(host.ready());
    Win32WindowSystem windows;

    EXPECT_EQ(windows.windowFromPoint(pagePoint(20, 20)), handleOf(host.page()));
    EXPECT_EQ(windows.windowFromPoint(pagePoint(320, 260)), handleOf(host.pane()));
    EXPECT_EQ(windows.className(handleOf(host.page())), u"Internet Explorer_Server");
    EXPECT_EQ(windows.parent(handleOf(host.pane())), handleOf(host.page()));
    EXPECT_EQ(windows.screenToClient(handleOf(host.page()), pagePoint(5, 7)), (dom::Point{5, 7}));

    // Another process's window: the length call reads the caption, and the
    // bounded messages give the same text.
    const WindowHandle frame = handleOf(host.frame());
    const std::u16string caption = u"Tarnwick page host";
    const int length = windows.windowTextLength(frame);
    EXPECT_EQ(length, static_cast<int>(caption.size()));
    EXPECT_EQ(windows.windowText(frame, length + 1), caption);
    ASSERT_EQ(windows.messageTextLength(frame), static_cast<int>(caption.size()));
    EXPECT_EQ(windows.messageText(frame, static_cast<int>(caption.size()) + 1), caption);
    // A buffer too small keeps the text within it.
    EXPECT_EQ(windows.messageText(frame, 9), u"Tarnwick");
    EXPECT_EQ(windows.windowText(frame, 0), u"");

    EXPECT_EQ(windows.documentOfWindow(0), nullptr);
    EXPECT_EQ(windows.documentOfWindow(frame), nullptr) << "a window that is no browser";
}

// A window of this process that claims an absurd text length.
LRESULT CALLBACK boastfulProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXTLENGTH) {
        return INT_MAX;
    }
    if (msg == WM_GETTEXT && wp >= 4) {
        lstrcpynW(reinterpret_cast<wchar_t*>(lp), L"abc", 4);
        return 3;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

TEST(Win32WindowSystem, SurvivesAWindowThatOverstatesItsTextLength) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = boastfulProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarnwickBoastfulWindow";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(w, nullptr);
    Win32WindowSystem windows;
    EXPECT_EQ(windows.messageTextLength(handleOf(w)), INT_MAX);
    EXPECT_EQ(windows.messageText(handleOf(w), INT_MAX), u"abc");
    DestroyWindow(w);
}

TEST(MshtmlDom, ServesTheSimplePage) {
    HostProcess host(HostKind::html, L"simple", coldHost());
    ASSERT_TRUE(host.ready());
    Win32WindowSystem windows;
    dom::DocumentPtr doc = windows.documentOfWindow(handleOf(host.page()));
    ASSERT_NE(doc, nullptr);

    EXPECT_EQ(doc->url(), u"http://pages.tarnwick.test/simple.html");
    EXPECT_EQ(doc->title(), u"Simple page");

    dom::ElementPtr bold = doc->elementFromPoint({70, 55});
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->tagName(), u"B");
    EXPECT_EQ(bold->innerText(), u"bold");
    EXPECT_EQ(bold->outerHtml(), u"<B id=strong>bold</B>");
    EXPECT_EQ(bold->offsetLeft(), 50);
    EXPECT_EQ(bold->offsetTop(), 0);
    EXPECT_EQ(bold->textContainerScroll(), (dom::Point{0, 0}));
    EXPECT_EQ(bold->clientEdge(), (dom::Point{0, 0}));
    EXPECT_EQ(bold->scroll(), (dom::Point{0, 0}));
    EXPECT_EQ(bold->contentWindow(), nullptr);
    EXPECT_FALSE(bold->isWebBrowser());

    // Identity by the COM rule: two look-ups of one element are the same
    // object, its parent is the paragraph, its document the page.
    dom::ElementPtr again = doc->elementFromPoint({65, 60});
    EXPECT_TRUE(dom::sameObject(bold.get(), again.get()));
    dom::ElementPtr para = bold->parentElement();
    ASSERT_NE(para, nullptr);
    EXPECT_EQ(para->tagName(), u"P");
    EXPECT_TRUE(dom::sameObject(para.get(), bold->offsetParent().get()));
    EXPECT_FALSE(dom::sameObject(para.get(), bold.get()));
    EXPECT_TRUE(dom::sameObject(bold->document().get(), doc.get()));
    EXPECT_EQ(doc->elementFromPoint({395, 5})->tagName(), u"BODY");

    std::unique_ptr<dom::Style> style = para->currentStyle();
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->display(), u"block");
    EXPECT_EQ(style->fontSize(), u"12pt");
    EXPECT_TRUE(style->color().isString);
    EXPECT_EQ(style->color().text, u"#000000");
    EXPECT_EQ(style->backgroundColor().text, u"transparent");

    // The paragraph's child nodes: text, element, text.
    dom::NodePtr first = para->asNode()->firstChild();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->nodeType(), 3);
    EXPECT_EQ(first->nodeValue(), u"First ");
    EXPECT_EQ(first->asElement(), nullptr);
    dom::NodePtr second = first->nextSibling();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->nodeType(), 1);
    EXPECT_EQ(second->nodeName(), u"B");
    EXPECT_TRUE(second->hasChildNodes());
    EXPECT_TRUE(dom::sameObject(second->asElement().get(), bold.get()));
    EXPECT_EQ(second->nextSibling()->nodeValue(), u" words");
    EXPECT_EQ(second->nextSibling()->nextSibling(), nullptr);

    ASSERT_NE(doc->documentElement(), nullptr);
    EXPECT_EQ(doc->documentElement()->tagName(), u"HTML");
    EXPECT_EQ(doc->documentElement()->parentElement(), nullptr);
    dom::WindowPtr window = doc->scriptWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(dom::sameObject(window->parent().get(), window.get()))
        << "the top is its own parent";
    EXPECT_TRUE(dom::sameObject(window->document().get(), doc.get()));

    auto divs = doc->elementsByTagName(u"DIV");
    ASSERT_TRUE(divs.has_value());
    ASSERT_EQ(divs->size(), 3u);
    EXPECT_EQ((*divs)[2]->innerText(), u"Corner");
    EXPECT_EQ(doc->elementsByTagName(u"FRAME")->size(), 0u);
}

TEST(MshtmlDom, ServesARecordedPage) {
    HostOptions options;
    options.recording = builtPath(TNK_TEST_DATA_DIR) + L"\\recordings\\valgrind-quickstart.dom";
    HostProcess host(HostKind::html, L"", coldHost(options));
    ASSERT_TRUE(host.ready());
    EXPECT_EQ(host.pane(), nullptr);
    Win32WindowSystem windows;
    dom::DocumentPtr doc = windows.documentOfWindow(handleOf(host.page()));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->url(), u"file:///usr/share/doc/valgrind/html/QuickStart.html");
    EXPECT_EQ(doc->title(), u"The Valgrind Quick Start Guide");

    dom::ElementPtr heading = doc->elementFromPoint({500, 70});
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->tagName(), u"H1");
    EXPECT_EQ(heading->innerText(), u"The Valgrind Quick Start Guide");
    EXPECT_EQ(heading->outerHtml(),
              u"<H1 class=\"title\">\n<A name=\"QuickStart\"></A>The Valgrind Quick Start "
              u"Guide</H1>");
    auto style = heading->currentStyle();
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->fontSize(), u"28.8px");
    EXPECT_EQ(style->color().text, u"#74240f");
    // Offsets within the parent add up to the recorded place on the page.
    int top = 0;
    for (dom::ElementPtr e = heading; e; e = e->offsetParent()) {
        top += e->offsetTop();
    }
    EXPECT_EQ(top, 62);
    EXPECT_EQ(doc->elementFromPoint({995, 695})->tagName(), u"HTML");
}

TEST(MshtmlDom, ReachesFrameContents) {
    HostProcess host(HostKind::html, L"frames", coldHost());
    ASSERT_TRUE(host.ready());
    Win32WindowSystem windows;
    dom::DocumentPtr doc = windows.documentOfWindow(handleOf(host.page()));
    ASSERT_NE(doc, nullptr);

    dom::ElementPtr right = doc->elementFromPoint({250, 20});
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->tagName(), u"FRAME");
    EXPECT_EQ(right->offsetLeft(), 200);
    EXPECT_TRUE(right->isWebBrowser()) << "the frame element's browser interface crosses too";
    dom::WindowPtr content = right->contentWindow();
    ASSERT_NE(content, nullptr);
    dom::DocumentPtr inner = content->document();
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->url(), u"http://pages.tarnwick.test/right.html");
    EXPECT_EQ(inner->elementFromPoint({50, 20})->innerText(), u"Right text");
    EXPECT_TRUE(dom::sameObject(content->parent().get(), doc->scriptWindow().get()));

    auto frames = doc->elementsByTagName(u"FRAME");
    ASSERT_TRUE(frames.has_value());
    ASSERT_EQ(frames->size(), 2u);
    EXPECT_TRUE(dom::sameObject((*frames)[1].get(), right.get()));
}

TEST(Win32WindowSystem, GivesUpOnAHungWindowWithinTheTimeOut) {
    HostProcess host(HostKind::html, L"simple", coldHost({.hang = true}));
    ASSERT_TRUE(host.ready());
    Win32WindowSystem windows;
    // Both bounded calls return (no timing is asserted) and report nothing.
    EXPECT_EQ(windows.documentOfWindow(handleOf(host.page())), nullptr);
    EXPECT_EQ(windows.messageTextLength(handleOf(host.page())), std::nullopt);
    EXPECT_EQ(windows.messageText(handleOf(host.page()), 50), u"");
}

}  // namespace
}  // namespace tnk::test
