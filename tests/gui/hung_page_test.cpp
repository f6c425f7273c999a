// A program that hangs in the middle of a drag, after handing out its page:
// Tarnwick keeps taking the mouse, captures other windows, reads the program
// again once it recovers, and quits at once. Real mouse input throughout: a
// thread waiting in a call into another program still handles messages sent
// to it, but no input.
#include <gtest/gtest.h>

#include <string>

#include "drag_fixture.h"
#include "host_process.h"

namespace tnk::gui {
namespace {

using test::HangFile;
using test::HostKind;
using test::HostProcess;

// Two elements of a page: the drag shows the first, then moves onto the
// second while the program hangs.
struct HungPage {
    HostKind kind;
    const wchar_t* page;
    POINT first;
    const wchar_t* firstText;
    POINT second;
};

const HungPage kHtml{HostKind::html, L"simple", {200, 25}, L"Hello page", {200, 120}};
const HungPage kAccessible{
    HostKind::accessible, L"article", {200, 25}, L"Hello accessible", {100, 200}};

// A drag over a program of the kind the test names, which then hangs.
class HangingFixture : public DragFixture {
  protected:
    virtual HostKind kind() const = 0;
    const HungPage& hanging() const { return kind() == HostKind::html ? kHtml : kAccessible; }
    const HungPage& other() const { return kind() == HostKind::html ? kAccessible : kHtml; }

    // Drags onto the first element, makes the program hang, and moves onto
    // the second: the capture now waits inside the program.
    void hangMidDrag(const HostProcess& host, const HangFile& hang) {
        const POINT first = host.at(hanging().first.x, hanging().first.y);
        glide(startDrag(), first);
        ASSERT_TRUE(waitFor([&] { return shown() == hanging().firstText; })) << printable(shown());
        hang.create();
        glide(first, host.at(hanging().second.x, hanging().second.y), 3);
        // Only a call into it makes the program hang, and only the capture
        // calls it.
        ASSERT_TRUE(waitFor([&] { return !host.answers(200); }))
            << "the capture never called into the program";
    }
};

class HungPageTest : public HangingFixture, public ::testing::WithParamInterface<HostKind> {
  protected:
    HostKind kind() const override { return GetParam(); }
};

// The cursor is the window's business, the same for both kinds of page.
class HungHtmlPageTest : public HangingFixture {
  protected:
    HostKind kind() const override { return HostKind::html; }
    static HCURSOR currentCursor() {
        CURSORINFO info{};
        info.cbSize = sizeof info;
        return GetCursorInfo(&info) ? info.hCursor : nullptr;
    }
};

TEST_P(HungPageTest, TheMouseStaysWithTarnwickAndOtherWindowsStillCapture) {
    HangFile hang;
    HostProcess host(hanging().kind, hanging().page, {.hangFile = hang.path()});
    HostProcess otherHost(other().kind, other().page);
    ASSERT_TRUE(host.ready()) << "the hanging host did not start";
    ASSERT_TRUE(otherHost.ready()) << "the other host did not start";
    ASSERT_TRUE(otherHost.moveTo(540, 100));
    setOption(1019, true);
    setOption(1003, false);
    setOption(1004, true);

    hangMidDrag(host, hang);
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_FALSE(IsWindowVisible(main_)) << "hidden while capturing";
    mouseUp();
    const double released = millisecondsUntil([&] { return !holdsMouse(); }, kStateSeconds);
    EXPECT_GE(released, 0) << "the release was not taken";
    const double visible =
        millisecondsUntil([&] { return IsWindowVisible(main_) != FALSE; }, kStateSeconds);
    EXPECT_GE(visible, 0) << "not shown again";
    measure("release taken while the program hangs in a call", released);
    measure("window shown again after that release", released + visible);

    // A drag over another program captures it while the first still hangs.
    const POINT otherPoint = otherHost.at(other().first.x, other().first.y);
    glide(startDrag(), otherPoint);
    EXPECT_TRUE(waitFor([&] { return shown() == other().firstText; })) << printable(shown());
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !holdsMouse() && IsWindowVisible(main_); }));
    ASSERT_FALSE(host.answers(200)) << "the program recovered before its time";

    // Once it recovers, it reads again: the stuck call ends first, so the
    // drag keeps moving until the program is no longer skipped.
    hang.remove();
    ASSERT_TRUE(host.recovered(kStateSeconds)) << "the program did not recover";
    const POINT first = host.at(hanging().first.x, hanging().first.y);
    glide(startDrag(), first);
    EXPECT_TRUE(hoverUntil(
        first, {first.x + 10, first.y + 3}, [&] { return shown() == hanging().firstText; },
        kStateSeconds))
        << printable(shown());
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !holdsMouse() && IsWindowVisible(main_); }));
}

TEST_P(HungPageTest, QuittingWhileACallIsStuckEndsTheProgramAtOnce) {
    HangFile hang;
    HostProcess host(hanging().kind, hanging().page, {.hangFile = hang.path()});
    ASSERT_TRUE(host.ready()) << "the hanging host did not start";
    setOption(1019, true);
    setOption(1003, false);
    setOption(1004, false);

    hangMidDrag(host, hang);
    if (HasFatalFailure()) {
        return;
    }
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !holdsMouse(); })) << "the release was not taken";
    PostMessageW(main_, WM_CLOSE, 0, 0);
    const double ended = millisecondsUntil([&] { return !app_->running(); }, kStateSeconds);
    EXPECT_GE(ended, 0) << "the program did not end";
    measure("exit after WM_CLOSE while a call is stuck", ended);
    EXPECT_FALSE(host.answers(200)) << "the program recovered before its time";
}

// A release whose filtered walk cannot finish: a cursor of its own (the wait
// cursor) replaces the drag cursor while the release waits, and goes once the
// program is found hung. Cursor handles differ between processes, so the test
// follows the changes of Tarnwick's cursor rather than comparing shapes.
TEST_F(HungHtmlPageTest, TheWaitCursorShowsWhileTheReleaseWaitsForTheFilter) {
    HangFile hang;
    HostProcess host(hanging().kind, hanging().page, {.hangFile = hang.path()});
    ASSERT_TRUE(host.ready()) << "the hanging host did not start";
    setOption(1019, true);
    setOption(1003, true);
    setOption(1004, false);

    hangMidDrag(host, hang);
    if (HasFatalFailure()) {
        return;
    }
    const HCURSOR drag = currentCursor();
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !holdsMouse(); })) << "the release was not taken";
    HCURSOR waiting = nullptr;
    ASSERT_TRUE(waitFor([&] { return (waiting = currentCursor()) != drag; }))
        << "the drag cursor stayed";
    EXPECT_TRUE(waitFor([&] { return currentCursor() != waiting; })) << "the wait cursor stayed";
}

INSTANTIATE_TEST_SUITE_P(BothKindsOfPage, HungPageTest,
                         ::testing::Values(HostKind::html, HostKind::accessible),
                         [](const ::testing::TestParamInfo<HostKind>& info) {
                             return info.param == HostKind::html ? "Html" : "Accessible";
                         });

}  // namespace
}  // namespace tnk::gui
