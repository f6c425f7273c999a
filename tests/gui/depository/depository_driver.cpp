#include "depository_driver.h"

#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tnk::gui {
namespace {

constexpr int kDepositoryButton = 1012;
constexpr int kTable = 1035;
constexpr int kGroupBox = 1034;
// The text of every message box has this id.
constexpr int kMessageBoxText = 0xFFFF;

}  // namespace

DepositoryDriver::DepositoryDriver(AppProcess& app) : app_(app) {
    main_ = app.mainWindow();
    if (!main_) {
        return;
    }
    const ULONGLONG pressed = GetTickCount64();
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(kDepositoryButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main_, kDepositoryButton)));
    dialog_ = app.waitDialog(kTable, L"Text Depository");
    openMilliseconds_ = GetTickCount64() - pressed;
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, app.id());
}

DepositoryDriver::~DepositoryDriver() {
    close();
    if (process_) {
        CloseHandle(process_);
    }
}

void DepositoryDriver::close() {
    if (open()) {
        HWND window = dialog_;
        PostMessageW(window, WM_CLOSE, 0, 0);
        waitFor([&] { return !IsWindow(window); });
    }
}

void DepositoryDriver::setText(int id, const std::wstring& text) const {
    sendBounded(GetDlgItem(dialog_, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring DepositoryDriver::text(int id) const {
    return windowText(GetDlgItem(dialog_, id));
}

bool DepositoryDriver::enabled(int id) const {
    return IsWindowEnabled(GetDlgItem(dialog_, id));
}

bool DepositoryDriver::visible(int id) const {
    return IsWindowVisible(GetDlgItem(dialog_, id));
}

void DepositoryDriver::press(int id) const {
    PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

void DepositoryDriver::pressAndWait(int id) const {
    sendBounded(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

std::optional<SeenBox> DepositoryDriver::waitBox(double seconds) const {
    const HWND box = waitOther(kMessageBoxText, seconds);
    if (!box) {
        return std::nullopt;
    }
    return SeenBox{box, windowText(box), windowText(GetDlgItem(box, kMessageBoxText))};
}

void DepositoryDriver::answer(const SeenBox& box, int button) const {
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, button)));
    waitFor([&] { return !IsWindow(box.hwnd); });
    // The command goes on after the box: let it finish.
    sendBounded(dialog_, WM_NULL, 0, 0);
}

HWND DepositoryDriver::waitOther(int childId, double seconds) const {
    HWND found = nullptr;
    waitFor([&] { return (found = app_.findDialog(childId, nullptr, dialog_)) != nullptr; },
            seconds);
    return found;
}

LRESULT DepositoryDriver::sendWithBuffer(HWND window, UINT message, WPARAM wParam, void* data,
                                         std::size_t size, std::size_t pointerOffset,
                                         std::size_t extra) const {
    // `data` is a structure whose member at `pointerOffset` (when extra > 0)
    // points at `extra` bytes of text buffer right after it.
    auto* remote = static_cast<std::uint8_t*>(
        VirtualAllocEx(process_, nullptr, size + extra, MEM_COMMIT, PAGE_READWRITE));
    if (!remote) {
        return -1;
    }
    if (extra > 0) {
        void* textAddress = remote + size;
        std::memcpy(static_cast<std::uint8_t*>(data) + pointerOffset, &textAddress, sizeof(void*));
    }
    WriteProcessMemory(process_, remote, data, size, nullptr);
    LRESULT result = static_cast<LRESULT>(
        sendBounded(window, message, wParam, reinterpret_cast<LPARAM>(remote)));
    std::vector<std::uint8_t> back(size + extra);
    ReadProcessMemory(process_, remote, back.data(), back.size(), nullptr);
    std::memcpy(data, back.data(), size);
    if (extra > 0) {
        // Point the caller's copy at the text that came back.
        thread_local std::vector<std::uint8_t> text;
        text.assign(back.begin() + size, back.end());
        void* local = text.data();
        std::memcpy(static_cast<std::uint8_t*>(data) + pointerOffset, &local, sizeof(void*));
    }
    VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    return result;
}

int DepositoryDriver::rowCount() const {
    return static_cast<int>(sendBounded(GetDlgItem(dialog_, kTable), LVM_GETITEMCOUNT, 0, 0));
}

std::vector<std::wstring> DepositoryDriver::row(int index) const {
    std::vector<std::wstring> cells;
    for (int column = 0; column < 6; ++column) {
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = 1024;
        sendWithBuffer(GetDlgItem(dialog_, kTable), LVM_GETITEMTEXTW, index, &item, sizeof item,
                       offsetof(LVITEMW, pszText), 1024 * sizeof(wchar_t));
        cells.emplace_back(item.pszText);
    }
    return cells;
}

std::vector<std::wstring> DepositoryDriver::column(int column) const {
    std::vector<std::wstring> cells;
    for (int i = 0, n = rowCount(); i < n; ++i) {
        cells.push_back(row(i)[column]);
    }
    return cells;
}

void DepositoryDriver::select(const std::vector<int>& rows) const {
    HWND table = GetDlgItem(dialog_, kTable);
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    sendWithBuffer(table, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), &item, sizeof item, 0, 0);
    for (int index : rows) {
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        sendWithBuffer(table, LVM_SETITEMSTATE, index, &item, sizeof item, 0, 0);
    }
}

std::vector<int> DepositoryDriver::selected() const {
    HWND table = GetDlgItem(dialog_, kTable);
    std::vector<int> rows;
    for (int index = static_cast<int>(
             sendBounded(table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         index >= 0;
         index = static_cast<int>(sendBounded(table, LVM_GETNEXTITEM, index, LVNI_SELECTED))) {
        rows.push_back(index);
    }
    return rows;
}

void DepositoryDriver::doubleClick(int index) const {
    HWND table = GetDlgItem(dialog_, kTable);
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    sendWithBuffer(table, LVM_GETITEMRECT, index, &rect, sizeof rect, 0, 0);
    LPARAM point = MAKELPARAM(rect.left + 10, (rect.top + rect.bottom) / 2);
    PostMessageW(table, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageW(table, WM_LBUTTONUP, 0, point);
    waitFor([] { return false; }, 0.5);
    sendBounded(dialog_, WM_NULL, 0, 0);
}

std::vector<std::wstring> DepositoryDriver::groupEntries() const {
    HWND box = GetDlgItem(dialog_, kGroupBox);
    std::vector<std::wstring> entries;
    for (int i = 0, n = static_cast<int>(sendBounded(box, CB_GETCOUNT, 0, 0)); i < n; ++i) {
        std::vector<wchar_t> buffer(sendBounded(box, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
        sendBounded(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
        entries.emplace_back(buffer.data());
    }
    return entries;
}

}  // namespace tnk::gui
