#include "ui/windows/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "config/config_document.h"
#include "platform/win_string.h"
#include "resources/resource.h"
#include "ui/controls/output_edit.h"
#include "ui/controls/panel.h"
#include "ui/windows/about_dialog.h"

namespace tnk {
namespace {

constexpr int kMinTrackWidth = 488;
constexpr int kMinTrackHeight = 348;

// A control and the configuration key it goes with: a language-table key for
// a caption, an option attribute for a check box.
struct ControlKey {
    int id;
    const char16_t* key;
};

constexpr ControlKey kCaptions[] = {
    {IDC_USAGE, u"main_usage"},
    {IDC_OPTION_LABEL, u"main_option"},
    {IDC_FILTER, u"main_filter"},
    {IDC_HIDE, u"main_hideoc"},
    {IDC_AUTOWRAP, u"main_autowrap"},
    {IDC_COPY, u"main_copy"},
    {IDC_SAVE, u"main_save"},
    {IDC_DEPOSIT, u"main_deposit"},
    {IDC_ONLINE_HELP, u"main_onlinehelp"},
};

// Options added after the first configurations: a file made before them
// has no text for them, so they fall back to English.
struct LaterCaption {
    int id;
    const char16_t* key;
    const wchar_t* english;
};

constexpr LaterCaption kLaterCaptions[] = {
    {IDC_ANYWINDOW, u"main_anywindow", L"Capture from any program"},
    {IDC_TIDYTEXT, u"main_tidytext", L"Tidy text"},
    {IDC_OUTLINE, u"main_outline", L"Outline the capture"},
    {IDC_COPYATONCE, u"main_copyatonce", L"Copy at once"},
};

constexpr ControlKey kOptions[] = {
    {IDC_FILTER, u"filter"},         {IDC_HIDE, u"hideoc"},       {IDC_AUTOWRAP, u"autowrap"},
    {IDC_ANYWINDOW, u"anywindow"},   {IDC_TIDYTEXT, u"tidytext"}, {IDC_OUTLINE, u"outline"},
    {IDC_COPYATONCE, u"copyatonce"},
};

std::wstring languageText(std::u16string_view key) {
    const std::u16string* text = theConfig().languageText(key);
    return text ? toWide(*text) : std::wstring();
}

HCURSOR loadDragCursor() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    HCURSOR cursor = LoadCursorW(module, MAKEINTRESOURCEW(IDC_DRAG_ANIMATED));
    return cursor ? cursor : LoadCursorW(module, MAKEINTRESOURCEW(IDC_DRAG_POINTER));
}

RECT clientRectOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

MainWindow::MainWindow(WindowSystemFactory makeWindows)
    : icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM))),
      dragCursor_(loadDragCursor()),
      backgroundBrush_(CreateSolidBrush(PanelColor)),
      makeWindows_(std::move(makeWindows)) {}

MainWindow::~MainWindow() {
    DeleteObject(backgroundBrush_);
}

INT_PTR MainWindow::run() {
    return runModal(nullptr, MAKEINTRESOURCEW(IDD_MAIN));
}

HWND MainWindow::output() const {
    return item(IDC_OUTPUT);
}

BOOL MainWindow::onInitDialog() {
    if (HMENU menu = GetSystemMenu(hwnd(), FALSE)) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"&About Tnk");
        const std::wstring captureKey = languageText(u"hotkey_menu");
        AppendMenuW(menu, MF_STRING, IDM_CAPTURE_KEY,
                    captureKey.empty() ? L"Capture &key..." : captureKey.c_str());
    }
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    setCaptions();

    tabStrip_.attach(item(IDC_TABS));
    tabStrip_.setDrawMode(1);
    tabStrip_.setBackgroundColor(PanelColor);
    const char16_t* tabKeys[] = {u"main_text", u"main_html"};
    for (int i = 0; i < 2; ++i) {
        std::wstring label = languageText(tabKeys[i]);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = label.data();
        TabCtrl_InsertItem(item(IDC_TABS), i, &tab);
    }
    TabCtrl_SetCurSel(item(IDC_TABS), 0);

    SendMessageW(output(), EM_SETREADONLY, TRUE, 0);

    const int anchored[][5] = {
        {IDC_SEPARATOR, 0, 0, 100, 0},   {IDC_TABS, 0, 0, 100, 0},
        {IDC_OUTPUT, 0, 0, 100, 100},    {IDC_AUTOWRAP, 0, 100, 0, 0},
        {IDC_ENLARGE, 0, 100, 0, 0},     {IDC_SHRINK, 0, 100, 0, 0},
        {IDC_TIDYTEXT, 0, 100, 0, 0},    {IDC_COPY, 0, 100, 0, 0},
        {IDC_SAVE, 0, 100, 0, 0},        {IDC_DEPOSIT, 0, 100, 0, 0},
        {IDC_ONLINE_HELP, 0, 100, 0, 0}, {IDC_FRAME, 0, 0, 100, 100},
    };
    for (const auto& a : anchored) {
        layout_.add(item(a[0]), a[1], a[2], a[3], a[4]);
    }

    readOptions();
    applyAutoWrap();
    startCapture();
    applyOutlineOption();
    startKeys();
    SetFocus(output());
    return FALSE;
}

