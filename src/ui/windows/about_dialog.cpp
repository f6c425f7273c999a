#include "ui/windows/about_dialog.h"

#include "resources/product.h"
#include "resources/resource.h"
#include "ui/controls/panel.h"
#include "ui/controls/reflect.h"

namespace tnk {

AboutDialog::AboutDialog() : brush_(CreateSolidBrush(PanelColor)) {}

AboutDialog::~AboutDialog() {
    DeleteObject(brush_);
}

INT_PTR AboutDialog::run(HWND owner) {
    return runModal(owner, MAKEINTRESOURCEW(IDD_ABOUT));
}

BOOL AboutDialog::onInitDialog() {
    link_.attach(item(IDC_WEB_LINK));
    link_.target.target = kWebSite;
    link_.underline = 1;
    return TRUE;
}

bool AboutDialog::onCommand(int id, int, HWND) {
    if (id == IDOK || id == IDCANCEL) {
        end(id);
        return true;
    }
    return false;
}

HBRUSH AboutDialog::onCtlColor(UINT message, HDC dc, HWND control) {
    if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(control) == IDC_WEB_LINK) {
        return reinterpret_cast<HBRUSH>(SendMessageW(control, kReflectCtlColorStatic,
                                                     reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(control)));
    }
    SetBkColor(dc, PanelColor);
    return brush_;
}

}  // namespace tnk
