// Measurements of the capture as a user feels it, printed to the test log
// ("MEASURE: ..."), never asserted: how long a move takes to show its
// element, and how long the window's thread takes to follow the mouse while
// a captured program hangs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drag_fixture.h"
#include "host_process.h"

namespace tnk::gui {
namespace {

using test::HangFile;
using test::HostKind;
using test::HostProcess;

struct Target {
    POINT page;
    const wchar_t* text;
};

const std::vector<Target> kHtmlTargets = {
    {{200, 25}, L"Hello page"},
    {{80, 60}, L"bold"},
    {{200, 120}, L"Note text"},
    {{250, 80}, L"First bold words"},
};
const std::vector<Target> kAccessibleTargets = {
    {{200, 25}, L"Hello accessible"},
    {{80, 60}, L"bold link"},
    {{100, 200}, L"Cell one"},
    {{300, 200}, L"Cell two"},
    {{250, 80}, L"First bold link words"},
};

class CaptureTimingTest : public DragFixture {
  protected:
    // One move per element, from the previous one; the time until the text
    // area shows it. The first round only warms the objects up. A program
    // too busy to answer when the cursor came is asked again at the next
    // move, as the user's hand would give it: the test then moves on the
    // element, and that time is left out.
    std::vector<double> moveToText(const HostProcess& host, const std::vector<Target>& targets,
                                   int rounds) const {
        std::vector<double> times;
        for (int round = 0; round <= rounds; ++round) {
            for (const Target& target : targets) {
                const POINT at = host.at(target.page.x, target.page.y);
                mouseMove(at);
                const auto showsTarget = [&] { return shown() == target.text; };
                const double ms = millisecondsUntil(showsTarget, 20);
                if (ms < 0) {
                    std::printf("NOTE: %ls needed another move\n", target.text);
                    if (!hoverUntil(at, {at.x + 2, at.y + 1}, showsTarget, kStateSeconds)) {
                        ADD_FAILURE()
                            << printable(target.text) << " never showed; " << printable(shown());
                        return times;
                    }
                    continue;
                }
                if (round > 0) {
                    times.push_back(ms);
                }
            }
        }
        return times;
    }

    // With the program hanging inside the capture's call: the release, then
    // presses and releases on the hand icon with moves over the program in
    // between, each timed until Tarnwick's thread holds or lets go of the
    // mouse. A thread that does not follow within 10 s is given the program
    // back, and the time it took then is reported.
    void stallWhileHanging(const HostProcess& host, const HangFile& hang, const Target& first,
                           const Target& second, const char* what) const {
        const POINT start = host.at(first.page.x, first.page.y);
        glide(startDrag(), start);
        ASSERT_TRUE(waitFor([&] { return shown() == first.text; })) << printable(shown());
        hang.create();
        glide(start, host.at(second.page.x, second.page.y), 3);
        ASSERT_TRUE(waitFor([&] { return !host.answers(200); }))
            << "the capture never called into the program";

        std::vector<double> stalls;
        const auto timed = [&](bool holding) {
            double ms = millisecondsUntil([&] { return holdsMouse() == holding; }, 10);
            if (ms < 0) {
                hang.remove();
                const double more =
                    millisecondsUntil([&] { return holdsMouse() == holding; }, kStateSeconds);
                std::printf(
                    "MEASURE: %s: the window's thread followed only when the program "
                    "recovered after 10 s (%.1f ms later)\n",
                    what, more);
                ms = 10000 + more;
            }
            stalls.push_back(ms);
        };
        mouseUp();
        timed(false);
        // Presses alternate between two points of the icon, so that no two
        // count as a double click.
        RECT iconRect{};
        GetWindowRect(control(1000), &iconRect);
        const POINT centre = centerOf(control(1000));
        const int apart = (iconRect.right - iconRect.left) / 4;
        for (int i = 0; i < 20; ++i) {
            pressAt({centre.x + (i % 2 ? -apart : apart), centre.y});
            timed(true);
            mouseMove(host.at(second.page.x + i % 3, second.page.y));
            mouseMove(host.at(first.page.x, first.page.y + i % 3));
            mouseUp();
            timed(false);
        }
        double longest = 0;
        for (double ms : stalls) {
            longest = std::max(longest, ms);
        }
        const std::string name = what;
        measure((name + ", first release").c_str(), stalls.front());
        measure((name + ", median of 41").c_str(), median(stalls));
        measure((name + ", longest of 41").c_str(), longest);
        hang.remove();
        EXPECT_TRUE(host.recovered(kStateSeconds)) << "the program did not recover";
    }
};

TEST_F(CaptureTimingTest, MoveToTextOnAnHtmlPageAndOnAnAccessibleProgram) {
    HostProcess html(HostKind::html, L"simple");
    HostProcess accessible(HostKind::accessible, L"article");
    ASSERT_TRUE(html.ready()) << "page_host did not start";
    ASSERT_TRUE(accessible.ready()) << "accessible_host did not start";
    ASSERT_TRUE(accessible.moveTo(540, 100));
    setOption(1019, true);
    setOption(1003, false);
    setOption(1004, false);

    glide(startDrag(), html.at(200, 25));
    const std::vector<double> htmlTimes = moveToText(html, kHtmlTargets, 3);
    glide(html.at(200, 25), accessible.at(200, 25));
    const std::vector<double> accessibleTimes = moveToText(accessible, kAccessibleTargets, 3);
    mouseUp();
    measure("move to text, HTML page, median", median(htmlTimes));
    measure("move to text, accessible program, median", median(accessibleTimes));
}

TEST_F(CaptureTimingTest, LongestStallWhileACapturedProgramHangs) {
    HangFile htmlHang;
    HangFile accessibleHang;
    HostProcess html(HostKind::html, L"simple", {.hangFile = htmlHang.path()});
    HostProcess accessible(HostKind::accessible, L"article", {.hangFile = accessibleHang.path()});
    ASSERT_TRUE(html.ready()) << "page_host did not start";
    ASSERT_TRUE(accessible.ready()) << "accessible_host did not start";
    ASSERT_TRUE(accessible.moveTo(540, 100));
    setOption(1019, true);
    setOption(1003, false);
    setOption(1004, false);

    stallWhileHanging(html, htmlHang, kHtmlTargets[0], kHtmlTargets[2], "stall, HTML page hangs");
    stallWhileHanging(accessible, accessibleHang, kAccessibleTargets[0], kAccessibleTargets[2],
                      "stall, accessible program hangs");
}

}  // namespace
}  // namespace tnk::gui
