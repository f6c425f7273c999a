#include "ui/windows/depository_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "config/config_document.h"
#include "depository/record_search.h"
#include "platform/win_string.h"
#include "ui/controls/output_edit.h"
#include "ui/controls/panel.h"
#include "ui/windows/depository_res.h"
#include "ui/windows/find_dialog.h"

namespace tnk {
namespace {

struct Column {
    const wchar_t* heading;
    int width;
};
constexpr Column kColumns[] = {{L"Title", 80},    {L"Group", 80},   {L"Source", 100},
                               {L"Content", 120}, {L"Remark", 100}, {L"Time", 80}};

}  // namespace

void openDepositoryDialog(HWND owner, const std::u16string& title, const std::u16string& source,
                          const std::u16string& content) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    Depository depository(theConfig());
    DepositoryDialog dialog(depository);
    dialog.initialTitle = title;
    dialog.initialSource = source;
    dialog.initialContent = content;
    dialog.run(owner);
}

DepositoryDialog::DepositoryDialog(Depository& depository)
    : depository_(depository), brush_(CreateSolidBrush(PanelColor)) {}

DepositoryDialog::~DepositoryDialog() {
    DeleteObject(brush_);
}

BOOL DepositoryDialog::onInitDialog() {
    HWND list = item(IDC_DEP_TABLE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 6; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kColumns[i].heading);
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    makeOutputEdit(item(IDC_DEP_CONTENT));
    setText(IDC_DEP_TITLE, initialTitle);
    setText(IDC_DEP_SOURCE, initialSource);
    setText(IDC_DEP_CONTENT, initialContent);

    table_.assign(findRecords(depository_, {}));
    HWND groups = item(IDC_DEP_GROUP);
    for (const std::u16string& name : depository_.groupNames()) {
        SendMessageW(groups, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(name).c_str()));
    }
    refreshTable({});
    focus(IDC_DEP_TITLE);
    return FALSE;
}

bool DepositoryDialog::onCommand(int id, int code, HWND) {
    if (id == IDOK || id == IDCANCEL) {
        // No OK or Cancel button: Enter, Escape and the close box all just
        // close; every command has saved already.
        end(IDCANCEL);
        return true;
    }
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
        case IDC_DEP_ADD_GROUP:
            addGroup();
            return true;
        case IDC_DEP_DEL_GROUP:
            delGroup();
            return true;
        case IDC_DEP_ADD:
            addRecord();
            return true;
        case IDC_DEP_CHANGE:
            changeRecord();
            return true;
        case IDC_DEP_DELETE:
            deleteRecord();
            return true;
        case IDC_DEP_FIND:
            runFind();
            return true;
        case IDC_DEP_EXPORT:
            exportSelected();
            return true;
        case IDC_DEP_OPTION:
            return true;
        default:
            return false;
    }
}

bool DepositoryDialog::onNotify(NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_DEP_TABLE) {
        return false;
    }
    switch (header.code) {
        case LVN_GETDISPINFOW:
            getCellText(reinterpret_cast<NMLVDISPINFOW&>(header));
            return true;
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:
            updateButtons();
            return true;
        case NM_DBLCLK:
            loadSelectedRecord();
            return true;
        case LVN_ODFINDITEMW:
            // Type-ahead search is not offered: the table is never sorted.
            result = -1;
            return true;
        default:
            return false;
    }
}

void DepositoryDialog::getCellText(NMLVDISPINFOW& info) const {
    LVITEMW& cell = info.item;
    if (!(cell.mask & LVIF_TEXT) || !cell.pszText || cell.cchTextMax <= 0) {
        return;
    }
    if (cell.iItem < 0 || static_cast<std::size_t>(cell.iItem) >= table_.size()) {
        cell.pszText[0] = L'\0';
        return;
    }
    // As much as the asker has room for, as a list view holding its own
    // texts would give: drawing asks for a line's worth, a reader for more.
    const std::size_t room = static_cast<std::size_t>(cell.cchTextMax) - 1;
    std::u16string_view shown =
        cellText(table_.row(static_cast<std::size_t>(cell.iItem)), cell.iSubItem, room);
    std::copy(shown.begin(), shown.end(), cell.pszText);
    cell.pszText[shown.size()] = L'\0';
}

