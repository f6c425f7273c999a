// Upgrading as a user does it, from the release zip: the new release unpacked
// beside the old one, the old depository carried over with the one tnkcfg
// command the README gives, the new program started. The second build is the
// first with bytes appended, so its key differs as a new build's would.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app_driver.h"
#include "config/config_document.h"
#include "config/config_file.h"
#include "depository/depository.h"
#include "depository_driver.h"

namespace tnk::gui {
namespace {

namespace stdfs = std::filesystem;

constexpr int kTitle = 1006, kGroup = 1034, kAdd = 1010, kSource = 1027, kContent = 1030,
              kRemark = 1031;
constexpr wchar_t kFailure[] = L"Load configuration parameters failed!";

std::u16string u16(const stdfs::path& path) {
    const std::wstring w = path.wstring();
    return std::u16string(w.begin(), w.end());
}

std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

stdfs::path releaseFolder() {
    return hostPath(RELEASE_FOLDER);
}

std::optional<CipherKey> keyOf(const stdfs::path& exe) {
    return deriveKeyFromFile(u16(exe), systemFileSystem());
}

// The folder a user unpacks releases into; removed with all it holds.
class Desk {
  public:
    Desk() {
        static int counter = 0;
        path_ = stdfs::temp_directory_path() /
                (L"tnkupgrade-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++counter));
        std::error_code ec;
        stdfs::remove_all(path_, ec);
        stdfs::create_directories(path_);
    }
    ~Desk() {
        std::error_code ec;
        stdfs::remove_all(path_, ec);
    }

    // The release as its zip unpacks, in `folder` of the desk.
    stdfs::path unpack(const stdfs::path& folder) const {
        const stdfs::path into = path_ / folder;
        stdfs::create_directories(into);
        for (const auto& file : stdfs::directory_iterator(releaseFolder()))
            stdfs::copy_file(file.path(), into / file.path().filename());
        return into;
    }

    // A release of a later build: the program differs, and its tnk.cfg is
    // the default configuration packed for it.
    stdfs::path unpackNextBuild(const stdfs::path& folder) const {
        const stdfs::path into = unpack(folder);
        std::ofstream(into / "tarnwick.exe", std::ios::binary | std::ios::app) << "next build";
        Bytes bytes;
        systemFileSystem().readFile(u16(into / "tnk.cfg"), bytes);
        const std::u16string markup =
            decodeConfigBytes(bytes, *keyOf(releaseFolder() / "tarnwick.exe"));
        const Bytes packed = encodeConfigText(markup, *keyOf(into / "tarnwick.exe"));
        writeFileAtomically(systemFileSystem(), u16(into / "tnk.cfg"), packed.data(),
                            packed.size());
        return into;
    }

    const stdfs::path& path() const { return path_; }

  private:
    stdfs::path path_;
};

struct ToolRun {
    DWORD code = 0xFFFFFFFF;
    std::string out, err;
    std::string report;  // for a failure: how it ended, after how long, what it printed
};

// Runs tnkcfg.exe of `folder` in that folder, as typed in a console there.
ToolRun runTool(const stdfs::path& folder, const std::wstring& arguments) {
    ChildProcess tool;
    if (tool.start((folder / "tnkcfg.exe").wstring(), arguments, folder.wstring())) {
        tool.waitExit(kStateSeconds);
        tool.end();
    }
    return {tool.exitCode().value_or(0xFFFFFFFF), tool.output(), tool.errors(), tool.report()};
}

// Records of every kind of text, filed with the depository layer into the
// tnk.cfg of `folder`, as the program files them.
void fileRecords(const stdfs::path& folder) {
    const std::u16string cfg = u16(folder / "tnk.cfg");
    ConfigDocument doc;
    ASSERT_TRUE(doc.load(cfg, keyOf(folder / "tarnwick.exe"), systemFileSystem()));
    Depository depository(
        doc, [&] { return doc.save(cfg, systemFileSystem()); },
        [] { return LocalTime{2024, 5, 6, 7, 8, 9}; });
    const std::u16string groups[] = {u"News", u"\u6587\u672C", u"Quotes <&> \"x\""};
    for (const std::u16string& name : groups) {
        ConfigNode* group = depository.addGroup(name);
        for (int i = 0; i < 30; ++i) {
            const std::u16string n(1, static_cast<char16_t>(u'A' + i % 26));
            depository.addRecord(
                group,
                {name + u" " + n + u"\u00e9", name, u"http://example/" + n,
                 u"line " + n + u"\r\n<b>&amp;</b> \"q\" \u4E2D\u6587 \U0001F600", u"r" + n});
        }
    }
    depository.addGroup(u"Empty");
    ASSERT_TRUE(depository.save());
}

// The deciphered markup of the depository in the tnk.cfg of `folder`.
std::u16string depositoryOf(const stdfs::path& folder) {
    Bytes bytes;
    const auto key = keyOf(folder / "tarnwick.exe");
    if (!key || !systemFileSystem().readFile(u16(folder / "tnk.cfg"), bytes))
        return u"<unreadable>";
    ConfigDocument doc;
    doc.parse(decodeConfigBytes(bytes, *key));
    const ConfigNode* depository = doc.select(u"depository");
    std::u16string markup;
    if (depository)
        depository->write(markup, 0);
    return markup;
}

// The rows the depository dialog shows for that file, in its order.
std::vector<std::vector<std::wstring>> rowsOf(const stdfs::path& folder) {
    Bytes bytes;
    systemFileSystem().readFile(u16(folder / "tnk.cfg"), bytes);
    ConfigDocument doc;
    doc.parse(decodeConfigBytes(bytes, *keyOf(folder / "tarnwick.exe")));
    std::vector<std::vector<std::wstring>> rows;
    Depository(doc).forEachRecord({}, [&](ConfigNode& group, ConfigNode& record) {
        const RecordRow row = makeRow(*group.attribute(u"name"), record);
        rows.push_back({wide(row.title), wide(row.group), wide(row.source), wide(row.content),
                        wide(row.remark), wide(row.time)});
    });
    return rows;
}

std::vector<std::vector<std::wstring>> shownRows(const DepositoryDriver& ui) {
    std::vector<std::vector<std::wstring>> rows;
    for (int i = 0; i < ui.rowCount(); ++i)
        rows.push_back(ui.row(i));
    return rows;
}

void expectFailureMessage(AppProcess& app) {
    HWND box = app.waitDialog(0, L"Tarnwick");
    ASSERT_NE(box, nullptr) << "no message box";
    bool hasText = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        hasText = hasText || windowText(child) == kFailure;
    EXPECT_TRUE(hasText);
    EXPECT_EQ(app.findDialog(1006), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(app.waitExit(kStateSeconds));
}

// Starts the program of `folder` and checks that its depository dialog
// shows `rows`.
void expectProgramShows(const stdfs::path& folder,
                        const std::vector<std::vector<std::wstring>>& rows) {
    AppProcess app((folder / "tarnwick.exe").wstring());
    ASSERT_NE(app.mainWindow(), nullptr) << "the program did not start with its tnk.cfg";
    DepositoryDriver ui(app);
    ASSERT_TRUE(ui.open());
    EXPECT_EQ(shownRows(ui), rows);
}

TEST(Upgrade, NewReleaseBesideTheOldOneKeepsEveryRecord) {
    Desk desk;
    const stdfs::path old = desk.unpack(releaseFolder().filename());
    fileRecords(old);
    {
        // The old program files one more, and saves the file itself.
        AppProcess app((old / "tarnwick.exe").wstring());
        DepositoryDriver ui(app);
        ASSERT_TRUE(ui.open());
        EXPECT_EQ(ui.rowCount(), 90);
        ui.setText(kTitle, L"filed by the old program");
        ui.setText(kGroup, L"News");
        ui.setText(kSource, L"http://old/");
        ui.setText(kContent, L"kept\r\nacross the upgrade");
        ui.setText(kRemark, L"last");
        ui.pressAndWait(kAdd);
        EXPECT_EQ(ui.rowCount(), 91);
    }
    const std::string oldFile = fileBytes((old / "tnk.cfg").wstring());
    const std::u16string oldDepository = depositoryOf(old);
    const auto rows = rowsOf(old);
    ASSERT_EQ(rows.size(), 91u);

    // The README's steps: unpack beside, one command in the new folder, start.
    const stdfs::path next = desk.unpackNextBuild("tarnwick-next");
    ASSERT_NE(keyOf(next / "tarnwick.exe"), keyOf(old / "tarnwick.exe"));
    const std::wstring oldName = old.filename().wstring();
    const ToolRun run = runTool(next, L"rekey ..\\" + oldName + L"\\tnk.cfg --from ..\\" + oldName +
                                          L"\\tarnwick.exe --to tarnwick.exe -o tnk.cfg --force");
    ASSERT_EQ(run.code, 0u) << run.report;
    EXPECT_NE(run.out.find("Carried 4 groups and 91 records over to 'tnk.cfg'"), std::string::npos)
        << run.out;

    EXPECT_EQ(fileBytes((old / "tnk.cfg").wstring()), oldFile);
    EXPECT_EQ(depositoryOf(next), oldDepository);
    expectProgramShows(next, rows);
}

TEST(Upgrade, ProgramCopiedOverTheOldOneFailsAndTheRecordsComeBack) {
    Desk desk;
    const stdfs::path old = desk.unpack(releaseFolder().filename());
    fileRecords(old);
    const std::string oldFile = fileBytes((old / "tnk.cfg").wstring());
    const auto rows = rowsOf(old);
    ASSERT_EQ(rows.size(), 90u);

    // Only the new program copied over the old one: the message, no window,
    // and the file as it was.
    const stdfs::path next = desk.unpackNextBuild("tarnwick-next");
    ASSERT_TRUE(CopyFileW((next / "tarnwick.exe").c_str(), (old / "tarnwick.exe").c_str(), FALSE));
    {
        AppProcess app((old / "tarnwick.exe").wstring());
        expectFailureMessage(app);
    }
    EXPECT_EQ(fileBytes((old / "tnk.cfg").wstring()), oldFile);

    // The program beside the file is not the one it was made for; the tool
    // says to use that one, which the old release still holds.
    const std::wstring oldName = old.filename().wstring();
    ToolRun run = runTool(next, L"rekey ..\\" + oldName + L"\\tnk.cfg --from ..\\" + oldName +
                                    L"\\tarnwick.exe --to tarnwick.exe -o tnk.cfg --force");
    EXPECT_EQ(run.code, 1u) << run.report;
    EXPECT_NE(run.err.find("unpack it again from the release it came in"), std::string::npos)
        << run.err;
    desk.unpack(L"old" / old.filename());
    run = runTool(next, L"rekey ..\\" + oldName + L"\\tnk.cfg --from ..\\old\\" + oldName +
                            L"\\tarnwick.exe --to tarnwick.exe -o tnk.cfg --force");
    ASSERT_EQ(run.code, 0u) << run.report;
    EXPECT_EQ(fileBytes((old / "tnk.cfg").wstring()), oldFile);
    expectProgramShows(next, rows);
}

TEST(Upgrade, TranslatorCarriesTextsAndRecordsAsPlainText) {
    Desk desk;
    const stdfs::path old = desk.unpack(releaseFolder().filename());
    fileRecords(old);
    const auto rows = rowsOf(old);
    const stdfs::path next = desk.unpackNextBuild("tarnwick-next");

    const std::wstring oldName = old.filename().wstring();
    ToolRun run = runTool(next, L"unpack ..\\" + oldName + L"\\tnk.cfg --exe ..\\" + oldName +
                                    L"\\tarnwick.exe -o tnk.xml");
    ASSERT_EQ(run.code, 0u) << run.report;
    std::string markup = fileBytes((next / "tnk.xml").wstring());
    const std::string copy = "<main_copy>Copy</main_copy>";
    ASSERT_NE(markup.find(copy), std::string::npos);
    markup.replace(markup.find(copy), copy.size(), "<main_copy>Copy it</main_copy>");
    std::ofstream(next / "tnk.xml", std::ios::binary | std::ios::trunc) << markup;
    run = runTool(next, L"pack tnk.xml --exe tarnwick.exe -o tnk.cfg --force");
    ASSERT_EQ(run.code, 0u) << run.report;

    AppProcess app((next / "tarnwick.exe").wstring());
    HWND main = app.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(main, 1010)), L"Copy it");
    DepositoryDriver ui(app);
    ASSERT_TRUE(ui.open());
    EXPECT_EQ(shownRows(ui), rows);
}

}  // namespace
}  // namespace tnk::gui
