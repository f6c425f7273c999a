#pragma once

#include <windows.h>

#include <array>

namespace tnk {

// Each of red, green and blue times `factor` (clamped to 0..1), truncated.
COLORREF darken(COLORREF color, double factor);

// The three parts of the tab row that no tab covers: above the tabs, left of
// the first and right of the last. `tabs` is the union of the tab rectangles.
std::array<RECT, 3> tabRowBackground(const RECT& client, const RECT& tabs);

// The platform's tab control with owner-drawn tab faces and a background
// colour of its own for the free part of the tab row. Binds to an existing
// control; the parent reflects WM_DRAWITEM (ODT_TAB) to it.
class TabStrip {
  public:
    // The system button-face colour.
    static constexpr COLORREF kSystemFace = CLR_INVALID;

    TabStrip() = default;
    virtual ~TabStrip();
    TabStrip(const TabStrip&) = delete;
    TabStrip& operator=(const TabStrip&) = delete;

    void attach(HWND control);
    HWND hwnd() const { return hwnd_; }

    // 0: the platform draws everything; 1 and 2: tab faces are drawn here.
    // Other values are refused.
    bool setDrawMode(int mode);
    int drawMode() const { return drawMode_; }
    void setBackgroundColor(COLORREF color);
    COLORREF backgroundColor() const { return backgroundColor_; }

    virtual void drawItem(const DRAWITEMSTRUCT& item);
    virtual COLORREF tabColor(bool selected);
    virtual COLORREF tabTextColor(bool selected);

  private:
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    bool onEraseBackground(HDC dc);
    void applyOwnerDrawStyle();

    HWND hwnd_ = nullptr;
    int drawMode_ = 0;
    COLORREF backgroundColor_ = kSystemFace;
};

}  // namespace tnk
