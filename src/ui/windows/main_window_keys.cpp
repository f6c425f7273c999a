// The capture key: a system-wide key that captures the element under the
// pointer as a drag released there would, without taking the focus from
// the program the user works in. And the keys for "+" and "-" while
// Tarnwick is active.
#include <cstring>

#include "config/config_document.h"
#include "platform/win_string.h"
#include "resources/resource.h"
#include "ui/windows/hot_key_dialog.h"
#include "ui/windows/main_window.h"

namespace tnk {
namespace {

constexpr int kCaptureKeyId = 1;

bool registerKey(HWND window, const HotKey& key) {
    // No repeats while the key is held: each press is one step.
    return RegisterHotKey(window, kCaptureKeyId, key.modifiers | MOD_NOREPEAT, key.key) != 0;
}

bool isChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

}  // namespace

void MainWindow::startKeys() {
    if (const ConfigNode* option = theConfig().findTopLevel(u"option")) {
        if (const std::u16string* text = option->attribute(u"hotkey")) {
            captureKey_ = parseHotKey(*text);
        }
    }
    // Another program may hold the key: Tarnwick goes on without it, and
    // the key's dialog says so.
    captureKeyHeld_ = captureKey_ && registerKey(hwnd(), *captureKey_);

    // The dialog's own message loop gives keys to the focused control, so
    // "+" and "-" are taken before it, by a keyboard hook on this thread.
    static MainWindow* window = nullptr;
    window = this;
    stepKeyHook_ = SetWindowsHookExW(
        WH_KEYBOARD,
        [](int code, WPARAM key, LPARAM flags) -> LRESULT {
            const bool pressed = (flags & 0x80000000) == 0;
            if (code == HC_ACTION && pressed && window && GetActiveWindow() == window->hwnd() &&
                window->onStepKey(key)) {
                return 1;
            }
            return CallNextHookEx(nullptr, code, key, flags);
        },
        nullptr, GetCurrentThreadId());
}

void MainWindow::stopKeys() {
    if (stepKeyHook_) {
        UnhookWindowsHookEx(stepKeyHook_);
        stepKeyHook_ = nullptr;
    }
    if (captureKeyHeld_) {
        UnregisterHotKey(hwnd(), kCaptureKeyId);
        captureKeyHeld_ = false;
    }
}

bool MainWindow::onStepKey(WPARAM key) {
    if (GetKeyState(VK_MENU) < 0) {
        return false;
    }
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    int button = 0;
    if (key == VK_ADD || (ctrl && key == VK_OEM_PLUS)) {
        button = IDC_ENLARGE;
    } else if (key == VK_SUBTRACT || (ctrl && key == VK_OEM_MINUS)) {
        button = IDC_SHRINK;
    }
    if (button == 0 || !IsWindowEnabled(item(button))) {
        return false;
    }
    SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(item(button)));
    return true;
}

void MainWindow::onStep(bool fromCaptureKey) {
    // A command waiting for the text of the capture before gives way.
    pendingCommand_ = Command::none;
    stepPending_ = true;
    keyStepPending_ = fromCaptureKey;
}

void MainWindow::onCaptureKey() {
    POINT at{};
    if (!client_ || dragging_ || !GetCursorPos(&at)) {
        return;
    }
    // Tarnwick's own windows hold nothing to capture.
    const HWND under = WindowFromPoint(at);
    if (under && GetAncestor(under, GA_ROOTOWNER) == hwnd()) {
        return;
    }
    if (keyPoint_ && keyPoint_->x == at.x && keyPoint_->y == at.y) {
        // Again at the same point: one step wider. A capture still on its
        // way may have a wider element even if "+" is not enabled yet.
        if (keyCapturePending_ || IsWindowEnabled(item(IDC_ENLARGE))) {
            onStep(true);
            client_->enlarge();
        } else {
            flashOutline();
        }
        return;
    }
    keyPoint_ = at;
    keyCapturePending_ = true;
    stepPending_ = keyStepPending_ = false;
    pendingCommand_ = Command::none;
    client_->begin();
    client_->point({at.x, at.y}, anyWindowChecked());
    client_->release(isChecked(hwnd(), IDC_FILTER), isChecked(hwnd(), IDC_TIDYTEXT));
}

void MainWindow::copyAtOnce() {
    if (!isChecked(hwnd(), IDC_COPYATONCE)) {
        return;
    }
    const std::wstring text = toWide(capture.text);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) {
        return;
    }
    if (void* data = GlobalLock(memory)) {
        std::memcpy(data, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 10 && !(open = OpenClipboard(hwnd())); ++attempt) {
        Sleep(20);
    }
    if (!open) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

bool MainWindow::takeCaptureKey(const std::optional<HotKey>& key) {
    if (captureKeyHeld_) {
        UnregisterHotKey(hwnd(), kCaptureKeyId);
        captureKeyHeld_ = false;
    }
    if (!key) {
        captureKey_.reset();
        return true;
    }
    if (registerKey(hwnd(), *key)) {
        captureKey_ = key;
        captureKeyHeld_ = true;
        return true;
    }
    if (captureKey_) {
        captureKeyHeld_ = registerKey(hwnd(), *captureKey_);
    }
    return false;
}

void MainWindow::onCaptureKeyDialog() {
    HotKeyDialog dialog;
    dialog.key = captureKey_;
    dialog.taken = captureKey_ && !captureKeyHeld_;
    dialog.take = [this](const std::optional<HotKey>& key) { return takeCaptureKey(key); };
    if (dialog.run(hwnd()) != IDOK) {
        return;
    }
    if (ConfigNode* option = theConfig().findTopLevel(u"option")) {
        option->setAttribute(u"hotkey", dialog.key ? formatHotKey(*dialog.key) : u"");
        theConfig().save();
    }
}

}  // namespace tnk
