#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app_driver.h"

namespace tnk::gui {

// Tarnwick started in a fresh folder with the default configuration, its main
// window in front and holding the mouse, and the few things tests do with it.
class MainWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.writeConfig(defaultMarkup());
        app_ = std::make_unique<AppProcess>(folder_.exe());
        main_ = app_->mainWindow();
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(bringToFront(main_));
        clickBlankPanel(main_);
    }

    HWND control(int id) const { return GetDlgItem(main_, id); }
    // The text area's content.
    std::wstring shown() const { return windowText(control(1006)); }
    void click(int id) const { SendMessageW(control(id), BM_CLICK, 0, 0); }
    bool checked(int id) const {
        return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void setOption(int id, bool on) const {
        if (checked(id) != on) {
            click(id);
        }
    }
    // Returns once the window has handled everything sent to it before.
    void settle() const {
        DWORD_PTR ignored;
        SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_BLOCK, kStateMs, &ignored);
    }

    AppFolder folder_;
    std::unique_ptr<AppProcess> app_;
    HWND main_ = nullptr;
};

}  // namespace tnk::gui
