// Captures from the test page host: a window of the browser's document class
// serving small pages through the real document interfaces.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drag_fixture.h"
#include "host_process.h"

namespace tnk::gui {
namespace {

using test::HostKind;
using test::HostProcess;

using PageCaptureTest = DragFixture;

TEST_F(PageCaptureTest, ElementsShowWhileMovingAndTheSourceIsKeptAtRelease) {
    HostProcess page(HostKind::html, L"simple");
    ASSERT_TRUE(page.ready()) << "page_host did not start";
    setOption(1003, false);
    setOption(1004, false);

    const POINT heading = page.at(200, 25);
    glide(startDrag(), heading);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Hello page"; })) << printable(shown());
    EXPECT_TRUE(enabled(1008));
    EXPECT_FALSE(enabled(1009));
    glide(heading, page.at(80, 60), 3);
    EXPECT_TRUE(waitFor([&] { return shown() == L"bold"; })) << printable(shown());
    mouseUp();
    settle();
    EXPECT_EQ(shown(), L"bold");

    // "+" walks up to the paragraph and "-" back down.
    command(1008);
    EXPECT_TRUE(waitFor([&] { return shown() == L"First bold words"; })) << printable(shown());
    EXPECT_TRUE(enabled(1009));
    command(1009);
    EXPECT_TRUE(waitFor([&] { return shown() == L"bold"; }));
    EXPECT_FALSE(enabled(1009));

    // The HTML tab shows the element's markup; the Text tab its text again.
    TabCtrl_SetCurFocus(control(1005), 1);
    EXPECT_TRUE(waitFor([&] { return shown().find(L">bold<") != std::wstring::npos; }))
        << printable(shown());
    TabCtrl_SetCurFocus(control(1005), 0);
    EXPECT_TRUE(waitFor([&] { return shown() == L"bold"; }));

    // The depository offers the page's title and address for the new record.
    const std::vector<std::wstring> texts = depositoryTexts();
    EXPECT_TRUE(contains(texts, L"Simple page"));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::wstring& text) {
        return text.find(L"simple.html") != std::wstring::npos;
    }));
}

TEST_F(PageCaptureTest, TheReleaseFiltersTheTextWhenAsked) {
    HostProcess page(HostKind::html, L"filtered");
    ASSERT_TRUE(page.ready()) << "page_host did not start";
    setOption(1003, true);
    setOption(1004, false);
    setOption(1020, true);  // tidy text
    glide(startDrag(), page.at(200, 250));
    EXPECT_TRUE(waitFor([&] { return shown().find(L"hidden") != std::wstring::npos; }))
        << printable(shown());
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return shown().find(L"hidden") == std::wstring::npos; }));
    const std::wstring text = shown();
    EXPECT_EQ(text.find(L"Visible text\r\npara"), 0u) << printable(text);
    EXPECT_NE(text.find(L"two"), std::wstring::npos);
    EXPECT_EQ(text.find(L"ghost"), std::wstring::npos);
}

TEST_F(PageCaptureTest, AFrameIsEnteredOneLevelDeep) {
    HostProcess page(HostKind::html, L"frames");
    ASSERT_TRUE(page.ready()) << "page_host did not start";
    setOption(1003, false);
    setOption(1004, true);
    glide(startDrag(), page.at(100, 30));
    EXPECT_TRUE(waitFor([&] { return shown() == L"Left text"; })) << printable(shown());
    EXPECT_FALSE(IsWindowVisible(main_)) << "hidden while capturing";
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(main_) != FALSE; })) << "shown again";
    settle();
    EXPECT_EQ(shown(), L"Left text");
}

// Each frame is entered with its own offset, also when the second frame's
// proxy arrives at the address the first one's had.
TEST_F(PageCaptureTest, OneDragFromAFrameIntoAnIframeShowsEach) {
    HostProcess page(HostKind::html, L"mixed");
    ASSERT_TRUE(page.ready()) << "page_host did not start";
    setOption(1003, false);
    setOption(1004, false);
    const POINT side = page.at(60, 120);
    glide(startDrag(), side);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Side text"; })) << printable(shown());
    const POINT inline_ = page.at(260, 80);
    glide(side, inline_, 4);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Inline text"; })) << printable(shown());
    EXPECT_TRUE(enabled(1008));
    glide(inline_, side, 4);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Side text"; })) << printable(shown());
    mouseUp();
    settle();
    EXPECT_EQ(shown(), L"Side text");
}

}  // namespace
}  // namespace tnk::gui
