// Captures from a program that publishes its page only as accessible objects,
// with real drags, and one drag from an HTML page into such a program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drag_fixture.h"
#include "host_process.h"

namespace tnk::gui {
namespace {

using test::HostKind;
using test::HostOptions;
using test::HostProcess;

constexpr int kAnyWindow = 1019;
constexpr int kFilter = 1003;
constexpr int kHide = 1004;
constexpr int kEnlarge = 1008;
constexpr int kShrink = 1009;

const std::wstring kArticleText =
    L"Hello accessible\r\nFirst bold link words\r\nVisible tinyghosttext\r\nCell one\tCell two\r\n"
    L"typed value\r\nItem one\r\nItem two";

class AccessibleCaptureTest : public DragFixture {
  protected:
    void options(bool anyWindow, bool filter) const {
        setOption(kAnyWindow, anyWindow);
        setOption(kFilter, filter);
        setOption(kHide, false);
    }
};

TEST_F(AccessibleCaptureTest, TextWhileDraggingFilteredAtReleaseAndTheSourceInTheDepository) {
    HostProcess host(HostKind::accessible, L"article");
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    options(true, true);

    const POINT heading = host.at(200, 25);
    glide(startDrag(), heading);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Hello accessible"; })) << printable(shown());
    EXPECT_TRUE(enabled(kEnlarge));
    EXPECT_FALSE(enabled(kShrink));
    // The section's text while dragging has everything that is not marked
    // invisible; the release filters out what no one can see.
    glide(heading, host.at(40, 115), 3);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Visible tinyghosttext"; })) << printable(shown());
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return shown() == L"Visible text"; })) << printable(shown());

    const std::vector<std::wstring> texts = depositoryTexts();
    EXPECT_TRUE(contains(texts, L"Accessible article"));
    EXPECT_TRUE(contains(texts, L"http://acc.tarnwick.test/article.html"));
}

TEST_F(AccessibleCaptureTest, PlusClimbsToTheWindowsObjectAndMinusComesBack) {
    HostProcess host(HostKind::accessible, L"article");
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    options(true, false);

    glide(startDrag(), host.at(80, 60));
    EXPECT_TRUE(waitFor([&] { return shown() == L"bold link"; })) << printable(shown());
    mouseUp();
    settle();
    EXPECT_EQ(shownHtml(), L"<a>bold link</a>");

    const std::vector<std::wstring> levels = {L"bold link", L"First bold link words", kArticleText,
                                              kArticleText};
    for (std::size_t up = 1; up < levels.size(); ++up) {
        command(kEnlarge);
        EXPECT_TRUE(waitFor([&] { return shown() == levels[up] && enabled(kShrink); }))
            << "level " << up << ": " << printable(shown());
        EXPECT_TRUE(enabled(kEnlarge)) << "level " << up;
    }
    // The client object's text is its document's: its markup tells them apart.
    EXPECT_TRUE(waitFor([&] { return shownHtml().rfind(L"<client><#document>", 0) == 0; }, 60))
        << printable(shownHtml().substr(0, 200));
    // Above the window's own object there is nothing: "+" turns itself off.
    command(kEnlarge);
    EXPECT_TRUE(waitFor([&] { return !enabled(kEnlarge); }));
    EXPECT_EQ(shown(), kArticleText);

    for (std::size_t down = levels.size() - 1; down-- > 0;) {
        command(kShrink);
        EXPECT_TRUE(waitFor([&] { return shown() == levels[down] && enabled(kEnlarge); }))
            << "level " << down << ": " << printable(shown());
    }
    EXPECT_FALSE(enabled(kShrink));
    EXPECT_EQ(shownHtml(), L"<a>bold link</a>");
}

TEST_F(AccessibleCaptureTest, TheHeadingsMarkupIsRebuiltFromItsAttributes) {
    HostProcess host(HostKind::accessible, L"article");
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    options(true, false);

    glide(startDrag(), host.at(200, 25));
    EXPECT_TRUE(waitFor([&] { return shown() == L"Hello accessible"; })) << printable(shown());
    mouseUp();
    settle();
    EXPECT_EQ(shownHtml(), L"<h1 id=\"top\">Hello accessible</h1>");
}

TEST_F(AccessibleCaptureTest, WithTheOptionOffTheDragReadsTheWindowText) {
    HostProcess host(HostKind::accessible, L"article");
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    options(false, true);

    glide(startDrag(), host.at(200, 25));
    EXPECT_TRUE(waitFor([&] { return shown() == L"Accessible page window"; }))
        << printable(shown());
    mouseUp();
    settle();
    EXPECT_EQ(shown(), L"Accessible page window");
    EXPECT_EQ(shownHtml(), L"");
}

// Without IAccessible2 the tags come from the roles, and with no styles to
// judge by the filter keeps the text.
TEST_F(AccessibleCaptureTest, AProgramWithPlainAccessibleObjectsOnlyStillReads) {
    HostOptions msaaOnly;
    msaaOnly.msaaOnly = true;
    HostProcess host(HostKind::accessible, L"article", msaaOnly);
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    options(true, true);

    const POINT heading = host.at(200, 25);
    glide(startDrag(), heading);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Hello accessible"; })) << printable(shown());
    glide(heading, host.at(40, 115), 3);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Visible tinyghosttext"; })) << printable(shown());
    mouseUp();
    settle();
    EXPECT_TRUE(waitFor([&] { return enabled(kEnlarge); }));
    EXPECT_EQ(shown(), L"Visible tinyghosttext");
    // The markup keeps the invisible word, as a page's markup keeps what it hides.
    EXPECT_EQ(shownHtml(), L"<grouping>Visible hiddentinyghosttext</grouping>");
}

