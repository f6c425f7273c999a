#include "ui/windows/find_dialog.h"

#include "platform/win_string.h"
#include "ui/controls/panel.h"
#include "ui/windows/depository_res.h"

namespace tnk {

FindDialog::FindDialog(const Depository& depository)
    : depository_(depository), brush_(CreateSolidBrush(PanelColor)) {}

FindDialog::~FindDialog() {
    DeleteObject(brush_);
}

BOOL FindDialog::onInitDialog() {
    HWND groups = item(IDC_FIND_GROUP);
    SendMessageW(groups, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"All groups"));
    for (const std::u16string& name : depository_.groupNames()) {
        SendMessageW(groups, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(name).c_str()));
    }
    HWND fields = item(IDC_FIND_FIELD);
    for (const wchar_t* field : {L"All fields", L"title", L"source", L"content", L"remark"}) {
        SendMessageW(fields, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(field));
    }
    SendMessageW(groups, CB_SETCURSEL, 0, 0);
    SendMessageW(fields, CB_SETCURSEL, 0, 0);
    return TRUE;
}

std::u16string FindDialog::selectedEntry(int id) const {
    HWND box = item(id);
    LRESULT index = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (index <= 0) {
        return {};
    }
    LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring entry(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return fromWide(entry);
}

bool FindDialog::onCommand(int id, int, HWND) {
    if (id == IDOK) {
        criteria.group = selectedEntry(IDC_FIND_GROUP);
        criteria.field = selectedEntry(IDC_FIND_FIELD);
        HWND keyword = item(IDC_FIND_KEYWORD);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(keyword)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(keyword, text.data(), static_cast<int>(text.size()))));
        criteria.keyword = fromWide(text);
        end(IDOK);
        return true;
    }
    if (id == IDCANCEL) {
        end(IDCANCEL);
        return true;
    }
    return false;
}

HBRUSH FindDialog::onCtlColor(UINT message, HDC dc, HWND) {
    if (message == WM_CTLCOLOREDIT) {
        return nullptr;
    }
    SetBkColor(dc, PanelColor);
    return brush_;
}

}  // namespace tnk
