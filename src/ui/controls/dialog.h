#pragma once

#include <windows.h>

namespace tnk {

// A modal dialog from a template. The dialog procedure maps each message to a
// named handler; a dialog overrides only the ones it uses. A handler returns
// true when it handled the message (the value for the dialog procedure then
// comes from `setResult`, default 0 / TRUE as Windows expects).
class Dialog {
  public:
    virtual ~Dialog() = default;

    // Runs the dialog from template `templateName` (MAKEINTRESOURCEW(id) or a
    // string name) in the program module.
    INT_PTR runModal(HWND owner, LPCWSTR templateName);

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }

  protected:
    // WM_INITDIALOG: return TRUE to let Windows set the focus.
    virtual BOOL onInitDialog() { return TRUE; }
    // WM_COMMAND: control id, notification code, control window.
    virtual bool onCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool onNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool onDrawItem(DRAWITEMSTRUCT& /*item*/) { return false; }
    // WM_CTLCOLOR*: return a brush to use, or null for the default handling.
    virtual HBRUSH onCtlColor(UINT /*message*/, HDC /*dc*/, HWND /*control*/) { return nullptr; }
    virtual bool onClose() { return false; }
    // Every other message; set `result` and return true when handled.
    virtual bool onMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                           INT_PTR& /*result*/) {
        return false;
    }

    void end(INT_PTR result) { EndDialog(hwnd_, result); }

  private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

}  // namespace tnk
