// Captures driven with the real mouse: a plain window, Tarnwick itself, a
// lost capture, and what the command row does with the result.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "main_window_fixture.h"

namespace tnk::gui {
namespace {

const std::wstring kPhrase = L"Gr\u00fc\u00dfe aus Tarnwick \u2013 na\u00efve \u2603 text";

class CaptureTest : public MainWindowFixture {
  protected:
    // Whether the window shows on the screen: the window search finds it there.
    bool onScreen() const {
        HWND found = WindowFromPoint(centerOf(control(1006)));
        return found && GetAncestor(found, GA_ROOT) == main_;
    }
};

HWND findEdit(HWND dialog) {
    HWND found = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            if (lstrcmpiW(name, L"Edit") == 0 && IsWindowVisible(child)) {
                *reinterpret_cast<HWND*>(param) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string ansi(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

TEST_F(CaptureTest, PlainWindowTextAndWhatTheCommandsDoWithIt) {
    PlainWindow target(kPhrase, {760, 700, 1160, 800});
    ASSERT_TRUE(waitFor([&] { return WindowFromPoint(centerOf(target.hwnd())) == target.hwnd(); }))
        << "the target window does not show";
    setOption(1004, true);
    setOption(1007, false);
    const POINT icon = centerOf(control(1000));
    mouseMove(icon);
    Sleep(300);
    mouseDown();
    EXPECT_TRUE(waitFor([&] { return !onScreen() && !IsWindowVisible(main_); })) << "not hidden";
    glide(icon, centerOf(target.hwnd()));
    EXPECT_TRUE(waitFor([&] { return shown() == kPhrase; })) << "shown: " << printable(shown());
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return onScreen() && IsWindowVisible(main_); })) << "not shown again";
    settle();
    ASSERT_EQ(shown(), kPhrase);
    EXPECT_FALSE(IsWindowEnabled(control(1008)));

    // Copy right after the capture takes everything; after a selection, that part.
    setClipboardText(L"before");
    click(1010);
    EXPECT_TRUE(waitFor([&] { return clipboardText() == kPhrase; }));
    SendMessageW(control(1006), EM_SETSEL, 4, 9);
    click(1010);
    EXPECT_TRUE(waitFor([&] { return clipboardText() == kPhrase.substr(4, 5); }));

    // Auto wrap re-creates the text area after the window has grown.
    SetWindowPos(main_, nullptr, 0, 0, 760, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    settle();
    HWND oldEdit = control(1006);
    const RECT oldRect = childRect(oldEdit);
    const LRESULT oldFont = SendMessageW(oldEdit, WM_GETFONT, 0, 0);
    ASSERT_TRUE(GetWindowLongW(oldEdit, GWL_STYLE) & WS_HSCROLL);
    click(1007);
    ASSERT_TRUE(waitFor([&] { return control(1006) != oldEdit && control(1006); }));
    HWND edit = control(1006);
    const RECT rect = childRect(edit);
    EXPECT_TRUE(EqualRect(&rect, &oldRect));
    EXPECT_EQ(SendMessageW(edit, WM_GETFONT, 0, 0), oldFont);
    const LONG style = GetWindowLongW(edit, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_FALSE(style & WS_HSCROLL);
    EXPECT_TRUE(GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(shown(), kPhrase);

    // Save writes the shown string in the ANSI code page, without a mark.
    const std::wstring saved = folder_.path() + L"\\saved.txt";
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(1011, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(1011)));
    HWND saveAs = app_->waitDialog(0, L"Save As");
    ASSERT_NE(saveAs, nullptr);
    HWND name = findEdit(saveAs);
    ASSERT_NE(name, nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(saved.c_str()));
    PostMessageW(saveAs, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(saveAs); }));
    settle();
    EXPECT_EQ(fileBytes(saved), ansi(kPhrase));

    // A drag over Tarnwick itself leaves the capture as it was.
    setOption(1004, false);
    const POINT start = centerOf(control(1000));
    mouseMove(start);
    Sleep(300);
    mouseDown();
    EXPECT_TRUE(onScreen());
    glide(start, centerOf(control(1006)));
    mouseUp();
    settle();
    EXPECT_EQ(shown(), kPhrase);
    EXPECT_TRUE(onScreen());
}

TEST_F(CaptureTest, LosingTheMouseInTheMiddleOfADragShowsTheWindowAgain) {
    setOption(1004, true);
    const POINT icon = centerOf(control(1000));
    mouseMove(icon);
    Sleep(300);
    mouseDown();
    EXPECT_TRUE(waitFor([&] { return !onScreen() && !IsWindowVisible(main_); }));
    DWORD_PTR ignored;
    SendMessageTimeoutW(main_, WM_CANCELMODE, 0, 0, SMTO_BLOCK, kStateMs, &ignored);
    EXPECT_TRUE(waitFor([&] { return onScreen() && IsWindowVisible(main_); }));
    mouseUp();
    settle();
    EXPECT_TRUE(onScreen());
    EXPECT_TRUE(app_->running());
}

TEST_F(CaptureTest, AClickBesideTheIconStartsNoDrag) {
    setOption(1004, true);
    RECT icon{};
    GetWindowRect(control(1000), &icon);
    const POINT beside{icon.right + 4, icon.bottom + 4};
    mouseMove(beside);
    Sleep(300);
    mouseDown();
    Sleep(500);
    settle();
    EXPECT_TRUE(onScreen());
    mouseUp();
}

}  // namespace
}  // namespace tnk::gui
