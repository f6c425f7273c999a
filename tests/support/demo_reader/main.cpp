// demo_reader.exe: what the demo script needs of Tarnwick's main window, read
// from another process of the same Wine session.
//
//   demo_reader place X Y [WIDTH HEIGHT]
//       waits for the main window, moves it to (X, Y), brings it to the front
//       and prints where its parts are, in screen pixels, one per line:
//       "window L T R B", "icon X Y", "blank X Y", "plus X Y"
//   demo_reader text [--has TEXT]... [--lacks TEXT]... [--wait SECONDS]
//       prints the text area (UTF-8, "\n" line ends) once it holds every
//       --has text and none of the --lacks texts; after SECONDS (default 0)
//       prints what it holds and fails
//
// Exit status: 0 done, 1 no window or the text never came, 2 bad arguments.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kHandIcon = 1000;
constexpr int kUsage = 1002;
constexpr int kOutput = 1006;
constexpr int kEnlarge = 1008;
constexpr DWORD kPollMs = 200;
constexpr double kFindSeconds = 60;

BOOL CALLBACK findMain(HWND window, LPARAM param) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (IsWindowVisible(window) && lstrcmpW(className, L"#32770") == 0 &&
        GetDlgItem(window, kOutput) && GetDlgItem(window, kHandIcon)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

HWND mainWindow(double seconds) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (;;) {
        HWND found = nullptr;
        EnumWindows(findMain, reinterpret_cast<LPARAM>(&found));
        if (found || GetTickCount64() >= deadline) {
            return found;
        }
        Sleep(kPollMs);
    }
}

// WM_GETTEXT, as the text of another process's edit control is not
// returned by GetWindowTextW; bounded, should the window hang. False when
// the window did not answer.
bool windowText(HWND window, std::wstring& text) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return false;
    }
    std::vector<wchar_t> buffer(length + 1);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, 5000,
                             &copied)) {
        return false;
    }
    text.assign(buffer.data(), copied);
    return true;
}

void printUtf8(std::wstring text) {
    for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos;
         at = text.find(L"\r\n", at)) {
        text.erase(at, 1);
    }
    text += L'\n';
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    // Binary, so that the C runtime does not turn "\n" back into "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

POINT centerOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int place(int x, int y, int width, int height) {
    HWND main = mainWindow(kFindSeconds);
    if (!main) {
        std::fprintf(stderr, "demo_reader: no Tarnwick window\n");
        return 1;
    }
    SetWindowPos(main, HWND_TOP, x, y, width, height, width > 0 ? 0 : SWP_NOSIZE);
    SetForegroundWindow(main);
    RECT frame{};
    GetWindowRect(main, &frame);
    RECT usage{};
    GetWindowRect(GetDlgItem(main, kUsage), &usage);
    const POINT icon = centerOf(GetDlgItem(main, kHandIcon));
    const POINT plus = centerOf(GetDlgItem(main, kEnlarge));
    // Blank panel just right of the usage line: a click there activates the
    // window without touching a control.
    std::printf("window %ld %ld %ld %ld\nicon %ld %ld\nblank %ld %ld\nplus %ld %ld\n", frame.left,
                frame.top, frame.right, frame.bottom, icon.x, icon.y, usage.right + 8, usage.top,
                plus.x, plus.y);
    return 0;
}

int text(const std::vector<std::wstring>& has, const std::vector<std::wstring>& lacks,
         double seconds) {
    HWND main = mainWindow(kFindSeconds);
    if (!main) {
        std::fprintf(stderr, "demo_reader: no Tarnwick window\n");
        return 1;
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (;;) {
        std::wstring shown;
        const bool answered = windowText(GetDlgItem(main, kOutput), shown);
        bool ready = answered;
        for (const std::wstring& part : has) {
            ready = ready && shown.find(part) != std::wstring::npos;
        }
        for (const std::wstring& part : lacks) {
            ready = ready && shown.find(part) == std::wstring::npos;
        }
        if (ready || GetTickCount64() >= deadline) {
            if (!answered) {
                std::fprintf(stderr, "demo_reader: Tarnwick's window does not answer\n");
            }
            printUtf8(shown);
            return ready ? 0 : 1;
        }
        Sleep(kPollMs);
    }
}

int usage() {
    std::fprintf(stderr,
                 "usage: demo_reader place X Y [WIDTH HEIGHT]\n"
                 "       demo_reader text [--has TEXT]... [--lacks TEXT]... [--wait SECONDS]\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"place" && (argc == 4 || argc == 6)) {
        return place(_wtoi(argv[2]), _wtoi(argv[3]), argc == 6 ? _wtoi(argv[4]) : 0,
                     argc == 6 ? _wtoi(argv[5]) : 0);
    }
    if (command != L"text") {
        return usage();
    }
    std::vector<std::wstring> has;
    std::vector<std::wstring> lacks;
    double seconds = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i];
        if (option == L"--has") {
            has.push_back(argv[i + 1]);
        } else if (option == L"--lacks") {
            lacks.push_back(argv[i + 1]);
        } else if (option == L"--wait") {
            seconds = std::wcstod(argv[i + 1], nullptr);
        } else {
            return usage();
        }
    }
    if (argc % 2 != 0) {
        return usage();
    }
    return text(has, lacks, seconds);
}
