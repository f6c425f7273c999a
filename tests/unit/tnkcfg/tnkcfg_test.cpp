#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/config_document.h"
#include "config/config_file.h"
#include "tool_fixture.h"

namespace tnk {
namespace {

using testing::ToolTest;
namespace stdfs = std::filesystem;

const char kSource[] =
    "\r\n<language curlng=\"english\">\r\n\t<english>\r\n\t\t<text>"
    "\r\n\t\t\t<main_caption>Tarnwick</main_caption>\r\n\t\t</text>\r\n\t</english>"
    "\r\n</language>"
    "\r\n<depository>\r\n\t<group name=\"\xE6\x96\x87\">"
    "\r\n\t\t<record addtime=\"2007-05-01 09:05:07\" remark=\"r\" source=\"s\" "
    "title=\"t\">content &lt;kept&gt;</record>\r\n\t</group>\r\n</depository>";

class Tnkcfg : public ToolTest {
  protected:
    // The plain markup of `cfg` as read with `program`'s key.
    std::u16string plainOf(const std::string& cfg, const std::string& program) {
        const auto key = deriveKeyFromFile(at(program), systemFileSystem());
        ConfigDocument doc;
        if (!key || !doc.load(at(cfg), key, systemFileSystem()))
            return u"<unreadable>";
        return doc.serialize();
    }
};

TEST_F(Tnkcfg, PackSetsWinAndUnpackGivesTheWritersMarkup) {
    put("source.xml", kSource);
    ASSERT_EQ(run({u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("tnk.cfg")}), 0)
        << err;
    EXPECT_TRUE(err.empty());

    // Readable with the program's key, and "win" holds that key.
    ConfigDocument doc;
    const auto key = deriveKeyFromFile(at("old.exe"), systemFileSystem());
    ASSERT_TRUE(doc.load(at("tnk.cfg"), key, systemFileSystem()));
    EXPECT_EQ(saveKeyOf(doc), key);
    ASSERT_NE(doc.languageText(u"main_caption"), nullptr);

    ASSERT_EQ(run({u"unpack", at("tnk.cfg"), u"--exe", at("old.exe")}), 0) << err;
    const std::string expected =
        std::string(kSource) + "\r\n<win>" + utf16ToUtf8(winTextForKey(*key)) + "</win>";
    EXPECT_EQ(out, expected);

    ASSERT_EQ(run({u"unpack", at("tnk.cfg"), u"--exe", at("old.exe"), u"-o", at("plain.xml")}), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(get("plain.xml"), expected);
}

TEST_F(Tnkcfg, PackReplacesAnExistingWin) {
    put("source.xml", "\xEF\xBB\xBF<win>stale</win><a></a>");
    ASSERT_EQ(run({u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("tnk.cfg")}), 0);
    ASSERT_EQ(run({u"unpack", at("tnk.cfg"), u"--exe", at("old.exe")}), 0);
    EXPECT_EQ(out.find("stale"), std::string::npos);
    EXPECT_EQ(out.find("<win>"), out.rfind("<win>"));
}

TEST_F(Tnkcfg, RekeyWritesANewFileKeepingEveryRecordAndNeverTouchesItsInput) {
    put("source.xml", kSource);
    ASSERT_EQ(run({u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("tnk.cfg")}), 0);
    const std::u16string before = plainOf("tnk.cfg", "old.exe");
    const std::string original = get("tnk.cfg");

    ASSERT_EQ(run({u"rekey", at("tnk.cfg"), u"--from", at("old.exe"), u"--to", at("new.exe"), u"-o",
                   at("new.cfg")}),
              0)
        << err;
    EXPECT_EQ(get("tnk.cfg"), original);
    EXPECT_NE(out.find("Carried 1 group and 1 record over to"), std::string::npos) << out;
    const std::u16string after = plainOf("new.cfg", "new.exe");
    ASSERT_NE(after, u"<unreadable>");
    // Only "win" differs.
    const std::size_t win = before.find(u"\r\n<win>");
    EXPECT_EQ(after.substr(0, win), before.substr(0, win));
    EXPECT_NE(after.find(u"content &lt;kept&gt;"), std::u16string::npos);
    EXPECT_EQ(run({u"unpack", at("new.cfg"), u"--exe", at("old.exe")}), 1);

    ASSERT_EQ(run({u"rekey", at("new.cfg"), u"--from", at("new.exe"), u"--to", at("old.exe"), u"-o",
                   at("back.cfg")}),
              0);
    EXPECT_EQ(plainOf("back.cfg", "old.exe"), before);
}

TEST_F(Tnkcfg, RekeyFailuresSayWhatToDoAndWriteNothing) {
    put("source.xml", kSource);
    ASSERT_EQ(run({u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("tnk.cfg")}), 0);
    const std::string original = get("tnk.cfg");
    const auto rekey = [&](const std::string& input, const std::string& from,
                           const std::string& output) {
        return run({u"rekey", at(input), u"--from", at(from), u"--to", at("new.exe"), u"-o",
                    at(output), u"--force"});
    };

    EXPECT_EQ(rekey("tnk.cfg", "gone.exe", "out.cfg"), 1);
    EXPECT_NE(err.find("cannot read the old program"), std::string::npos) << err;
    EXPECT_NE(err.find("no such file"), std::string::npos) << err;
    EXPECT_NE(err.find("give with --from"), std::string::npos) << err;

    EXPECT_EQ(rekey("tnk.cfg", "new.exe", "out.cfg"), 1);  // not the program it was made for
    EXPECT_NE(err.find("does not decipher"), std::string::npos) << err;
    EXPECT_NE(err.find("give with --from"), std::string::npos) << err;

    EXPECT_EQ(rekey("none.cfg", "old.exe", "out.cfg"), 1);
    EXPECT_NE(err.find("no such file"), std::string::npos) << err;

    EXPECT_EQ(rekey("tnk.cfg", "old.exe", "no-folder/out.cfg"), 1);
    EXPECT_NE(err.find("folder that does not exist"), std::string::npos) << err;

    // The input itself, under any spelling, even when told to replace.
    EXPECT_EQ(rekey("tnk.cfg", "old.exe", "tnk.cfg"), 1);
    EXPECT_NE(err.find("never changes what it reads"), std::string::npos) << err;
    stdfs::create_directories(folder / "sub");
    EXPECT_EQ(rekey("tnk.cfg", "old.exe", "sub/../tnk.cfg"), 1);
    EXPECT_EQ(rekey("tnk.cfg", "old.exe", "new.exe"), 1);

    EXPECT_EQ(get("tnk.cfg"), original);
    EXPECT_EQ(get("new.exe"), "the new build");
    std::vector<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"new.exe", "old.exe", "source.xml", "sub", "tnk.cfg"}));
}

