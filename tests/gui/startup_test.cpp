// Start-up: the configuration beside the program, the failure message and
// the single instance.
#include <gtest/gtest.h>

#include "app_driver.h"
#include "config/config_document.h"
#include "platform/win_string.h"

namespace tnk::gui {
namespace {

constexpr wchar_t kFailure[] = L"Load configuration parameters failed!";

std::wstring language(const std::u16string& markup, std::u16string_view key) {
    ConfigDocument doc;
    doc.parse(markup);
    const std::u16string* text = doc.languageText(key);
    return text ? toWide(*text) : std::wstring();
}

// Adds a language "probe" with a few texts and makes it the current one.
std::u16string withProbeLanguage(std::u16string markup) {
    const std::size_t curlng = markup.find(u"curlng=\"");
    const std::size_t valueEnd = markup.find(u'"', curlng + 8);
    markup.replace(curlng + 8, valueEnd - curlng - 8, u"probe");
    const std::size_t tagEnd = markup.find(u'>', markup.find(u"<language"));
    markup.insert(tagEnd + 1,
                  u"<probe><text><main_caption>Probe caption</main_caption>"
                  u"<main_copy>Kopieren</main_copy><main_text>Texte</main_text>"
                  u"</text></probe>");
    return markup;
}

// Expects the failure message box and no main window; closes the box.
void expectFailureMessage(AppProcess& app) {
    HWND box = app.waitDialog(0, L"Tarnwick");
    ASSERT_NE(box, nullptr) << "no message box";
    bool hasText = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        hasText = hasText || windowText(child) == kFailure;
    }
    EXPECT_TRUE(hasText);
    EXPECT_EQ(app.findDialog(1006), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(app.waitExit(kStateSeconds));
}

TEST(Startup, MissingConfigurationShowsTheFailureAndNoWindow) {
    AppFolder folder;
    AppProcess app(folder.exe());
    expectFailureMessage(app);
}

TEST(Startup, ConfigurationOfAnotherBuildShowsTheFailure) {
    AppFolder folder;
    folder.writeConfigFor(defaultMarkup(), hostPath(RECORDER_EXE));
    AppProcess app(folder.exe());
    expectFailureMessage(app);
}

TEST(Startup, CaptionsComeFromTheCurrentLanguage) {
    const std::u16string markup = defaultMarkup();
    ASSERT_FALSE(markup.empty()) << "no packed tnk.cfg beside the built program";
    AppFolder folder;
    folder.writeConfig(markup);
    {
        // Started from another folder: tnk.cfg is found beside the program.
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        AppProcess app(folder.exe(), system);
        HWND main = app.mainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(windowText(main), language(markup, u"main_caption"));
        const std::pair<int, const char16_t*> captions[] = {
            {1002, u"main_usage"},      {1016, u"main_option"},   {1003, u"main_filter"},
            {1004, u"main_hideoc"},     {1007, u"main_autowrap"}, {1010, u"main_copy"},
            {1011, u"main_save"},       {1012, u"main_deposit"},  {1017, u"main_onlinehelp"},
            {1019, u"main_anywindow"},  {1020, u"main_tidytext"}, {1021, u"main_outline"},
            {1022, u"main_copyatonce"},
        };
        for (const auto& [id, key] : captions) {
            EXPECT_EQ(windowText(GetDlgItem(main, id)), language(markup, key)) << id;
        }
        EXPECT_EQ(windowText(GetDlgItem(main, 1008)), L"+");
    }
    folder.writeConfig(withProbeLanguage(markup));
    AppProcess app(folder.exe());
    HWND main = app.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(windowText(main), L"Probe caption");
    EXPECT_EQ(windowText(GetDlgItem(main, 1010)), L"Kopieren");
    // A key the language lacks leaves its caption empty; the option added
    // after the first configurations shows its English text.
    EXPECT_EQ(windowText(GetDlgItem(main, 1011)), L"");
    EXPECT_EQ(windowText(GetDlgItem(main, 1019)), L"Capture from any program");
    EXPECT_EQ(windowText(GetDlgItem(main, 1020)), L"Tidy text");
}

TEST(Startup, SecondStartRestoresTheFirstAndEnds) {
    AppFolder folder;
    folder.writeConfig(defaultMarkup());
    AppProcess first(folder.exe());
    HWND main = first.mainWindow();
    ASSERT_NE(main, nullptr);
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(waitFor([&] { return IsIconic(main) != FALSE; }));

    AppProcess second(folder.exe());
    EXPECT_TRUE(second.waitExit(kStateSeconds));
    EXPECT_TRUE(waitFor([&] { return !IsIconic(main); }));
    EXPECT_TRUE(first.running());
}

TEST(Startup, SecondStartWithBrokenConfigurationStillShowsTheFailure) {
    AppFolder folder;
    folder.writeConfig(defaultMarkup());
    AppProcess first(folder.exe());
    ASSERT_NE(first.mainWindow(), nullptr);
    AppFolder broken;
    AppProcess second(broken.exe());
    expectFailureMessage(second);
}

}  // namespace
}  // namespace tnk::gui