TEST_F(AccessibleCaptureTest, OneDragCrossesFromAnHtmlPageIntoAnAccessibleProgramAndBack) {
    HostProcess html(HostKind::html, L"simple");
    HostProcess accessible(HostKind::accessible, L"article");
    ASSERT_TRUE(html.ready()) << "page_host did not start";
    ASSERT_TRUE(accessible.ready()) << "accessible_host did not start";
    ASSERT_TRUE(accessible.moveTo(540, 100));
    options(true, false);

    const POINT htmlHeading = html.at(200, 25);
    glide(startDrag(), htmlHeading);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Hello page"; })) << printable(shown());
    const POINT accHeading = accessible.at(200, 25);
    glide(htmlHeading, accHeading, 4);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Hello accessible"; })) << printable(shown());
    const POINT htmlNote = html.at(200, 120);
    glide(accHeading, htmlNote, 4);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Note text"; })) << printable(shown());
    mouseUp();
    settle();
    const std::vector<std::wstring> texts = depositoryTexts();
    EXPECT_TRUE(contains(texts, L"Simple page"));
    EXPECT_FALSE(contains(texts, L"Accessible article"));
}

// The program under the cursor never answers: the capture gives up on it
// after its time-out, once, and reads the page the drag stops on.
TEST_F(AccessibleCaptureTest, AProgramThatNeverAnswersCostsTheTimeOutOnce) {
    HostOptions hang;
    hang.hang = true;
    HostProcess hung(HostKind::accessible, L"article", hang);
    HostProcess html(HostKind::html, L"simple");
    ASSERT_TRUE(hung.ready()) << "accessible_host did not start";
    ASSERT_TRUE(html.ready()) << "page_host did not start";
    // The hung program cannot move its window; the page moves beside it.
    ASSERT_TRUE(html.moveTo(540, 100));
    options(true, false);

    const POINT hungPoint = hung.at(200, 25);
    glide(startDrag(), hungPoint);
    glide(hungPoint, hung.at(80, 60), 3);
    const POINT heading = html.at(200, 25);
    glide(hung.at(80, 60), heading, 4);
    double ms = millisecondsUntil([&] { return shown() == L"Hello page"; }, kStateSeconds);
    EXPECT_GE(ms, 0) << printable(shown());
    measure("page shown after leaving a program that never answers", ms);
    EXPECT_TRUE(holdsMouse());

    // Back over the silent program and onto the page again.
    glide(heading, hungPoint, 4);
    glide(hungPoint, html.at(200, 120), 4);
    ms = millisecondsUntil([&] { return shown() == L"Note text"; }, kStateSeconds);
    EXPECT_GE(ms, 0) << printable(shown());
    measure("page shown after passing the silent program again", ms);
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !holdsMouse(); }));
}

// A real documentation page of 2,811 objects (Node.js's os.html as Chromium
// serves it): a sweep over the background, where the object under the
// pointer holds almost the whole page, then a stop on a link. The link shows
// without waiting for the page's text, nothing older comes after it, and a
// release over the background makes the whole text.
TEST_F(AccessibleCaptureTest, ASweepOverALargePageStopsOnALinkAndTheReleaseMakesTheWhole) {
    HostOptions recorded;
    recorded.recording = test::builtPath(TNK_TEST_DATA_DIR "/recordings/node-os.acc");
    HostProcess host(HostKind::accessible, L"", recorded);
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    options(true, false);

    // x 5 is the background of the page's main column, all the way down.
    const POINT top = host.at(5, 200);
    const POINT bottom = host.at(5, 600);
    const POINT link = host.at(100, 382);
    glide(startDrag(), top);
    glide(top, bottom, 6);
    glide(bottom, top, 6);
    // The stop: timed from the move onto the link.
    glide(top, host.at(5, 382), 2);
    mouseMove(link);
    const double ms = millisecondsUntil([&] { return shown() == L"os.devNull"; }, kStateSeconds);
    EXPECT_GE(ms, 0) << printable(shown().substr(0, 200));
    measure("a link of a 2,811-object page shown after a sweep over the page", ms);
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !holdsMouse(); }, kStateSeconds));
    settle();
    EXPECT_EQ(shown(), L"os.devNull") << "an older point's text came after the link";

    const auto cut = [](const std::wstring& text) {
        return !text.empty() && text.back() == L'\u2026';
    };
    glide(startDrag(), top);
    EXPECT_TRUE(waitFor([&] { return cut(shown()); }, kStateSeconds))
        << "while pointing the view gets its share";
    mouseUp();
    const double whole =
        millisecondsUntil([&] { return shown().size() > 10000 && !cut(shown()); }, kStateSeconds);
    EXPECT_GE(whole, 0) << "the release did not make the whole text";
    measure("the whole text of a 2,811-object page after the release", whole);
    EXPECT_NE(shown().find(L"os.devNull"), std::wstring::npos);
    EXPECT_GT(shown().size(), 20000u);
}

// The program builds its tree only once asked, a moment later: a drag that
// stays on the page finds it without starting again.
TEST_F(AccessibleCaptureTest, ATreeThatArrivesLateShowsDuringTheFirstDrag) {
    HostOptions untouched;
    untouched.warm = false;
    HostProcess host(HostKind::accessible, L"late", untouched);
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    options(true, false);

    const POINT heading = host.at(200, 25);
    glide(startDrag(), heading);
    EXPECT_TRUE(hoverUntil(
        heading, host.at(210, 28), [&] { return shown() == L"Hello accessible"; }, kStateSeconds))
        << printable(shown());
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !holdsMouse(); }));
}

}  // namespace
}  // namespace tnk::gui