// No command replaces a file unless told to; none replaces what it reads.
TEST_F(Tnkcfg, AnExistingOutputIsReplacedOnlyWithForce) {
    put("source.xml", kSource);
    ASSERT_EQ(run({u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("tnk.cfg")}), 0);
    const std::vector<std::vector<std::u16string>> commands = {
        {u"pack", at("source.xml"), u"--exe", at("old.exe")},
        {u"unpack", at("tnk.cfg"), u"--exe", at("old.exe")},
        {u"rekey", at("tnk.cfg"), u"--from", at("old.exe"), u"--to", at("new.exe")},
    };
    for (const auto& command : commands) {
        const auto writing = [&](const std::u16string& output, bool force) {
            std::vector<std::u16string> args = command;
            args.insert(args.end(), {u"-o", output});
            if (force)
                args.push_back(u"--force");
            return run(args);
        };
        put("out", "keep me");
        EXPECT_EQ(writing(at("out"), false), 1);
        EXPECT_NE(err.find("exists; add --force"), std::string::npos) << err;
        EXPECT_EQ(get("out"), "keep me");
        EXPECT_EQ(writing(at("out"), true), 0) << err;
        EXPECT_NE(get("out"), "keep me");

        EXPECT_EQ(writing(command[1], true), 1);
        EXPECT_NE(err.find("never changes what it reads"), std::string::npos) << err;
    }
    EXPECT_NE(plainOf("tnk.cfg", "old.exe").find(u"content &lt;kept&gt;"), std::u16string::npos);
}