bool DepositoryDialog::onDrawItem(DRAWITEMSTRUCT& drawn) {
    if (drawn.CtlType != ODT_BUTTON) {
        return false;
    }
    drawPanelButton(drawn);
    return true;
}

HBRUSH DepositoryDialog::onCtlColor(UINT message, HDC dc, HWND) {
    if (message == WM_CTLCOLOREDIT) {
        return nullptr;
    }
    SetBkColor(dc, PanelColor);
    return brush_;
}

std::u16string DepositoryDialog::text(int id) const {
    HWND control = item(id);
    std::wstring value(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    value.resize(static_cast<std::size_t>(
        GetWindowTextW(control, value.data(), static_cast<int>(value.size()))));
    return fromWide(value);
}

void DepositoryDialog::setText(int id, std::u16string_view value) {
    SetWindowTextW(item(id), toWide(value).c_str());
}

std::vector<std::u16string> DepositoryDialog::groupList() const {
    HWND groups = item(IDC_DEP_GROUP);
    LRESULT count = SendMessageW(groups, CB_GETCOUNT, 0, 0);
    std::vector<std::u16string> names;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(groups, CB_GETLBTEXTLEN, i, 0);
        std::wstring name(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        LRESULT copied =
            SendMessageW(groups, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name.data()));
        name.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        names.push_back(fromWide(name));
    }
    return names;
}

RecordFields DepositoryDialog::readFields() const {
    RecordFields fields;
    fields.title = text(IDC_DEP_TITLE);
    fields.group = text(IDC_DEP_GROUP);
    fields.source = text(IDC_DEP_SOURCE);
    fields.content = text(IDC_DEP_CONTENT);
    fields.remark = text(IDC_DEP_REMARK);
    return fields;
}

void DepositoryDialog::focus(int id) {
    SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(id)), TRUE);
}

