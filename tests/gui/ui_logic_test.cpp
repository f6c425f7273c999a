// The window-free logic of the user interface, and the controls' own
// behaviour on windows of this test.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "ui/controls/output_edit.h"
#include "ui/controls/panel.h"
#include "ui/controls/reflect.h"
#include "ui/controls/resize_layout.h"
#include "ui/controls/static_link.h"
#include "ui/controls/tab_strip.h"

namespace tnk {
namespace {

HWND fakeWindow(int n) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(n));
}

TEST(ResizeLayout, SharesAreTruncatedAndRectanglesStayAsRecorded) {
    const LayoutEntry entry{fakeWindow(1), {10, 20, 30, 40}, 50, 100, 50, 0};
    EXPECT_EQ(placeEntry(entry, 7, 3), (LayoutRect{13, 23, 33, 40}));
    EXPECT_EQ(placeEntry(entry, 0, 0), entry.rect);
    const LayoutEntry negative{fakeWindow(1), {10, 20, 30, 40}, 50, 0, 0, 0};
    EXPECT_EQ(placeEntry(negative, 7, 0).x, 13);
    // 100 % of any growth is the growth itself (0.01 is not exact in binary).
    const LayoutEntry full{fakeWindow(1), {0, 0, 0, 0}, 100, 100, 100, 100};
    for (int g = 0; g < 5000; ++g) {
        ASSERT_EQ(placeEntry(full, g, g), (LayoutRect{g, g, g, g})) << g;
    }
}

TEST(ResizeLayout, KeepsTheBoundingBoxAndTheHeadFirstOrder) {
    ResizeLayout layout;
    layout.addEntry({nullptr, {0, 0, 500, 500}});
    EXPECT_TRUE(layout.entries().empty());
    EXPECT_EQ(layout.minLeft(), 2147483647);
    layout.addEntry({fakeWindow(1), {6, 50, 300, 100}, 0, 0, 100, 100});
    layout.addEntry({fakeWindow(2), {3, 8, 20, 400}, 0, 100, 0, 0});
    ASSERT_EQ(layout.entries().size(), 2u);
    EXPECT_EQ(layout.entries()[0].control, fakeWindow(2));
    EXPECT_EQ(layout.minLeft(), 3);
    EXPECT_EQ(layout.minTop(), 8);
    EXPECT_EQ(layout.maxRight(), 306);
    EXPECT_EQ(layout.maxBottom(), 408);
    EXPECT_EQ(layout.growthX(309), 0);
    EXPECT_EQ(layout.growthX(409), 100);
    EXPECT_EQ(layout.growthX(100), 0);
    EXPECT_EQ(layout.growthY(466), 50);

    layout.addEntry({fakeWindow(1), {0, 0, 1, 1}});
    EXPECT_TRUE(layout.replaceControl(fakeWindow(1), fakeWindow(9)));
    EXPECT_EQ(layout.entries()[0].control, fakeWindow(9));
    EXPECT_EQ(layout.entries()[2].control, fakeWindow(1));
    EXPECT_FALSE(layout.replaceControl(fakeWindow(5), fakeWindow(6)));
}

TEST(TabStripColours, DarkenClampsAndTruncates) {
    EXPECT_EQ(darken(RGB(212, 208, 200), 0.5), RGB(106, 104, 100));
    EXPECT_EQ(darken(RGB(255, 255, 255), 1.0 / 3), RGB(85, 85, 85));
    EXPECT_EQ(darken(RGB(10, 20, 30), 7), RGB(10, 20, 30));
    EXPECT_EQ(darken(RGB(10, 20, 30), -1), RGB(0, 0, 0));
    EXPECT_EQ(darken(0xFF0A141E, 1), RGB(30, 20, 10));
}

TEST(TabStripColours, FreeTabRowAreas) {
    const RECT client{0, 0, 300, 40};
    const RECT tabs{2, 2, 122, 22};
    const auto parts = tabRowBackground(client, tabs);
    EXPECT_TRUE(EqualRect(&parts[0], std::data({RECT{0, 0, 300, 2}})));
    EXPECT_TRUE(EqualRect(&parts[1], std::data({RECT{0, 0, 2, 22}})));
    EXPECT_TRUE(EqualRect(&parts[2], std::data({RECT{122, 0, 300, 22}})));
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND child(const wchar_t* className, DWORD style, const wchar_t* text = L"") {
        return CreateWindowExW(0, className, text, WS_CHILD | style, 10, 10, 300, 40, parent_,
                               nullptr, nullptr, nullptr);
    }

    HWND parent_ = nullptr;
};

