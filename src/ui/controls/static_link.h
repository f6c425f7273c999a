#pragma once

#include <windows.h>

#include <string>

namespace tnk {

// Where a link leads: a web address, opened in the browser, or a "mailto:"
// address, opened by the mail program.
struct LinkTarget {
    std::wstring target;

    // The launch result; above 32 means success, 0 for an empty target.
    INT_PTR navigate() const;
};

// A static text control that draws itself as an underlined blue link, shows
// a hand over itself and opens its target when clicked. The parent reflects
// WM_CTLCOLORSTATIC to it (kReflectCtlColorStatic).
class CStaticLink {
  public:
    explicit CStaticLink(std::wstring target = {});
    ~CStaticLink();
    CStaticLink(const CStaticLink&) = delete;
    CStaticLink& operator=(const CStaticLink&) = delete;

    void attach(HWND control);
    HWND hwnd() const { return hwnd_; }

    LinkTarget target;
    COLORREF textColor;
    BYTE underline = 0;

    // Fills an empty target from the string resource of the control's id or
    // from the control's text, then follows it; a failed launch beeps.
    void follow();

  private:
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    HBRUSH onCtlColor(HDC dc);
    bool onSetCursor();

    HWND hwnd_ = nullptr;
    HFONT linkFont_ = nullptr;
};

// The link colour every CStaticLink starts with.
constexpr COLORREF kLinkColor = RGB(0, 0, 255);

}  // namespace tnk
