// Captures from the test page host: a window of the browser's document class
// serving small pages through the real document interfaces.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "main_window_fixture.h"

namespace tnk::gui {
namespace {

// One page_host.exe, ended by its handle.
class PageHost {
  public:
    explicit PageHost(const std::wstring& page) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        const std::wstring exe = hostPath(PAGE_HOST_EXE);
        std::wstring commandLine = L"\"" + exe + L"\" " + page;
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                            CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info_)) {
            return;
        }
        waitFor([&] { return (server_ = findServer()) != nullptr; }, 60);
    }
    ~PageHost() {
        if (info_.hProcess) {
            TerminateProcess(info_.hProcess, 0);
            WaitForSingleObject(info_.hProcess, 10000);
            CloseHandle(info_.hThread);
            CloseHandle(info_.hProcess);
        }
    }

    HWND server() const { return server_; }
    // A point of the page in screen coordinates.
    POINT at(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(server_, &p);
        return p;
    }

  private:
    HWND findServer() const {
        struct Search {
            DWORD process;
            HWND found;
        } search{info_.dwProcessId, nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(param);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == s.process && IsWindowVisible(window)) {
                    s.found = FindWindowExW(window, nullptr, L"Internet Explorer_Server", nullptr);
                }
                return s.found ? FALSE : TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    PROCESS_INFORMATION info_{};
    HWND server_ = nullptr;
};

void collectTexts(HWND window, std::vector<std::wstring>& texts) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        texts.push_back(windowText(child));
        collectTexts(child, texts);
    }
}

class PageCaptureTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        // Beside the page, so that the page stays uncovered.
        SetWindowPos(main_, nullptr, 640, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        settle();
    }

    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    // A button press as the button reports it to the window.
    void command(int id) const {
        PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(id)));
    }
    POINT startDrag() const {
        const POINT icon = centerOf(control(1000));
        mouseMove(icon);
        Sleep(300);
        mouseDown();
        return icon;
    }
};

TEST_F(PageCaptureTest, ElementsShowWhileMovingAndTheSourceIsKeptAtRelease) {
    PageHost page(L"simple");
    ASSERT_NE(page.server(), nullptr) << "page_host did not start";
    setOption(1003, false);
    setOption(1004, false);

    const POINT heading = page.at(200, 25);
    glide(startDrag(), heading);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Hello page"; }, 60)) << printable(shown());
    EXPECT_TRUE(enabled(1008));
    EXPECT_FALSE(enabled(1009));
    glide(heading, page.at(80, 60), 3);
    EXPECT_TRUE(waitFor([&] { return shown() == L"bold"; }, 60)) << printable(shown());
    mouseUp();
    settle();
    EXPECT_EQ(shown(), L"bold");

    // "+" walks up to the paragraph and "-" back down.
    command(1008);
    EXPECT_TRUE(waitFor([&] { return shown() == L"First bold words"; }, 60)) << printable(shown());
    EXPECT_TRUE(enabled(1009));
    command(1009);
    EXPECT_TRUE(waitFor([&] { return shown() == L"bold"; }, 60));
    EXPECT_FALSE(enabled(1009));

    // The HTML tab shows the element's markup; the Text tab its text again.
    TabCtrl_SetCurFocus(control(1005), 1);
    EXPECT_TRUE(waitFor([&] { return shown().find(L">bold<") != std::wstring::npos; }, 30))
        << printable(shown());
    TabCtrl_SetCurFocus(control(1005), 0);
    EXPECT_TRUE(waitFor([&] { return shown() == L"bold"; }, 30));

    // The depository offers the page's title and address for the new record.
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(1012, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(1012)));
    HWND depository = nullptr;
    ASSERT_TRUE(waitFor([&] { return (depository = app_->findDialog(0, nullptr, main_)); }, 30));
    std::vector<std::wstring> texts;
    collectTexts(depository, texts);
    bool hasTitle = false;
    bool hasUrl = false;
    for (const std::wstring& text : texts) {
        hasTitle = hasTitle || text == L"Simple page";
        hasUrl = hasUrl || text.find(L"simple.html") != std::wstring::npos;
    }
    EXPECT_TRUE(hasTitle);
    EXPECT_TRUE(hasUrl);
    PostMessageW(depository, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(depository); }, 30));
}

TEST_F(PageCaptureTest, TheReleaseFiltersTheTextWhenAsked) {
    PageHost page(L"filtered");
    ASSERT_NE(page.server(), nullptr) << "page_host did not start";
    setOption(1003, true);
    setOption(1004, false);
    glide(startDrag(), page.at(200, 250));
    EXPECT_TRUE(waitFor([&] { return shown().find(L"hidden") != std::wstring::npos; }, 60))
        << printable(shown());
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return shown().find(L"hidden") == std::wstring::npos; }, 120));
    const std::wstring text = shown();
    EXPECT_NE(text.find(L"Visible"), std::wstring::npos);
    EXPECT_NE(text.find(L"two"), std::wstring::npos);
    EXPECT_EQ(text.find(L"ghost"), std::wstring::npos);
}

TEST_F(PageCaptureTest, AFrameIsEnteredOneLevelDeep) {
    PageHost page(L"frames");
    ASSERT_NE(page.server(), nullptr) << "page_host did not start";
    setOption(1003, false);
    setOption(1004, true);
    glide(startDrag(), page.at(100, 30));
    EXPECT_TRUE(waitFor([&] { return shown() == L"Left text"; }, 90)) << printable(shown());
    EXPECT_FALSE(IsWindowVisible(main_)) << "hidden while capturing";
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(main_) != FALSE; }, 20)) << "shown again";
    settle();
    EXPECT_EQ(shown(), L"Left text");
}

// Each frame is entered with its own offset, also when the second frame's
// proxy arrives at the address the first one's had.
TEST_F(PageCaptureTest, OneDragFromAFrameIntoAnIframeShowsEach) {
    PageHost page(L"mixed");
    ASSERT_NE(page.server(), nullptr) << "page_host did not start";
    setOption(1003, false);
    setOption(1004, false);
    const POINT side = page.at(60, 120);
    glide(startDrag(), side);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Side text"; }, 90)) << printable(shown());
    const POINT inline_ = page.at(260, 80);
    glide(side, inline_, 4);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Inline text"; }, 90)) << printable(shown());
    EXPECT_TRUE(enabled(1008));
    glide(inline_, side, 4);
    EXPECT_TRUE(waitFor([&] { return shown() == L"Side text"; }, 90)) << printable(shown());
    mouseUp();
    settle();
    EXPECT_EQ(shown(), L"Side text");
}

}  // namespace
}  // namespace tnk::gui
