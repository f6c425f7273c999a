#include "ui/controls/dialog.h"

namespace tnk {

INT_PTR Dialog::runModal(HWND owner, LPCWSTR templateName) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), templateName, owner, &Dialog::dialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) {
        return FALSE;
    }
    // No exception may cross into the system's dialog procedure.
    try {
        return self->dispatch(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog();
        case WM_COMMAND:
            return onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (onNotify(*reinterpret_cast<NMHDR*>(lParam), result)) {
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
                return TRUE;
            }
            return FALSE;
        }
        case WM_DRAWITEM:
            return onDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORMSGBOX:
            return reinterpret_cast<INT_PTR>(
                onCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_CLOSE:
            return onClose();
        default: {
            INT_PTR result = 0;
            return onMessage(message, wParam, lParam, result) ? result : FALSE;
        }
    }
}

}  // namespace tnk
