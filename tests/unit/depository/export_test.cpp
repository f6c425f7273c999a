#include "depository/record_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/platform.h"

namespace tnk {
namespace {

namespace fs = std::filesystem;

TEST(ExportTitle, OrdinaryTitlesAndSubfoldersAreSafe) {
    for (std::u16string_view title :
         {u"Report", u"sub\\name", u"sub/name", u"a.b", u"..txt", u"...and more", u"console",
          u"COM10", u"LPT0", u"nullify", u"auxiliary.doc", u"a..b", u".hidden", u"", u"..",
          u"sub\\.."}) {
        EXPECT_TRUE(isSafeExportTitle(title)) << std::string(title.begin(), title.end());
    }
}

TEST(ExportTitle, TitlesLeavingTheFolderOrNamingDevicesAreRefused) {
    using namespace std::string_view_literals;
    for (std::u16string_view title :
         {u"..\\x"sv,    u"../x"sv,      u"a\\..\\..\\x"sv, u".. \\x"sv,
          u"...\\x"sv,   u"\\x"sv,       u"/etc/x"sv,       u"\\\\server\\share\\x"sv,
          u"C:x"sv,      u"C:\\x"sv,     u"name:stream"sv,  u"CON"sv,
          u"con"sv,      u"nul"sv,       u"Nul.txt"sv,      u"aux.log"sv,
          u"PRN"sv,      u"com1"sv,      u"COM9"sv,         u"lpt1"sv,
          u"Lpt9.txt"sv, u"sub\\nul"sv,  u"nul\\x"sv,       u"com1 .txt"sv,
          u"CONOUT$"sv,  u"COM\u00B9"sv, u"a\0b"sv,         u"tab\tx"sv}) {
        EXPECT_FALSE(isSafeExportTitle(title)) << std::string(title.begin(), title.end());
    }
}

TEST(ExportTitle, PathIsFolderSeparatorTitleTxt) {
    std::u16string sep(1, pathSeparator());
    EXPECT_EQ(*exportPath(u"dir", u"Report"), u"dir" + sep + u"Report.txt");
    EXPECT_EQ(*exportPath(u"dir" + sep, u"Report"), u"dir" + sep + u"Report.txt");
    EXPECT_EQ(*exportPath(u"dir", u"a\\b"), u"dir" + sep + u"a\\b.txt");
    EXPECT_FALSE(exportPath(u"dir", u"..\\x"));
}

// Files in memory, with a switch that makes writes fail (a full disk).
class MemoryFileSystem : public FileSystem {
  public:
    std::map<std::u16string, Bytes> files;
    bool failWrites = false;

    bool readFile(const std::u16string& path, Bytes& out) override {
        auto it = files.find(path);
        return it != files.end() && (out = it->second, true);
    }
    std::unique_ptr<WritableFile> createFile(const std::u16string& path) override {
        if (path.find(u'?') != std::u16string::npos) {
            return nullptr;
        }
        files[path].clear();
        return std::make_unique<File>(*this, path);
    }
    bool replaceFile(const std::u16string&, const std::u16string&) override { return false; }
    bool removeFile(const std::u16string& path) override { return files.erase(path) == 1; }

