// Start-up: the configuration beside the program, one running instance, and
// the main window for the whole life of the process.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "capture/win32/win32_window_system.h"
#include "config/config_document.h"
#include "platform/win_string.h"
#include "ui/windows/main_window.h"

namespace {

// The program's own folder, ending with a backslash; never the working folder.
std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    const std::size_t slash = folder.find_last_of(L'\\');
    folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return folder;
}

void activateRunningInstance() {
    const std::u16string* caption = tnk::theConfig().languageText(u"main_caption");
    if (!caption) {
        return;
    }
    if (HWND running = FindWindowW(nullptr, tnk::toWide(*caption).c_str())) {
        if (IsIconic(running)) {
            ShowWindow(running, SW_RESTORE);
        }
        SetForegroundWindow(running);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tnk::theConfig().load(tnk::fromWide(programFolder() + L"tnk.cfg"));
    if (!tnk::theConfig().languageText(u"main_caption")) {
        MessageBoxW(nullptr, L"Load configuration parameters failed!", L"Tarnwick", MB_ICONHAND);
        return 0;
    }

    // Held, never closed, until the process ends: it marks the running instance.
    CreateMutexW(nullptr, TRUE, L"TNKSYSMUTEX");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        activateRunningInstance();
        return 0;
    }

    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    {
        // The page objects live on the capture's worker threads, each with
        // the component library of its own; a worker stuck in a hung program
        // ends with the process.
        tnk::MainWindow window([] { return std::make_unique<tnk::Win32WindowSystem>(); });
        window.run();
    }
    CoUninitialize();
    return 0;
}
