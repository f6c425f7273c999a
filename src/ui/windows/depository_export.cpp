#include <windows.h>

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "depository/record_export.h"
#include "platform/win_string.h"
#include "ui/windows/depository_dialog.h"
#include "ui/windows/depository_res.h"

namespace tnk {
namespace {

// The save dialog refuses to open with an initial name it cannot take;
// offer the title with such characters replaced instead.
std::wstring usableFileName(std::wstring name) {
    for (wchar_t& c : name) {
        if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) {
            c = L'_';
        }
    }
    return name;
}

bool askSavePath(HWND owner, const std::wstring& initialName, std::wstring& path) {
    // Long enough for any path the system accepts; a longer title is cut.
    std::vector<wchar_t> file(32768, L'\0');
    initialName.copy(file.data(), std::min(initialName.size(), file.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = L"txt";
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&ofn)) {
        return false;
    }
    path = file.data();
    return true;
}

bool askFolder(HWND owner, std::wstring& folder) {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = L"Select directory:";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) {
        return false;
    }
    wchar_t path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListW(chosen, path) && path[0] != L'\0';
    CoTaskMemFree(chosen);
    folder = path;
    return ok;
}

void reportWriteFailure(HWND owner, const std::u16string& path) {
    std::wstring text = L"An error occurred while writing " + toWide(path) + L".";
    MessageBoxW(owner, text.c_str(), L"Tarnwick", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void DepositoryDialog::exportSelected() {
    std::vector<int> selected = selectedRows();
    if (selected.empty()) {
        return;
    }
    if (selected.size() >= 2) {
        std::wstring folder;
        if (!askFolder(hwnd(), folder)) {
            return;
        }
        std::vector<const RecordRow*> rows;
        for (int index : selected) {
            rows.push_back(&table_.row(static_cast<std::size_t>(index)));
        }
        FolderExportReport report = exportToFolder(systemFileSystem(), fromWide(folder), rows);
        if (report.failedPath) {
            reportWriteFailure(hwnd(), *report.failedPath);
        }
        return;
    }
    const RecordRow& row = table_.row(static_cast<std::size_t>(selected.front()));
    std::wstring title = toWide(row.title);
    std::wstring path;
    if (!askSavePath(hwnd(), title, path)) {
        if (CommDlgExtendedError() != FNERR_INVALIDFILENAME ||
            !askSavePath(hwnd(), usableFileName(title), path)) {
            return;
        }
    }
    std::u16string target = fromWide(path);
    if (writeExportFile(systemFileSystem(), target, row.content) == ExportResult::WriteFailed) {
        reportWriteFailure(hwnd(), target);
    }
}

}  // namespace tnk
