// The Text Depository of tarnwick.exe, driven as a user would, with the
// deciphered tnk.cfg checked after every command.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>

#include "app_driver.h"
#include "config/config_document.h"
#include "depository_driver.h"
#include "platform/win_string.h"

namespace tnk::gui {
namespace {

constexpr int kTitle = 1006, kGroup = 1034, kAddGroup = 1008, kDelGroup = 1009, kAdd = 1010,
              kChange = 1011, kDelete = 1012, kFind = 1015, kExport = 1017, kOption = 1036,
              kSource = 1027, kContent = 1030, kRemark = 1031;

using Texts = std::vector<std::wstring>;

// "group/title" of every stored record, with its content.
struct Stored {
    std::wstring group, title, content, time;
};

class DepositoryGui : public ::testing::Test {
  protected:
    void start(const std::u16string& depository) {
        std::u16string markup = defaultMarkup();
        const std::u16string empty = u"<depository></depository>";
        std::size_t at = markup.find(u"<depository");
        ASSERT_NE(at, std::u16string::npos);
        std::size_t end = markup.find(u"</depository>", at);
        markup.replace(at, end == std::u16string::npos ? empty.size() : end + 13 - at, depository);
        folder_.writeConfig(markup);
        app_ = std::make_unique<AppProcess>(folder_.exe());
        ui_ = std::make_unique<DepositoryDriver>(*app_);
        ASSERT_TRUE(ui_->open());
    }

    void TearDown() override {
        ui_.reset();
        app_.reset();
    }

    std::vector<Stored> stored() const {
        ConfigDocument doc;
        doc.parse(folder_.readConfig());
        std::vector<Stored> result;
        for (ConfigNode* group = doc.select(u"depository@group"); group;
             group = group->select(u"#group")) {
            std::wstring name = toWide(*group->attribute(u"name"));
            bool any = false;
            for (ConfigNode* r = group->select(u"@record"); r; r = r->select(u"#record")) {
                any = true;
                const std::u16string* text = r->text();
                result.push_back({name, toWide(*r->attribute(u"title")), text ? toWide(*text) : L"",
                                  toWide(*r->attribute(u"addtime"))});
            }
            if (!any) {
                result.push_back({name, L"", L"", L""});
            }
        }
        return result;
    }
    Texts storedTitles() const {
        Texts titles;
        for (const Stored& s : stored()) {
            titles.push_back(s.group + L"/" + s.title);
        }
        return titles;
    }
    // Waits for a box, checks its caption and text, and answers it.
    void expectBox(const std::wstring& caption, const std::wstring& text, int answer) {
        std::optional<SeenBox> box = ui_->waitBox();
        ASSERT_TRUE(box) << "no message box: " << std::string(text.begin(), text.end());
        EXPECT_EQ(box->caption, caption);
        EXPECT_EQ(box->text, text);
        ui_->answer(*box, answer);
    }
    HWND focusedControl() {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(ui_->dialog(), nullptr), &info);
        return info.hwndFocus;
    }

