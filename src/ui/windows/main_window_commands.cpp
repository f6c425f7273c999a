// The command buttons and the tabs.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>

#include "platform/win_string.h"
#include "resources/product.h"
#include "resources/resource.h"
#include "ui/controls/panel.h"
#include "ui/controls/reflect.h"
#include "ui/windows/depository_dialog.h"
#include "ui/windows/main_window.h"

namespace tnk {
namespace {

bool isPanelButton(UINT id) {
    switch (id) {
        case IDC_ENLARGE:
        case IDC_SHRINK:
        case IDC_COPY:
        case IDC_SAVE:
        case IDC_DEPOSIT:
        case IDC_ONLINE_HELP:
            return true;
        default:
            return false;
    }
}

// The system's ANSI code page; the size is asked first, so no code page can
// make the text longer than the buffer.
std::string toAnsi(const std::u16string& text) {
    const std::wstring wide = toWide(text);
    if (wide.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                            size, nullptr, nullptr);
    }
    return bytes;
}

}  // namespace

const std::u16string& MainWindow::shownString() const {
    return TabCtrl_GetCurSel(item(IDC_TABS)) == 0 ? capture.text : capture.html;
}

void MainWindow::showCurrentTab() {
    SetWindowTextW(output(), toWide(shownString()).c_str());
}

bool MainWindow::onCommand(int id, int code, HWND) {
    switch (id) {
        case IDOK:
        case IDCANCEL:
            // Enter and Escape never close the main window.
            return true;
        case IDC_ENLARGE:
            onStep(false);
            client_->enlarge();
            return true;
        case IDC_SHRINK:
            onStep(false);
            client_->shrink();
            return true;
        case IDC_COPY:
            whenWhole(Command::copy);
            return true;
        case IDC_SAVE:
            whenWhole(Command::save);
            return true;
        case IDC_DEPOSIT:
            whenWhole(Command::depository);
            return true;
        case IDC_ONLINE_HELP:
            onHelp();
            return true;
        case IDC_FILTER:
        case IDC_HIDE:
        case IDC_AUTOWRAP:
        case IDC_ANYWINDOW:
        case IDC_TIDYTEXT:
        case IDC_OUTLINE:
        case IDC_COPYATONCE:
            if (code == BN_CLICKED) {
                onOptionClicked(id);
            }
            return true;
        default:
            return false;
    }
}

bool MainWindow::onNotify(NMHDR& header, LRESULT& result) {
    if (header.idFrom == IDC_TABS && header.code == TCN_SELCHANGE) {
        result = 0;
        onTabChanged();
        return true;
    }
    return false;
}

bool MainWindow::onDrawItem(DRAWITEMSTRUCT& item) {
    if (item.CtlType == ODT_BUTTON && isPanelButton(item.CtlID)) {
        drawPanelButton(item);
        return true;
    }
    if (item.CtlType == ODT_TAB) {
        return SendMessageW(item.hwndItem, kReflectDrawItem, 0, reinterpret_cast<LPARAM>(&item)) !=
               0;
    }
    return false;
}

void MainWindow::onTabChanged() {
    // Steps still under way show the selected tab when they come.
    onCaptureUpdates();
    showCurrentTab();
}

void MainWindow::whenWhole(Command command) {
    // The steps handed over so far come first; the completion runs after
    // them and its update runs the command.
    pendingCommand_ = command;
    client_->complete();
    if (GetCapture() != hwnd()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    }
}

void MainWindow::runCommand(Command command) {
    switch (command) {
        case Command::copy:
            onCopy();
            break;
        case Command::save:
            onSave();
            break;
        case Command::depository:
            onDepository();
            break;
        case Command::none:
            break;
    }
}

void MainWindow::onCopy() {
    SendMessageW(output(), WM_COPY, 0, 0);
}

void MainWindow::onSave() {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd();
    dialog.lpstrFilter = L"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog)) {
        return;
    }
    HANDLE handle =
        CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string bytes = toAnsi(shownString());
    DWORD written = 0;
    const bool ok =
        bytes.empty() ||
        (WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size());
    const bool closed = CloseHandle(handle);
    if (!ok || !closed) {
        // A half-written file must not pass for the saved text.
        MessageBoxW(hwnd(), L"The file could not be written completely.", L"Tarnwick",
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

void MainWindow::onDepository() {
    openDepositoryDialog(hwnd(), capture.sourceTitle, capture.sourceUrl, shownString());
}

void MainWindow::onHelp() {
    ShellExecuteW(nullptr, L"open", L"iexplore", kDocumentationPage, nullptr, SW_SHOWMAXIMIZED);
}

}  // namespace tnk