void DepositoryDialog::warn(const Warning& warning) {
    MessageBoxW(hwnd(), toWide(warning.text).c_str(), toWide(kDepositoryCaption).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
    focus(warning.focus == FocusField::Title ? IDC_DEP_TITLE : IDC_DEP_GROUP);
}

bool DepositoryDialog::confirm(std::u16string_view question, std::u16string_view caption) {
    return MessageBoxW(hwnd(), toWide(question).c_str(), toWide(caption).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
}

std::vector<int> DepositoryDialog::selectedRows() const {
    HWND list = item(IDC_DEP_TABLE);
    std::vector<int> rows;
    for (int index = ListView_GetNextItem(list, -1, LVNI_SELECTED); index >= 0;
         index = ListView_GetNextItem(list, index, LVNI_SELECTED)) {
        rows.push_back(index);
    }
    return rows;
}

void DepositoryDialog::refreshTable(const std::vector<int>& selected) {
    HWND list = item(IDC_DEP_TABLE);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemCountEx(list, static_cast<int>(table_.size()), LVSICF_NOSCROLL);
    for (int index : selected) {
        ListView_SetItemState(list, index, LVIS_SELECTED, LVIS_SELECTED);
    }
    InvalidateRect(list, nullptr, TRUE);
    updateButtons();
}

void DepositoryDialog::updateButtons() {
    int selected = ListView_GetSelectedCount(item(IDC_DEP_TABLE));
    EnableWindow(item(IDC_DEP_CHANGE), selected == 1);
    EnableWindow(item(IDC_DEP_DELETE), selected >= 1);
    EnableWindow(item(IDC_DEP_EXPORT), selected >= 1);
}

void DepositoryDialog::addGroup() {
    std::u16string name = text(IDC_DEP_GROUP);
    if (auto warning = checkAddGroup(name, groupList())) {
        warn(*warning);
        return;
    }
    if (!confirm(confirmAddGroupText(name), kDepositoryCaption)) {
        return;
    }
    depository_.addGroup(name);
    SendMessageW(item(IDC_DEP_GROUP), CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(toWide(name).c_str()));
    depository_.save();
}

void DepositoryDialog::delGroup() {
    std::u16string name = text(IDC_DEP_GROUP);
    std::vector<std::u16string> list = groupList();
    if (auto warning = checkDelGroup(name, list)) {
        warn(*warning);
        return;
    }
    if (!confirm(confirmDelGroupText(name), kDepositoryCaption)) {
        return;
    }
    ConfigNode* group = depository_.findGroup(name);
    if (!group) {
        return;
    }
    std::u16string stored = *group->attribute(u"name");
    // The entry of the group itself, should the list hold names that differ
    // only in letter case.
    auto exact = std::find(list.begin(), list.end(), stored);
    int entry =
        exact != list.end() ? static_cast<int>(exact - list.begin()) : findIgnoringCase(list, name);
    SendMessageW(item(IDC_DEP_GROUP), CB_DELETESTRING, entry, 0);
    std::vector<int> selected = table_.removeGroupRows(stored, group, selectedRows());
    depository_.removeGroup(group);
    depository_.save();
    refreshTable(selected);
}

void DepositoryDialog::addRecord() {
    RecordFields fields = readFields();
    std::vector<std::u16string> list = groupList();
    if (auto warning = checkRecordFields(fields, list)) {
        warn(*warning);
        return;
    }
    ConfigNode* target = depository_.findGroup(fields.group);
    if (!target) {
        return;
    }
    ConfigNode* record = depository_.addRecord(target, fields);
    depository_.save();
    table_.append(makeRow(*target->attribute(u"name"), *record));
    HWND table = item(IDC_DEP_TABLE);
    int last = static_cast<int>(table_.size()) - 1;
    ListView_SetItemCountEx(table, last + 1, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    ListView_EnsureVisible(table, last, FALSE);
    ListView_RedrawItems(table, last, last);
}

void DepositoryDialog::changeRecord() {
    std::vector<int> selected = selectedRows();
    if (selected.empty()) {
        return;
    }
    RecordFields fields = readFields();
    std::vector<std::u16string> list = groupList();
    if (auto warning = checkRecordFields(fields, list)) {
        warn(*warning);
        return;
    }
    if (!confirm(confirmChangeText(), kReplaceCaption)) {
        return;
    }
    ConfigNode* target = depository_.findGroup(fields.group);
    if (!target) {
        return;
    }
    std::size_t index = static_cast<std::size_t>(selected.front());
    ConfigNode* record = depository_.replaceRecord(table_.row(index).record, target, fields);
    table_.row(index) = makeRow(*target->attribute(u"name"), *record);
    ListView_RedrawItems(item(IDC_DEP_TABLE), selected.front(), selected.front());
    depository_.save();
}

void DepositoryDialog::deleteRecord() {
    std::vector<int> selected = selectedRows();
    if (selected.empty()) {
        return;
    }
    if (!confirm(confirmDeleteText(), kReplaceCaption)) {
        return;
    }
    std::size_t index = static_cast<std::size_t>(selected.front());
    depository_.removeRecord(table_.row(index).record);
    std::vector<int> stillSelected = table_.removeAt(index, selected);
    depository_.save();
    refreshTable(stillSelected);
}

void DepositoryDialog::runFind() {
    FindDialog find(depository_);
    if (!find.run(hwnd())) {
        return;
    }
    table_.assign(findRecords(depository_, find.criteria));
    refreshTable({});
}

void DepositoryDialog::loadSelectedRecord() {
    std::vector<int> selected = selectedRows();
    if (selected.empty()) {
        return;
    }
    const RecordRow& row = table_.row(static_cast<std::size_t>(selected.front()));
    const ConfigNode& record = *row.record;
    auto value = [&](std::u16string_view name) {
        const std::u16string* v = record.attribute(name);
        return v ? *v : std::u16string();
    };
    setText(IDC_DEP_TITLE, value(u"title"));
    setText(IDC_DEP_SOURCE, value(u"source"));
    const std::u16string* content = record.text();
    setText(IDC_DEP_CONTENT, content ? *content : std::u16string());
    setText(IDC_DEP_REMARK, value(u"remark"));
    const std::u16string* groupName = record.parent ? record.parent->attribute(u"name") : nullptr;
    int entry = findGroupEntryForRecord(groupList(), groupName ? *groupName : row.group);
    if (entry >= 0) {
        SendMessageW(item(IDC_DEP_GROUP), CB_SETCURSEL, entry, 0);
    }
}

}  // namespace tnk
