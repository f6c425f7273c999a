#include "ui/controls/output_edit.h"

#include <commctrl.h>

namespace tnk {
namespace {

constexpr UINT_PTR kOutputEditSubclass = 0x7E47;

LRESULT CALLBACK outputEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    switch (message) {
        case WM_COPY:
            // Nothing selected at position 0 (the state after every new text):
            // copy everything, then put the caret back.
            if (SendMessageW(edit, EM_GETSEL, 0, 0) == 0) {
                SendMessageW(edit, EM_SETSEL, 0, -1);
                DefSubclassProc(edit, WM_COPY, 0, 0);
                SendMessageW(edit, EM_SETSEL, 0, 0);
                return 0;
            }
            break;
        case WM_KEYDOWN:
            // A multi-line edit inside a dialog answers Escape by closing the
            // dialog outright. Escape means Cancel here, which each dialog
            // decides on: the main window ignores it.
            if (wParam == VK_ESCAPE) {
                SendMessageW(GetParent(edit), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, outputEditProc, kOutputEditSubclass);
            break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void makeOutputEdit(HWND edit) {
    if (edit) {
        SetWindowSubclass(edit, outputEditProc, kOutputEditSubclass, 0);
    }
}

HWND createOutputEdit(HWND parent, int id, DWORD style, DWORD exStyle, const RECT& rect) {
    HWND edit = CreateWindowExW(
        exStyle, L"EDIT", L"", style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!edit) {
        return nullptr;
    }
    makeOutputEdit(edit);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return edit;
}

}  // namespace tnk
