// The main window without a capture: options, keys, resizing.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "config/config_document.h"
#include "main_window_fixture.h"

namespace tnk::gui {
namespace {

class MainWindowTest : public MainWindowFixture {
  protected:
    std::int32_t storedOption(std::u16string_view key) {
        ConfigDocument doc;
        doc.parse(folder_.readConfig());
        const ConfigNode* option = doc.findTopLevel(u"option");
        return option ? option->intAttribute(key, -1) : -2;
    }
};

TEST_F(MainWindowTest, EachOptionClickIsStoredAtOnce) {
    const std::pair<int, const char16_t*> options[] = {
        {1003, u"filter"},   {1004, u"hideoc"},  {1007, u"autowrap"},  {1019, u"anywindow"},
        {1020, u"tidytext"}, {1021, u"outline"}, {1022, u"copyatonce"}};
    for (const auto& [id, key] : options) {
        HWND box = GetDlgItem(main_, id);
        const bool wasChecked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(box, BM_CLICK, 0, 0);
        EXPECT_TRUE(waitFor([&] { return storedOption(key) == (wasChecked ? 0 : 1); }))
            << "option " << id;
        SendMessageW(box, BM_CLICK, 0, 0);
        EXPECT_TRUE(waitFor([&] { return storedOption(key) == (wasChecked ? 1 : 0); }))
            << "option " << id;
    }
}

TEST_F(MainWindowTest, EnterAndEscapeLeaveTheWindowOpen) {
    HWND edit = GetDlgItem(main_, 1006);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageW(edit, WM_KEYDOWN, key, 0);
        PostMessageW(edit, WM_KEYUP, key, 0xC0000000);
    }
    PostMessageW(main_, WM_COMMAND, IDOK, 0);
    PostMessageW(main_, WM_COMMAND, IDCANCEL, 0);
    // A message sent after the posted ones is handled after them.
    DWORD_PTR ignored;
    SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_BLOCK, kStateMs, &ignored);
    EXPECT_TRUE(IsWindow(main_));
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_TRUE(app_->running());
}

void resizeTo(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD_PTR ignored;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, kStateMs, &ignored);
}

std::map<int, RECT> controlRects(HWND main) {
    std::map<int, RECT> rects;
    for (int id : {1000, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013,
                   1014, 1016, 1017}) {
        rects[id] = childRect(GetDlgItem(main, id));
    }
    return rects;
}

TEST_F(MainWindowTest, ControlsFollowTheGrowthAndTheMinimumSizeHolds) {
    resizeTo(main_, 760, 600);
    const auto before = controlRects(main_);
    resizeTo(main_, 860, 650);
    const auto after = controlRects(main_);
    for (const auto& [id, was] : before) {
        const RECT& now = after.at(id);
        const bool widens = id == 1013 || id == 1005 || id == 1006 || id == 1014;
        const bool heightens = id == 1006 || id == 1014;
        const bool bottomRow = id == 1007 || (id >= 1008 && id <= 1012) || id == 1017;
        EXPECT_EQ(now.left, was.left) << id;
        EXPECT_EQ(now.right - was.right, widens ? 100 : 0) << id;
        EXPECT_EQ(now.top - was.top, bottomRow ? 50 : 0) << id;
        EXPECT_EQ(now.bottom - was.bottom, heightens || bottomRow ? 50 : 0) << id;
    }

    resizeTo(main_, 100, 100);
    RECT window{};
    GetWindowRect(main_, &window);
    EXPECT_EQ(window.right - window.left, 488);
    EXPECT_EQ(window.bottom - window.top, 348);
}

}  // namespace
}  // namespace tnk::gui