    AppFolder folder_;
    std::unique_ptr<AppProcess> app_;
    std::unique_ptr<DepositoryDriver> ui_;
};

const std::u16string kThreeGroups =
    u"<depository>"
    u"<group name=\"News\"><record title=\"n1\" source=\"s\" remark=\"r\" "
    u"addtime=\"2000-01-01 00:00:00\">storm warning</record>"
    u"<record title=\"n2\" source=\"http://x/\" remark=\"\" addtime=\"2000-01-01 00:00:01\">"
    u"Budget</record></group>"
    u"<group name=\"Work\"><record title=\"w1\" source=\"\" remark=\"storm\" "
    u"addtime=\"2000-01-01 00:00:02\">plans</record></group>"
    u"<group name=\"News archive\"><record title=\"a1\" source=\"\" remark=\"\" "
    u"addtime=\"2000-01-01 00:00:03\">old news</record></group>"
    u"<group name=\"Empty\"/>"
    u"</depository>";

TEST_F(DepositoryGui, OpensWithRecordsInFileOrderAndGroupsSorted) {
    start(kThreeGroups);
    EXPECT_EQ(ui_->column(0), (Texts{L"n1", L"n2", L"w1", L"a1"}));
    EXPECT_EQ(ui_->row(0),
              (Texts{L"n1", L"News", L"s", L"storm warning", L"r", L"2000-01-01 00:00:00"}));
    EXPECT_EQ(ui_->groupEntries(), (Texts{L"Empty", L"News", L"News archive", L"Work"}));
    EXPECT_EQ(ui_->text(kTitle), L"");
    EXPECT_FALSE(ui_->enabled(kChange) || ui_->enabled(kDelete) || ui_->enabled(kExport));
    EXPECT_FALSE(ui_->visible(kOption));
    ui_->select({0, 2});
    EXPECT_FALSE(ui_->enabled(kChange));
    EXPECT_TRUE(ui_->enabled(kDelete) && ui_->enabled(kExport));
    ui_->select({1});
    EXPECT_TRUE(ui_->enabled(kChange));
}

TEST_F(DepositoryGui, AddGroupAsksFirstAndRefusesANameInOtherCase) {
    start(kThreeGroups);
    const Texts before = storedTitles();
    ui_->setText(kGroup, L"Sport");
    ui_->press(kAddGroup);
    expectBox(L"Tarnwick", L"Are you sure you want to add a new group [Sport]?", IDNO);
    EXPECT_EQ(storedTitles(), before);

    ui_->press(kAddGroup);
    expectBox(L"Tarnwick", L"Are you sure you want to add a new group [Sport]?", IDYES);
    Texts after = before;
    after.push_back(L"Sport/");
    EXPECT_EQ(storedTitles(), after);
    EXPECT_EQ(ui_->groupEntries(), (Texts{L"Empty", L"News", L"News archive", L"Sport", L"Work"}));

    ui_->setText(kGroup, L"news");
    ui_->press(kAddGroup);
    expectBox(L"Tarnwick", L"The group [news] already exist.", IDOK);
    EXPECT_EQ(GetParent(focusedControl()), GetDlgItem(ui_->dialog(), kGroup));
    ui_->setText(kGroup, L"");
    ui_->press(kAddGroup);
    expectBox(L"Tarnwick", L"Please enter the group name you want to add.", IDOK);
    EXPECT_EQ(storedTitles(), after);
}

TEST_F(DepositoryGui, AddGroupCreatesAMissingDepository) {
    start(u"");
    EXPECT_EQ(ui_->rowCount(), 0);
    ui_->setText(kGroup, L"First");
    ui_->press(kAddGroup);
    expectBox(L"Tarnwick", L"Are you sure you want to add a new group [First]?", IDYES);
    EXPECT_EQ(storedTitles(), Texts{L"First/"});
}

TEST_F(DepositoryGui, AddChangeAndDeleteEachSaveAtOnce) {
    start(kThreeGroups);
    ui_->setText(kGroup, L"Work");
    ui_->press(kAdd);
    expectBox(L"Tarnwick", L"Please enter the record title.", IDOK);
    EXPECT_EQ(focusedControl(), GetDlgItem(ui_->dialog(), kTitle));
    ui_->setText(kTitle, L"t1");
    ui_->setText(kGroup, L"Sport");
    ui_->press(kAdd);
    expectBox(L"Tarnwick",
              L"Group [Sport] does not exist,please\r\nfirst add it or select another one.", IDOK);

    ui_->setText(kGroup, L"Work");
    ui_->setText(kSource, L"http://src/");
    ui_->setText(kContent, L"line one\r\nline two");
    ui_->setText(kRemark, L"rem");
    ui_->pressAndWait(kAdd);
    std::vector<Stored> now = stored();
    ASSERT_EQ(now.size(), 6u);
    EXPECT_EQ(now[3].group + L"/" + now[3].title, L"Work/t1");
    EXPECT_EQ(now[3].content, L"line one\r\nline two");
    EXPECT_TRUE(std::regex_match(now[3].time, std::wregex(LR"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    ASSERT_EQ(ui_->rowCount(), 5);
    EXPECT_EQ(ui_->row(4), (Texts{L"t1", L"Work", L"http://src/", L"line one\r\nline two", L"rem",
                                  now[3].time}));

    // Change moves n1 to the end of Work with a new time; its row stays first.
    ui_->select({0});
    ui_->setText(kTitle, L"n1 moved");
    ui_->press(kChange);
    expectBox(L"Replace record",
              L"Would you really want to replace the selected record with the current record?",
              IDNO);
    EXPECT_EQ(stored().size(), 6u);
    EXPECT_EQ(storedTitles()[0], L"News/n1");
    ui_->press(kChange);
    expectBox(L"Replace record",
              L"Would you really want to replace the selected record with the current record?",
              IDYES);
    EXPECT_EQ(storedTitles(), (Texts{L"News/n2", L"Work/w1", L"Work/t1", L"Work/n1 moved",
                                     L"News archive/a1", L"Empty/"}));
    EXPECT_NE(stored()[3].time, L"2000-01-01 00:00:00");
    EXPECT_EQ(ui_->column(0), (Texts{L"n1 moved", L"n2", L"w1", L"a1", L"t1"}));
    EXPECT_EQ(ui_->row(0)[1], L"Work");

    // Delete with three rows selected deletes the first only.
    ui_->select({1, 2, 3});
    ui_->press(kDelete);
    expectBox(L"Replace record", L"Would you really want to delete the selected record?", IDYES);
    EXPECT_EQ(storedTitles(), (Texts{L"News/", L"Work/w1", L"Work/t1", L"Work/n1 moved",
                                     L"News archive/a1", L"Empty/"}));
    EXPECT_EQ(ui_->column(0), (Texts{L"n1 moved", L"w1", L"a1", L"t1"}));
    EXPECT_EQ(ui_->selected(), (std::vector<int>{1, 2}));
}

TEST_F(DepositoryGui, DoubleClickLoadsAndDelGroupRemovesItsRows) {
    start(kThreeGroups);
    ui_->select({0});
    ui_->doubleClick(0);
    EXPECT_EQ(ui_->text(kTitle), L"n1");
    EXPECT_EQ(ui_->text(kSource), L"s");
    EXPECT_EQ(ui_->text(kContent), L"storm warning");
    EXPECT_EQ(ui_->text(kRemark), L"r");
    EXPECT_EQ(ui_->text(kGroup), L"News") << "not News archive";

    ui_->setText(kGroup, L"Nothing");
    ui_->press(kDelGroup);
    expectBox(L"Tarnwick", L"Please select the group you want to delete.", IDOK);
    // A name that matches a group only ignoring letter case passes the check
    // but names no stored group: after the confirmation nothing changes.
    Texts before = storedTitles();
    ui_->setText(kGroup, L"news");
    ui_->press(kDelGroup);
    expectBox(L"Tarnwick",
              L"Are you sure you want to delete the group [news]?,This will also delete all the "
              L"record in the depository belong to this group.",
              IDYES);
    EXPECT_EQ(storedTitles(), before);
    ui_->setText(kGroup, L"News");
    ui_->press(kDelGroup);
    expectBox(L"Tarnwick",
              L"Are you sure you want to delete the group [News]?,This will also delete all the "
              L"record in the depository belong to this group.",
              IDYES);
    EXPECT_EQ(storedTitles(), (Texts{L"Work/w1", L"News archive/a1", L"Empty/"}));
    EXPECT_EQ(ui_->column(0), (Texts{L"w1", L"a1"}));
    EXPECT_EQ(ui_->groupEntries(), (Texts{L"Empty", L"News archive", L"Work"}));
}

TEST_F(DepositoryGui, FindFiltersByGroupFieldAndKeyword) {
    start(kThreeGroups);
    auto find = [&](int group, int field, const std::wstring& keyword, bool ok = true) {
        ui_->press(kFind);
        HWND dialog = ui_->waitOther(1037);
        EXPECT_NE(dialog, nullptr);
        if (!dialog) {
            return Texts{};
        }
        EXPECT_EQ(windowText(dialog), L"Find");
        DWORD_PTR ignored;
        SendMessageTimeoutW(GetDlgItem(dialog, 1034), CB_SETCURSEL, group, 0, SMTO_NORMAL, kStateMs,
                            &ignored);
        SendMessageTimeoutW(GetDlgItem(dialog, 1037), CB_SETCURSEL, field, 0, SMTO_NORMAL, kStateMs,
                            &ignored);
        SendMessageTimeoutW(GetDlgItem(dialog, 1006), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(keyword.c_str()), SMTO_NORMAL, kStateMs,
                            &ignored);
        PostMessageW(dialog, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
        waitFor([&] { return !IsWindow(dialog); });
        SendMessageTimeoutW(ui_->dialog(), WM_NULL, 0, 0, SMTO_NORMAL, kStateMs, &ignored);
        return ui_->column(0);
    };
    // Groups in file order: 1 News, 2 Work, 3 News archive, 4 Empty.
    // Fields: 1 title, 2 source, 3 content, 4 remark.
    EXPECT_EQ(find(1, 0, L""), (Texts{L"n1", L"n2"}));
    EXPECT_EQ(find(4, 0, L""), Texts{});
    EXPECT_EQ(find(0, 0, L"storm"), (Texts{L"n1", L"w1"}));
    EXPECT_EQ(find(0, 0, L"Storm"), Texts{}) << "letter case counts";
    EXPECT_EQ(find(0, 3, L"n1"), Texts{}) << "only in a title";
    EXPECT_EQ(find(0, 4, L"storm"), Texts{L"w1"});
    EXPECT_EQ(find(0, 2, L"http"), Texts{L"n2"});
    EXPECT_FALSE(ui_->enabled(kDelete));

    ui_->select({0});
    EXPECT_EQ(find(0, 0, L"", false), Texts{L"n2"}) << "Cancel leaves the table";
    EXPECT_EQ(ui_->selected(), std::vector<int>{0});
    EXPECT_EQ(find(0, 0, L""), (Texts{L"n1", L"n2", L"w1", L"a1"}));
    EXPECT_TRUE(ui_->selected().empty());
    EXPECT_EQ(stored().size(), 5u) << "a search changes nothing";
}

std::string fileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(DepositoryGui, ExportOneRecordThroughTheSaveDialog) {
    start(
        u"<depository><group name=\"G\"><record title=\"Report\" source=\"\" remark=\"\" "
        u"addtime=\"t\">abc</record></group></depository>");
    ui_->select({0});
    ui_->press(kExport);
    HWND save = ui_->waitOther(1148);  // the file name box
    ASSERT_NE(save, nullptr);
    HWND name = GetDlgItem(save, 1148);
    EXPECT_EQ(windowText(name), L"Report");
    const std::wstring target = folder_.path() + L"\\exported.txt";
    DWORD_PTR ignored;
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()), SMTO_NORMAL,
                        kStateMs, &ignored);
    PostMessageW(save, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(save); }));
    SendMessageTimeoutW(ui_->dialog(), WM_NULL, 0, 0, SMTO_NORMAL, kStateMs, &ignored);
    EXPECT_TRUE(waitFor([&] { return fileBytes(target) == "abc"; }));
    DeleteFileW(target.c_str());
}

// Years of collecting: 20,000 records, some 50 MB. The table is virtual, so
// opening, a search and the refill cost about as much as reading the store.
TEST_F(DepositoryGui, TwentyThousandRecordsOpenSearchAndSave) {
    std::u16string markup = u"<depository>";
    const std::u16string content(2500, u'x');
    for (int g = 0; g < 20; ++g) {
        markup += u"<group name=\"G" + fromWide(std::to_wstring(g)) + u"\">";
        for (int r = 0; r < 1000; ++r) {
            std::u16string n = fromWide(std::to_wstring(g * 1000 + r));
            markup += u"<record title=\"t" + n + u"\" source=\"http://s/\" remark=\"\" " +
                      u"addtime=\"2000-01-01 00:00:00\">" + content +
                      (r == 500 ? u" needle" : u"") + u"</record>";
        }
        markup += u"</group>";
    }
    markup += u"</depository>";
    start(markup);
    ASSERT_EQ(ui_->rowCount(), 20000);
    RecordProperty("open_ms", static_cast<int>(ui_->openMilliseconds()));
    EXPECT_EQ(ui_->row(19999)[0], L"t19999");
    EXPECT_EQ(ui_->row(0)[3].size(), 1023u) << "a cell gives what fits the asker's buffer";

    ui_->press(kFind);
    HWND find = ui_->waitOther(1037);
    ASSERT_NE(find, nullptr);
    DWORD_PTR ignored;
    SendMessageTimeoutW(GetDlgItem(find, 1006), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"needle"),
                        SMTO_NORMAL, kStateMs, &ignored);
    const auto searched = GetTickCount64();
    PostMessageW(find, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return ui_->rowCount() == 20; }));
    RecordProperty("search_ms", static_cast<int>(GetTickCount64() - searched));
    EXPECT_EQ(ui_->row(19)[0], L"t19500");

    ui_->setText(kTitle, L"one more");
    ui_->setText(kGroup, L"G7");
    const auto added = GetTickCount64();
    ui_->pressAndWait(kAdd);
    RecordProperty("add_and_save_ms", static_cast<int>(GetTickCount64() - added));
    EXPECT_EQ(ui_->rowCount(), 21);
    std::vector<Stored> now = stored();
    ASSERT_EQ(now.size(), 20001u);
    EXPECT_EQ(now[8000].title, L"one more") << "last in its group";
}

