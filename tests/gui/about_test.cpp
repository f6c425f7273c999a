// The About box and the launches of the browser, received by a stand-in
// that records its arguments.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app_driver.h"

namespace tnk::gui {
namespace {

// The shell looks for "iexplore" beside the launching program first, so a
// recorder copied there as iexplore.exe stands in for the browser.
class StandInBrowser {
  public:
    StandInBrowser(const std::wstring& folder, const std::wstring& record) : record_(record) {
        CopyFileW(hostPath(RECORDER_EXE).c_str(), (folder + L"\\iexplore.exe").c_str(), FALSE);
        SetEnvironmentVariableW(L"TNK_RECORDER_OUT", record_.c_str());
        DeleteFileW(record_.c_str());
    }
    ~StandInBrowser() { SetEnvironmentVariableW(L"TNK_RECORDER_OUT", nullptr); }

    // The recorded command line; empty until the browser was started.
    std::wstring take() {
        const std::string bytes = fileBytes(record_);
        DeleteFileW(record_.c_str());
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    }

  private:
    std::wstring record_;
};

TEST(AboutBox, ShowsTheProductAndItsLinkOpensTheBrowser) {
    AppFolder folder;
    folder.writeConfig(defaultMarkup());
    StandInBrowser browser(folder.path(), folder.path() + L"\\browser.txt");
    AppProcess app(folder.exe());
    HWND main = app.mainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(bringToFront(main));

    PostMessageW(main, WM_SYSCOMMAND, 0x0010, 0);
    HWND about = app.waitDialog(1018, L"About Tarnwick");
    ASSERT_NE(about, nullptr);
    HWND link = GetDlgItem(about, 1018);
    const std::wstring site = windowText(link);
    EXPECT_EQ(site.rfind(L"https://", 0), 0u) << site.size();

    RECT rect{};
    GetWindowRect(link, &rect);
    const POINT onText{rect.left + 8, (rect.top + rect.bottom) / 2};
    mouseMove(onText);
    Sleep(300);
    mouseDown();
    mouseUp();
    std::wstring launched;
    EXPECT_TRUE(waitFor([&] { return !(launched = browser.take()).empty(); }));
    EXPECT_NE(launched.find(site), std::wstring::npos);

    // Escape closes the box, and the main window stays.
    PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowVisible(main));

    // Help opens the documentation page of the same site.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(1017, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, 1017)));
    EXPECT_TRUE(waitFor([&] { return !(launched = browser.take()).empty(); }));
    EXPECT_NE(launched.find(site + L"tnkdoc.htm"), std::wstring::npos);
}

}  // namespace
}  // namespace tnk::gui