TEST_F(WindowTest, TabStripDrawModeSwitchesOnlyTheOwnerDrawStyle) {
    HWND control = child(WC_TABCONTROLW, WS_TABSTOP);
    const LONG_PTR base = GetWindowLongPtrW(control, GWL_STYLE);
    TabStrip strip;
    EXPECT_TRUE(strip.setDrawMode(2));
    strip.attach(control);
    EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE), base | TCS_OWNERDRAWFIXED);
    EXPECT_FALSE(strip.setDrawMode(3));
    EXPECT_FALSE(strip.setDrawMode(-1));
    EXPECT_EQ(strip.drawMode(), 2);
    EXPECT_TRUE(strip.setDrawMode(0));
    EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE), base);
    EXPECT_TRUE(strip.setDrawMode(1));
    EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE), base | TCS_OWNERDRAWFIXED);
    EXPECT_EQ(strip.backgroundColor(), TabStrip::kSystemFace);
    EXPECT_EQ(strip.tabColor(true), PanelColor);
    EXPECT_EQ(strip.tabTextColor(false), darken(GetSysColor(COLOR_BTNFACE), 0.5));
}

TEST_F(WindowTest, TabFacesAreFilledAndCaptionsFitTheTab) {
    HWND control = child(WC_TABCONTROLW, 0);
    TabStrip strip;
    strip.attach(control);
    strip.setDrawMode(1);
    wchar_t label[] = L"A very long caption that cannot fit";
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = label;
    TabCtrl_InsertItem(control, 0, &tab);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT white{0, 0, 100, 40};
    FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_TAB;
    item.itemID = 0;
    item.hwndItem = control;
    item.hDC = dc;
    item.rcItem = {0, 0, 60, 20};
    EXPECT_TRUE(SendMessageW(control, kReflectDrawItem, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(GetPixel(dc, 1, 1), PanelColor);
    // The selected face ends a pixel higher; the long caption is cut with an
    // ellipsis instead of running over the tab's right edge.
    EXPECT_EQ(GetPixel(dc, 1, 18), PanelColor);
    EXPECT_EQ(GetPixel(dc, 1, 19), RGB(255, 255, 255));
    for (int x = 60; x < 100; ++x) {
        for (int y = 0; y < 40; ++y) {
            ASSERT_EQ(GetPixel(dc, x, y), RGB(255, 255, 255)) << x << "," << y;
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(WindowTest, LinkColoursOnlyTextStatics) {
    HWND text = child(L"STATIC", SS_LEFT, L"https://example.invalid/");
    HWND icon = child(L"STATIC", SS_ICON);
    CStaticLink textLink;
    CStaticLink iconLink;
    textLink.attach(text);
    iconLink.attach(icon);
    textLink.underline = 1;
    HDC dc = GetDC(text);
    EXPECT_EQ(SendMessageW(text, kReflectCtlColorStatic, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(GetTextColor(dc), kLinkColor);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    LOGFONTW font{};
    GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    ReleaseDC(text, dc);
    EXPECT_EQ(SendMessageW(icon, kReflectCtlColorStatic, 0, 0), 0);
    EXPECT_EQ(SendMessageW(text, WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(LinkTarget{}.navigate(), 0);
}

TEST_F(WindowTest, OutputEditCopiesEverythingOnlyFromTheStartPosition) {
    RECT rect{0, 0, 200, 100};
    HWND edit = createOutputEdit(parent_, 1006, WS_CHILD | ES_MULTILINE | ES_READONLY, 0, rect);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"captured words");
    auto clipboard = [] {
        std::wstring text;
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                text = static_cast<const wchar_t*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        return text;
    };
    SendMessageW(edit, WM_COPY, 0, 0);
    EXPECT_EQ(clipboard(), L"captured words");
    EXPECT_EQ(SendMessageW(edit, EM_GETSEL, 0, 0), 0);
    SendMessageW(edit, EM_SETSEL, 9, 14);
    SendMessageW(edit, WM_COPY, 0, 0);
    EXPECT_EQ(clipboard(), L"words");
    SendMessageW(edit, EM_SETSEL, 3, 3);
    SendMessageW(edit, WM_COPY, 0, 0);
    EXPECT_EQ(clipboard(), L"words");
}

}  // namespace
}  // namespace tnk