  private:
    struct File : WritableFile {
        File(MemoryFileSystem& fs, std::u16string path) : fs(fs), path(std::move(path)) {}
        bool write(const std::uint8_t* data, std::size_t size) override {
            Bytes& bytes = fs.files[path];
            bytes.insert(bytes.end(), data, data + (fs.failWrites ? size / 2 : size));
            return !fs.failWrites;
        }
        bool flush() override { return true; }
        bool close() override { return true; }
        MemoryFileSystem& fs;
        std::u16string path;
    };
};

RecordRow row(std::u16string title, std::u16string_view content) {
    RecordRow r;
    r.title = std::move(title);
    r.content = content;
    return r;
}

std::u16string sep() {
    return std::u16string(1, pathSeparator());
}

TEST(ExportWriter, WritesTheContentOnly) {
    MemoryFileSystem memory;
    EXPECT_EQ(writeExportFile(memory, u"a.txt", u"abc"), ExportResult::Written);
    EXPECT_EQ(memory.files[u"a.txt"], (Bytes{0x61, 0x62, 0x63}));
    EXPECT_EQ(writeExportFile(memory, u"e.txt", u""), ExportResult::Written);
    EXPECT_TRUE(memory.files.at(u"e.txt").empty());
    EXPECT_EQ(writeExportFile(memory, u"l.txt", u"a\r\nb\n"), ExportResult::Written);
    EXPECT_EQ(memory.files[u"l.txt"], (Bytes{'a', '\r', '\n', 'b', '\n'}));
}

TEST(ExportWriter, FolderModeSkipsUnopenableAndUnsafeTitlesAndStopsOnWriteFailure) {
    MemoryFileSystem memory;
    RecordRow a = row(u"A", u"1"), bad = row(u"what?", u"2"), up = row(u"..\\up", u"3"),
              dev = row(u"nul", u"4"), b = row(u"B", u"5"), a2 = row(u"A", u"6");
    FolderExportReport report = exportToFolder(memory, u"d", {&a, &bad, &up, &dev, &b, &a2});
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(report.skipped, 3);
    EXPECT_FALSE(report.failedPath);
    EXPECT_EQ(memory.files.size(), 2u);
    EXPECT_EQ(memory.files[u"d" + sep() + u"A.txt"], Bytes{'6'}) << "the later row wins";

    memory.failWrites = true;
    RecordRow c = row(u"C", u"long content");
    report = exportToFolder(memory, u"d", {&c, &b});
    EXPECT_EQ(report.failedPath, u"d" + sep() + u"C.txt");
    EXPECT_EQ(memory.files.count(u"d" + sep() + u"C.txt"), 0u) << "no partial file stays";
    EXPECT_EQ(memory.files[u"d" + sep() + u"B.txt"], Bytes{'5'}) << "not reached";
}

class RealFolderExport : public ::testing::Test {
  protected:
    void SetUp() override {
        base = fs::temp_directory_path() /
               ("tnk_export_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base);
        fs::create_directories(base / "out" / "sub");
    }
    void TearDown() override { fs::remove_all(base); }
    std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path base;
};

TEST_F(RealFolderExport, WritesInsideTheFolderOnly) {
    {
        std::ofstream old(base / "out" / "A.txt", std::ios::binary);
        old << "old and longer";
    }
    RecordRow a = row(u"A", u"abc"), b = row(u"B", u"x\r\ny"), sub = row(u"sub\\in", u"s"),
              missing = row(u"nosuch\\in", u"m"), up = row(u"..\\escaped", u"e"),
              up2 = row(u"sub\\..\\..\\escaped2", u"e"), dev = row(u"con", u"d"),
              dev2 = row(u"aux.txt", u"d");
    std::vector<const RecordRow*> rows{&a, &b, &sub, &missing, &up, &up2, &dev, &dev2};
    FolderExportReport report =
        exportToFolder(systemFileSystem(), (base / "out").u16string(), rows);
    EXPECT_FALSE(report.failedPath);
    EXPECT_EQ(read(base / "out" / "A.txt"), "abc") << "overwritten without a question";
    EXPECT_EQ(read(base / "out" / "B.txt"), "x\r\ny");
    EXPECT_FALSE(fs::exists(base / "escaped.txt"));
    EXPECT_FALSE(fs::exists(base / "escaped2.txt"));
    if (pathSeparator() == u'\\') {
        EXPECT_EQ(read(base / "out" / "sub" / "in.txt"), "s");
        EXPECT_EQ(report.written, 3);
    }
    EXPECT_EQ(report.skipped + report.written, 8);
    for (const auto& entry : fs::directory_iterator(base)) {
        EXPECT_EQ(entry.path().filename(), "out") << "nothing beside the chosen folder";
    }
}

}  // namespace
}  // namespace tnk
