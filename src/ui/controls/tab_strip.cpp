#include "ui/controls/tab_strip.h"

#include <commctrl.h>

#include "ui/controls/panel.h"
#include "ui/controls/reflect.h"

namespace tnk {
namespace {

constexpr UINT_PTR kTabStripSubclass = 0x7AB5;

BYTE scaled(BYTE value, double factor) {
    return static_cast<BYTE>(value * factor);
}

void fill(HDC dc, const RECT& rect, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

COLORREF darken(COLORREF color, double factor) {
    if (factor >= 1) {
        factor = 1;
    } else if (factor <= 0) {
        factor = 0;
    }
    return RGB(scaled(GetRValue(color), factor), scaled(GetGValue(color), factor),
               scaled(GetBValue(color), factor));
}

std::array<RECT, 3> tabRowBackground(const RECT& client, const RECT& tabs) {
    const LONG h = tabs.bottom - tabs.top;
    RECT wide = tabs;
    InflateRect(&wide, 2, 3);
    return {RECT{client.left, client.top, client.right, wide.top + 3},
            RECT{client.left, client.top, 2, client.top + h + 2},
            RECT{client.left + (wide.right - wide.left) - 2, client.top, client.right,
                 client.top + h + 2}};
}

TabStrip::~TabStrip() {
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, &TabStrip::subclassProc, kTabStripSubclass);
    }
}

void TabStrip::attach(HWND control) {
    hwnd_ = control;
    SetWindowSubclass(hwnd_, &TabStrip::subclassProc, kTabStripSubclass,
                      reinterpret_cast<DWORD_PTR>(this));
    if (drawMode_ != 0) {
        applyOwnerDrawStyle();
    }
}

bool TabStrip::setDrawMode(int mode) {
    if (mode < 0 || mode > 2) {
        return false;
    }
    drawMode_ = mode;
    if (hwnd_) {
        applyOwnerDrawStyle();
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    return true;
}

void TabStrip::applyOwnerDrawStyle() {
    LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    style = drawMode_ == 0 ? (style & ~LONG_PTR{TCS_OWNERDRAWFIXED}) : (style | TCS_OWNERDRAWFIXED);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
}

void TabStrip::setBackgroundColor(COLORREF color) {
    backgroundColor_ = color;
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

COLORREF TabStrip::tabColor(bool) {
    return PanelColor;
}

COLORREF TabStrip::tabTextColor(bool selected) {
    return selected ? GetSysColor(COLOR_WINDOWTEXT) : darken(GetSysColor(COLOR_BTNFACE), 0.5);
}

bool TabStrip::onEraseBackground(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    RECT tabs{};
    const int count = TabCtrl_GetItemCount(hwnd_);
    for (int i = count - 1; i >= 0; --i) {
        RECT item{};
        TabCtrl_GetItemRect(hwnd_, i, &item);
        UnionRect(&tabs, &tabs, &item);
    }
    const COLORREF color =
        backgroundColor_ == kSystemFace ? GetSysColor(COLOR_BTNFACE) : backgroundColor_;
    const COLORREF oldColor = GetBkColor(dc);
    for (const RECT& part : tabRowBackground(client, tabs)) {
        fill(dc, part, color);
    }
    SetBkColor(dc, oldColor);
    return true;
}

void TabStrip::drawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const bool selected = static_cast<int>(item.itemID) == TabCtrl_GetCurSel(hwnd_);
    RECT rect = item.rcItem;
    rect.bottom += selected ? -1 : 2;
    fill(dc, rect, tabColor(selected));
    rect.left += 3;
    rect.top += selected ? 4 : 3;
    SetBkMode(dc, TRANSPARENT);

    wchar_t text[100] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT | TCIF_IMAGE;
    tab.pszText = text;
    tab.cchTextMax = 99;
    TabCtrl_GetItem(hwnd_, item.itemID, &tab);

    if (HIMAGELIST images = TabCtrl_GetImageList(hwnd_)) {
        ImageList_Draw(images, tab.iImage, dc, rect.left, rect.top, ILD_TRANSPARENT);
        rect.left += 19;
    }
    rect.right -= 3;
    // DT_MODIFYSTRING may write up to four characters beyond the text.
    wchar_t fitted[100 + 4] = {};
    lstrcpynW(fitted, text, 100);
    RECT measure{rect.left, rect.top, rect.right, rect.top + 20};
    DrawTextW(dc, fitted, -1, &measure,
              DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING);
    SetTextColor(dc, tabTextColor(selected));
    DrawTextW(dc, fitted, -1, &rect, DT_CENTER | DT_NOPREFIX);
}

LRESULT CALLBACK TabStrip::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) {
    auto* strip = reinterpret_cast<TabStrip*>(self);
    switch (message) {
        case WM_ERASEBKGND: {
            DefSubclassProc(hwnd, message, wParam, lParam);
            return strip->onEraseBackground(reinterpret_cast<HDC>(wParam));
        }
        case kReflectDrawItem:
            if (strip->drawMode_ != 0) {
                strip->drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            return FALSE;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &TabStrip::subclassProc, kTabStripSubclass);
            strip->hwnd_ = nullptr;
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace tnk
