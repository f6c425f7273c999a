#include "ui/windows/hot_key_dialog.h"

#include <commctrl.h>

#include <string>

#include "config/config_document.h"
#include "platform/win_string.h"
#include "ui/windows/hot_key_res.h"

namespace tnk {

namespace {

// Texts added with this dialog: a configuration made before it has none,
// so each has its English fallback.
std::wstring text(const char16_t* key, const wchar_t* english) {
    const std::u16string* found = theConfig().languageText(key);
    return found && !found->empty() ? toWide(*found) : std::wstring(english);
}

WORD controlValue(const HotKey& key) {
    BYTE flags = 0;
    flags |= (key.modifiers & HotKey::shift) ? HOTKEYF_SHIFT : 0;
    flags |= (key.modifiers & HotKey::ctrl) ? HOTKEYF_CONTROL : 0;
    flags |= (key.modifiers & HotKey::alt) ? HOTKEYF_ALT : 0;
    return MAKEWORD(static_cast<BYTE>(key.key), flags);
}

HotKey keyOf(WORD value) {
    const BYTE flags = HIBYTE(value);
    HotKey key;
    key.key = LOBYTE(value);
    key.modifiers |= (flags & HOTKEYF_SHIFT) ? std::uint32_t{HotKey::shift} : 0;
    key.modifiers |= (flags & HOTKEYF_CONTROL) ? std::uint32_t{HotKey::ctrl} : 0;
    key.modifiers |= (flags & HOTKEYF_ALT) ? std::uint32_t{HotKey::alt} : 0;
    return key;
}

}  // namespace

INT_PTR HotKeyDialog::run(HWND owner) {
    return runModal(owner, L"CAPTURE KEY");
}

BOOL HotKeyDialog::onInitDialog() {
    SetWindowTextW(hwnd(), text(u"hotkey_caption", L"Capture key").c_str());
    SetDlgItemTextW(hwnd(), IDC_KEY_LABEL,
                    text(u"hotkey_label",
                         L"Press the keys that capture the element under the pointer in any "
                         L"program:")
                        .c_str());
    HWND control = item(IDC_KEY_HOTKEY);
    // A plain or shifted key would type: the control makes it Ctrl+Alt+key.
    SendMessageW(control, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                 MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    initial_ = key ? controlValue(*key) : 0;
    SendMessageW(control, HKM_SETHOTKEY, initial_, 0);
    if (taken) {
        say(u"hotkey_taken", L"Another program holds this key: Tarnwick goes on without it.");
    }
    return TRUE;
}

bool HotKeyDialog::onCommand(int id, int, HWND) {
    if (id == IDOK) {
        onOk();
        return true;
    }
    if (id == IDCANCEL) {
        end(IDCANCEL);
        return true;
    }
    return false;
}

void HotKeyDialog::onOk() {
    const WORD value = LOWORD(SendMessageW(item(IDC_KEY_HOTKEY), HKM_GETHOTKEY, 0, 0));
    std::optional<HotKey> chosen;
    if (value == initial_) {
        chosen = key;
    } else if (value != 0) {
        chosen = keyOf(value);
        if (!isStorableHotKey(*chosen)) {
            say(u"hotkey_invalid", L"Use a letter or a digit with Ctrl, Alt or Win, or F1 to F24.");
            return;
        }
    }
    if (take && !take(chosen)) {
        say(u"hotkey_taken", L"Another program holds this key: Tarnwick goes on without it.");
        return;
    }
    key = chosen;
    end(IDOK);
}

void HotKeyDialog::say(const char16_t* textKey, const wchar_t* english) {
    SetDlgItemTextW(hwnd(), IDC_KEY_STATUS, text(textKey, english).c_str());
}

}  // namespace tnk