void MainWindow::setCaptions() {
    SetWindowTextW(hwnd(), languageText(u"main_caption").c_str());
    for (const ControlKey& caption : kCaptions) {
        SetDlgItemTextW(hwnd(), caption.id, languageText(caption.key).c_str());
    }
    for (const LaterCaption& caption : kLaterCaptions) {
        const std::wstring text = languageText(caption.key);
        SetDlgItemTextW(hwnd(), caption.id, text.empty() ? caption.english : text.c_str());
    }
}

void MainWindow::readOptions() {
    const ConfigNode* option = theConfig().findTopLevel(u"option");
    if (!option) {
        return;
    }
    for (const ControlKey& o : kOptions) {
        SendDlgItemMessageW(hwnd(), o.id, BM_SETCHECK, option->intAttribute(o.key, 0), 0);
    }
}

bool MainWindow::anyWindowChecked() const {
    return IsDlgButtonChecked(hwnd(), IDC_ANYWINDOW) == BST_CHECKED;
}

void MainWindow::onOptionClicked(int id) {
    if (id == IDC_AUTOWRAP) {
        applyAutoWrap();
    }
    if (id == IDC_OUTLINE) {
        applyOutlineOption();
    }
    ConfigNode* option = theConfig().findTopLevel(u"option");
    if (!option) {
        return;
    }
    for (const ControlKey& o : kOptions) {
        if (o.id == id) {
            const bool checked = IsDlgButtonChecked(hwnd(), id) == BST_CHECKED;
            option->setIntAttribute(o.key, checked ? 1 : 0);
            theConfig().save();
        }
    }
}

void MainWindow::applyAutoWrap() {
    HWND old = output();
    if (!old) {
        return;
    }
    const int id = GetDlgCtrlID(old);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_EXSTYLE));
    const RECT rect = clientRectOf(old);
    if (IsDlgButtonChecked(hwnd(), IDC_AUTOWRAP) == BST_CHECKED) {
        // Lines scroll sideways only with horizontal auto-scrolling; without
        // either the edit wraps at its right edge.
        style &= ~(WS_HSCROLL | ES_AUTOHSCROLL);
    } else {
        style |= WS_HSCROLL;
    }
    HWND edit = createOutputEdit(hwnd(), id, style, 0, rect);
    if (!edit) {
        return;
    }
    const std::u16string& shown = shownString();
    SetWindowTextW(edit, toWide(shown).c_str());
    SetWindowLongPtrW(edit, GWL_EXSTYLE, exStyle);
    // Right after the old one, so the tab order stays as in the template.
    SetWindowPos(edit, old, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    layout_.replaceControl(old, edit);
    const bool hadFocus = GetFocus() == old;
    DestroyWindow(old);
    if (hadFocus) {
        SetFocus(edit);
    }
}

HBRUSH MainWindow::onCtlColor(UINT, HDC dc, HWND) {
    SetBkColor(dc, PanelColor);
    return backgroundBrush_;
}

bool MainWindow::onClose() {
    // The capture goes with the window: its worker lets go of the page's
    // objects on its own thread, and one stuck in a hung program is not
    // waited for.
    stopKeys();
    end(IDOK);
    return true;
}

bool MainWindow::onSysCommand(WPARAM command) {
    if ((command & 0xFFF0) == IDM_CAPTURE_KEY) {
        onCaptureKeyDialog();
        return true;
    }
    if ((command & 0xFFF0) != IDM_ABOUT) {
        return false;
    }
    AboutDialog about;
    about.run(hwnd());
    return true;
}

bool MainWindow::onPaint() {
    if (!IsIconic(hwnd())) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd(), &paint);
    SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(hwnd(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(hwnd(), &paint);
    return true;
}

void MainWindow::onSize(int width, int height) {
    layout_.apply(width, height);
}

void MainWindow::onGetMinMaxInfo(MINMAXINFO& info) {
    info.ptMinTrackSize.x = kMinTrackWidth;
    info.ptMinTrackSize.y = kMinTrackHeight;
}

bool MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    result = TRUE;
    switch (message) {
        case WM_SYSCOMMAND:
            return onSysCommand(wParam);
        case WM_PAINT:
            return onPaint();
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<INT_PTR>(icon_);
            return true;
        case WM_SIZE:
            onSize(LOWORD(lParam), HIWORD(lParam));
            return false;
        case WM_GETMINMAXINFO:
            onGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
            return false;
        case WM_LBUTTONDOWN:
            onLButtonDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            if (dragging_) {
                onDragStarted();
            }
            return true;
        case WM_MOUSEMOVE:
            onMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return true;
        case WM_LBUTTONUP: {
            const bool wasDragging = dragging_;
            onLButtonUp();
            if (wasDragging) {
                onDragEnded();
            }
            return true;
        }
        case WM_TIMER:
            return onOutlineTimer(wParam) || onTimer(wParam);
        case WM_HOTKEY:
            onCaptureKey();
            return true;
        case WM_SETCURSOR:
            return onSetCursor();
        case WM_CAPTURECHANGED: {
            const bool wasDragging = dragging_;
            onCaptureChanged(reinterpret_cast<HWND>(lParam));
            if (wasDragging && !dragging_) {
                onDragEnded();
            }
            return true;
        }
        case kCaptureUpdates:
            onCaptureUpdates();
            return true;
        default:
            return false;
    }
}

}  // namespace tnk
