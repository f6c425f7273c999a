// The outline around the captured element, the capture key and the keys
// for "+" and "-", end to end over both stand-in hosts.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "drag_fixture.h"
#include "host_process.h"

namespace tnk::gui {
namespace {

using test::HostKind;
using test::HostProcess;

constexpr int kFilter = 1003;
constexpr int kHide = 1004;
constexpr int kEnlarge = 1008;
constexpr int kShrink = 1009;
constexpr int kOutline = 1021;
constexpr int kCopyAtOnce = 1022;
constexpr UINT kCaptureKeyCommand = 0x0020;
constexpr int kWidth = 3;
constexpr COLORREF kColor = RGB(232, 0, 160);

// Presses and releases keys, in order, as one input.
void pressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The colour of a screen pixel as the display shows it.
COLORREF colorAt(POINT screen) {
    HDC dc = GetDC(nullptr);
    const COLORREF color = GetPixel(dc, screen.x, screen.y);
    ReleaseDC(nullptr, dc);
    return color;
}

void pressCaptureKey() {
    pressKeys({VK_CONTROL, VK_SHIFT, VK_F9});
}

class OutlineTest : public DragFixture {
  protected:
    // Tarnwick's outline window, shown or not; null before the first one.
    HWND outline() const {
        struct Search {
            DWORD process;
            HWND found;
        } search{app_->id(), nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                wchar_t name[64] = {};
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                GetClassNameW(window, name, 64);
                if (process == s->process && std::wstring(name) == L"TarnwickOutline") {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    bool outlineShown() const {
        const HWND window = outline();
        return window && IsWindowVisible(window);
    }
    // Whether the outline frames the page box (x, y)-(right, bottom).
    bool outlines(const HostProcess& host, int x, int y, int right, int bottom) const {
        const HWND window = outline();
        if (!window || !IsWindowVisible(window)) {
            return false;
        }
        RECT rect{};
        GetWindowRect(window, &rect);
        const POINT topLeft = host.at(x, y);
        const POINT bottomRight = host.at(right, bottom);
        return rect.left == topLeft.x - kWidth && rect.top == topLeft.y - kWidth &&
               rect.right == bottomRight.x + kWidth && rect.bottom == bottomRight.y + kWidth;
    }
    // The frame is the window: the box inside it is no part of it, and the
    // window under any point of it is still the host's.
    void expectClickThrough(const HostProcess& host, POINT onFrame, POINT inside) const {
        const HWND window = outline();
        ASSERT_NE(window, nullptr);
        RECT rect{};
        GetWindowRect(window, &rect);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(window, region), ERROR);
        EXPECT_TRUE(PtInRegion(region, onFrame.x - rect.left, onFrame.y - rect.top));
        EXPECT_FALSE(PtInRegion(region, inside.x - rect.left, inside.y - rect.top));
        DeleteObject(region);
        EXPECT_EQ(WindowFromPoint(onFrame), host.page());
        EXPECT_EQ(WindowFromPoint(inside), host.page());
    }
};

TEST_F(OutlineTest, FramesTheElementWhileDraggingAndAfterPlusAndMinus) {
    HostProcess page(HostKind::html, L"simple");
    ASSERT_TRUE(page.ready()) << "page_host did not start";
    setOption(kFilter, false);
    setOption(kHide, false);
    ASSERT_TRUE(checked(kOutline)) << "on in a new configuration";

    const POINT heading = page.at(200, 25);
    glide(startDrag(), heading);
    EXPECT_TRUE(waitFor([&] { return outlines(page, 10, 10, 390, 40); }, 60)) << "the heading";
    EXPECT_EQ(shown(), L"Hello page");
    expectClickThrough(page, page.at(10 - 2, 25), page.at(11, 25));
    // Its pixels are on the screen, around the box and not in it.
    EXPECT_TRUE(waitFor([&] { return colorAt(page.at(200, 10 - 2)) == kColor; }, 30));
    EXPECT_NE(colorAt(heading), kColor);

    // A move within the element leaves it where it is; the next element
    // takes it along.
    const HWND window = outline();
    glide(heading, page.at(150, 30), 2);
    settle();
    EXPECT_TRUE(outlines(page, 10, 10, 390, 40));
    glide(page.at(150, 30), page.at(80, 60), 3);
    EXPECT_TRUE(waitFor([&] { return outlines(page, 60, 50, 100, 70); }, 60)) << "bold";
    EXPECT_EQ(outline(), window) << "one window, moved";
    // Painted whole at its new size: the right and bottom edges too.
    EXPECT_TRUE(waitFor([&] { return colorAt(page.at(100 + 1, 60)) == kColor; }, 30));
    EXPECT_TRUE(waitFor([&] { return colorAt(page.at(80, 70 + 1)) == kColor; }, 30));
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !outlineShown(); }, 30)) << "gone at the release";

