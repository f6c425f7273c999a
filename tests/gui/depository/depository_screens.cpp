// Stages the Text Depository with sample records for the screenshots in
// docs/: prints the screen rectangle of the window to photograph, then waits
// for a line on standard input before going on to the next one.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app_driver.h"
#include "depository_driver.h"

using namespace tnk::gui;

namespace {

void shoot(HWND window, const char* name) {
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("%s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
}

}  // namespace

int main() {
    std::u16string markup = defaultMarkup();
    std::size_t at = markup.find(u"<depository");
    std::size_t end = markup.find(u"</depository>", at);
    markup.replace(
        at, end + 13 - at,
        u"<depository>"
        u"<group name=\"Weather\">"
        u"<record title=\"Storm warning\" source=\"http://news.example/storm\" remark=\"coast\" "
        u"addtime=\"2026-11-30 08:12:44\">Gale force winds are expected along the coast "
        u"tonight.</record>"
        u"<record title=\"Snow forecast\" source=\"http://news.example/snow\" remark=\"\" "
        u"addtime=\"2026-12-02 17:03:10\">Up to ten centimetres of snow on high ground.</record>"
        u"</group>"
        u"<group name=\"recipes\">"
        u"<record title=\"Lentil soup\" source=\"http://food.example/lentils\" remark=\"try\" "
        u"addtime=\"2026-12-05 19:40:02\">Soak the lentils overnight, then simmer with onion, "
        u"carrot and cumin.</record>"
        u"</group>"
        u"<group name=\"Reading list\">"
        u"<record title=\"Field notes\" source=\"http://books.example/notes\" remark=\"library\" "
        u"addtime=\"2026-12-07 10:21:55\">A naturalist's year in the marshes.</record>"
        u"</group>"
        u"</depository>");
    AppFolder folder;
    folder.writeConfig(markup);
    AppProcess app(folder.exe());
    DepositoryDriver ui(app);
    if (!ui.open()) {
        return 1;
    }
    ui.select({2});
    ui.doubleClick(2);
    // With the focus in the table the selected row shows in full colour.
    DWORD_PTR ignored;
    SendMessageTimeoutW(ui.dialog(), WM_NEXTDLGCTL,
                        reinterpret_cast<WPARAM>(GetDlgItem(ui.dialog(), 1035)), TRUE, SMTO_NORMAL,
                        kStateMs, &ignored);
    shoot(ui.dialog(), "depository");
    ui.press(1015);
    HWND find = ui.waitOther(1037);
    if (!find) {
        return 1;
    }
    SendMessageTimeoutW(GetDlgItem(find, 1034), CB_SETCURSEL, 1, 0, SMTO_NORMAL, kStateMs,
                        &ignored);
    SendMessageTimeoutW(GetDlgItem(find, 1037), CB_SETCURSEL, 3, 0, SMTO_NORMAL, kStateMs,
                        &ignored);
    SendMessageTimeoutW(GetDlgItem(find, 1006), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"winds"),
                        SMTO_NORMAL, kStateMs, &ignored);
    shoot(find, "find");
    PostMessageW(find, WM_COMMAND, IDCANCEL, 0);
    waitFor([&] { return !IsWindow(find); });
    return 0;
}