// The folder browser starts at the desktop; for the length of a test the
// desktop is a folder of the test's own.
class DesktopFolder {
  public:
    explicit DesktopFolder(const std::wstring& path) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr);
        wchar_t old[MAX_PATH] = {};
        DWORD size = sizeof old;
        had_ = RegQueryValueExW(key_, L"Desktop", nullptr, &type_, reinterpret_cast<BYTE*>(old),
                                &size) == ERROR_SUCCESS;
        old_ = old;
        set(path, REG_EXPAND_SZ);
    }
    ~DesktopFolder() {
        if (had_) {
            set(old_, type_);
        } else {
            RegDeleteValueW(key_, L"Desktop");
        }
        RegCloseKey(key_);
    }

  private:
    void set(const std::wstring& value, DWORD type) {
        RegSetValueExW(key_, L"Desktop", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    static constexpr const wchar_t* kKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    bool had_ = false;
    DWORD type_ = REG_EXPAND_SZ;
    std::wstring old_;
};

TEST_F(DepositoryGui, ExportSeveralIntoAFolderSkipsHostileTitles) {
    const std::wstring out = folder_.path() + L"\\out";
    CreateDirectoryW(out.c_str(), nullptr);
    CreateDirectoryW((out + L"\\sub").c_str(), nullptr);
    {
        std::ofstream old((out + L"\\A.txt").c_str(), std::ios::binary);
        old << "old content, longer";
    }
    DesktopFolder desktop(out);
    start(
        u"<depository><group name=\"G\">"
        u"<record title=\"A\" addtime=\"t\">abc</record>"
        u"<record title=\"..\\escaped\" addtime=\"t\">up</record>"
        u"<record title=\"B\" addtime=\"t\">x\r\ny</record>"
        u"<record title=\"nul\" addtime=\"t\">device</record>"
        u"<record title=\"sub\\in\" addtime=\"t\">deeper</record>"
        u"<record title=\"what?\" addtime=\"t\">refused</record>"
        u"<record title=\"name:stream\" addtime=\"t\">stream</record>"
        u"<record title=\"COM1.txt\" addtime=\"t\">device</record>"
        u"<record title=\"Unselected\" addtime=\"t\">no</record>"
        u"</group></depository>");
    ui_->select({0, 1, 2, 3, 4, 5, 6, 7});
    ui_->press(kExport);
    HWND browser = ui_->waitOther(0x3741);  // the folder tree
    ASSERT_NE(browser, nullptr);
    PostMessageW(browser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(browser); }));
    DWORD_PTR ignored;
    SendMessageTimeoutW(ui_->dialog(), WM_NULL, 0, 0, SMTO_NORMAL, kStateMs, &ignored);
    EXPECT_TRUE(waitFor([&] { return fileBytes(out + L"\\B.txt") == "x\r\ny"; }));
    EXPECT_EQ(fileBytes(out + L"\\A.txt"), "abc") << "overwritten without a question";
    EXPECT_EQ(fileBytes(out + L"\\sub\\in.txt"), "deeper");
    EXPECT_EQ(GetFileAttributesW((folder_.path() + L"\\escaped.txt").c_str()),
              INVALID_FILE_ATTRIBUTES);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((out + L"\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Texts{L".", L"..", L"A.txt", L"B.txt", L"sub"}));
    EXPECT_EQ(stored().size(), 9u) << "export changes nothing";
    for (const wchar_t* name : {L"\\sub\\in.txt", L"\\A.txt", L"\\B.txt"}) {
        DeleteFileW((out + name).c_str());
    }
    RemoveDirectoryW((out + L"\\sub").c_str());
    RemoveDirectoryW(out.c_str());
}

}  // namespace
}  // namespace tnk::gui