    // "+" and "-" from the keyboard while Tarnwick is active: the outline
    // shows the wider element for a moment, then goes.
    ASSERT_TRUE(bringToFront(main_));
    // (The outline shows with the text, for two seconds: it is waited for
    // first.)
    pressKeys({VK_ADD});
    EXPECT_TRUE(waitFor([&] { return outlines(page, 10, 50, 390, 90); }, 60)) << "the paragraph";
    EXPECT_EQ(shown(), L"First bold words");
    EXPECT_TRUE(waitFor([&] { return !outlineShown(); }, 30)) << "gone after a moment";
    pressKeys({VK_CONTROL, VK_OEM_MINUS});
    EXPECT_TRUE(waitFor([&] { return outlines(page, 60, 50, 100, 70); }, 60));
    EXPECT_EQ(shown(), L"bold");
    EXPECT_FALSE(enabled(kShrink));
    // A key whose button is off does nothing.
    pressKeys({VK_SUBTRACT});
    settle();
    EXPECT_EQ(shown(), L"bold");

    // With the option off, no outline.
    setOption(kOutline, false);
    EXPECT_FALSE(outlineShown());
    command(kEnlarge);
    EXPECT_TRUE(waitFor([&] { return shown() == L"First bold words"; }, 60));
    settle();
    EXPECT_FALSE(outlineShown());
}

TEST_F(OutlineTest, FramesAnAccessibleObject) {
    HostProcess host(HostKind::accessible, L"article");
    ASSERT_TRUE(host.ready()) << "accessible_host did not start";
    setOption(kFilter, false);
    setOption(kHide, false);
    const POINT heading = host.at(200, 25);
    glide(startDrag(), heading);
    EXPECT_TRUE(waitFor([&] { return outlines(host, 10, 10, 390, 40); }, 90)) << "the heading";
    EXPECT_EQ(shown(), L"Hello accessible");
    expectClickThrough(host, host.at(200, 10 - 1), host.at(200, 11));
    mouseUp();
    EXPECT_TRUE(waitFor([&] { return !outlineShown(); }, 30));
}

// The capture key from another program's window: Tarnwick stays in the
// background, each press at the same point widens the capture, and "Copy
// at once" puts the text on the clipboard.
TEST_F(OutlineTest, TheCaptureKeyCapturesUnderThePointerAndWidensOnEachPress) {
    HostProcess page(HostKind::html, L"simple");
    ASSERT_TRUE(page.ready()) << "page_host did not start";
    setOption(kFilter, false);
    setOption(kCopyAtOnce, true);
    setClipboardText(L"before");
    ASSERT_TRUE(bringToFront(page.frame()));
    mouseMove(page.at(80, 60));
    Sleep(300);

    pressCaptureKey();
    EXPECT_TRUE(waitFor([&] { return outlines(page, 60, 50, 100, 70); }, 60));
    EXPECT_EQ(shown(), L"bold");
    EXPECT_TRUE(waitFor([&] { return clipboardText() == L"bold"; }, 30))
        << printable(clipboardText());
    EXPECT_EQ(GetForegroundWindow(), page.frame()) << "Tarnwick stays in the background";

    pressCaptureKey();
    EXPECT_TRUE(waitFor([&] { return outlines(page, 10, 50, 390, 90); }, 60));
    EXPECT_EQ(shown(), L"First bold words");
    EXPECT_TRUE(waitFor([&] { return clipboardText() == L"First bold words"; }, 30));
    pressCaptureKey();
    EXPECT_TRUE(waitFor([&] { return shown().find(L"Note text") != std::wstring::npos; }, 60))
        << printable(shown());
    EXPECT_EQ(GetForegroundWindow(), page.frame());
}

// Another program holds the key before Tarnwick starts.
class HeldKeyTest : public OutlineTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterHotKey(nullptr, 7, MOD_CONTROL | MOD_SHIFT, VK_F9));
        OutlineTest::SetUp();
    }
    void TearDown() override { UnregisterHotKey(nullptr, 7); }

    HWND openKeyDialog() const {
        PostMessageW(main_, WM_SYSCOMMAND, kCaptureKeyCommand, 0);
        return app_->waitDialog(1041, L"Capture key", 30);
    }
};

TEST_F(HeldKeyTest, TheKeyDialogSaysSoAndTakesAnotherKey) {
    HWND dialog = openKeyDialog();
    ASSERT_NE(dialog, nullptr);
    const std::wstring status = windowText(GetDlgItem(dialog, 1042));
    EXPECT_NE(status.find(L"Another program holds this key"), std::wstring::npos)
        << printable(status);
    EXPECT_EQ(sendBounded(GetDlgItem(dialog, 1041), HKM_GETHOTKEY),
              MAKEWORD(VK_F9, HOTKEYF_CONTROL | HOTKEYF_SHIFT));

    // Still held: the dialog stays and says so.
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    settle();
    EXPECT_TRUE(IsWindow(dialog));

    sendBounded(GetDlgItem(dialog, 1041), HKM_SETHOTKEY,
                MAKEWORD(VK_F8, HOTKEYF_CONTROL | HOTKEYF_SHIFT));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 30));
    settle();
    EXPECT_NE(folder_.readConfig().find(u"hotkey=\"Ctrl+Shift+F8\""), std::u16string::npos);
    // Tarnwick holds the new key now.
    EXPECT_FALSE(RegisterHotKey(nullptr, 8, MOD_CONTROL | MOD_SHIFT, VK_F8));
}

}  // namespace
}  // namespace tnk::gui