TEST_F(Tnkcfg, AWrongKeyIsReportedAndNothingIsWritten) {
    put("source.xml", kSource);
    ASSERT_EQ(run({u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("tnk.cfg")}), 0);
    EXPECT_EQ(run({u"unpack", at("tnk.cfg"), u"--exe", at("new.exe"), u"-o", at("plain.xml")}), 1);
    EXPECT_NE(err.find("does not decipher"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_FALSE(stdfs::exists(folder / "plain.xml"));
}

TEST_F(Tnkcfg, MissingFilesAreReportedInOneLine) {
    put("source.xml", kSource);
    const std::vector<std::vector<std::u16string>> cases = {
        {u"pack", at("none.xml"), u"--exe", at("old.exe"), u"-o", at("out.cfg")},
        {u"pack", at("source.xml"), u"--exe", at("none.exe"), u"-o", at("out.cfg")},
        {u"unpack", at("none.cfg"), u"--exe", at("old.exe")},
        {u"rekey", at("none.cfg"), u"--from", at("old.exe"), u"--to", at("new.exe"), u"-o",
         at("out.cfg")},
        {u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("no-folder/out.cfg")},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(run(args), 1);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind("tnkcfg: ", 0), 0u) << err;
    }
    EXPECT_FALSE(stdfs::exists(folder / "out.cfg"));
    EXPECT_FALSE(stdfs::exists(folder / "none.cfg"));
}

TEST_F(Tnkcfg, CommandLineMistakesAndHelp) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({u"frobnicate", at("x")}), 2);
    EXPECT_EQ(run({u"pack", at("source.xml"), u"--exe", at("old.exe")}), 2);  // no -o
    EXPECT_EQ(run({u"rekey", at("a"), u"--from", at("old.exe"), u"--to", at("new.exe")}), 2);
    EXPECT_EQ(run({u"unpack", at("a"), at("b"), u"--exe", at("old.exe")}), 2);
    EXPECT_EQ(run({u"unpack", at("a"), u"--exe"}), 2);
    EXPECT_EQ(run({u"unpack", at("a"), u"--bogus", u"x"}), 2);
    EXPECT_NE(err.find("--help"), std::string::npos);

    EXPECT_EQ(run({u"--help"}), 0);
    EXPECT_NE(out.find("tnkcfg rekey CFG --from"), std::string::npos);
}

#ifndef _WIN32
// The built program itself, as the build and users run it.
TEST_F(Tnkcfg, ProgramRunsFromTheShell) {
    put("source.xml", kSource);
    const std::string tool = TNK_TNKCFG_PROGRAM;
    const std::string dir = folder.string();
    const auto sh = [&](const std::string& args) {
        const int status = std::system(("cd '" + dir + "' && '" + tool + "' " + args).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(sh("pack source.xml --exe old.exe -o tnk.cfg"), 0);
    EXPECT_EQ(sh("unpack tnk.cfg --exe old.exe > plain.xml"), 0);
    EXPECT_EQ(get("plain.xml").substr(0, sizeof kSource - 1), kSource);
    EXPECT_EQ(sh("unpack tnk.cfg --exe new.exe 2>err.txt"), 1);
    EXPECT_NE(get("err.txt").find("does not decipher"), std::string::npos);
    EXPECT_EQ(sh("--help >/dev/null"), 0);
}
#endif

}  // namespace
}  // namespace tnk
