#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"

namespace tnk {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class SystemFileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tnk-fs-" + std::to_string(currentProcessId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::u16string path(const std::string& name) const { return (folder_ / name).u16string(); }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& entry : fs::directory_iterator(folder_))
            result.push_back(entry.path().filename().string());
        return result;
    }

    void put(const std::string& name, const std::string& content) const {
        std::ofstream(folder_ / name, std::ios::binary) << content;
    }

    FileSystem& sys = systemFileSystem();
    fs::path folder_;
};

Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST_F(SystemFileSystem, ReadsWholeFilesAndMissingOnesFail) {
    std::string content(300000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    put("data.bin", content);
    Bytes out;
    ASSERT_TRUE(sys.readFile(path("data.bin"), out));
    EXPECT_EQ(out, bytesOf(content));

    put("empty", "");
    ASSERT_TRUE(sys.readFile(path("empty"), out));
    EXPECT_TRUE(out.empty());

    EXPECT_FALSE(sys.readFile(path("missing"), out));
}

TEST_F(SystemFileSystem, ReadsInPiecesOfTheAskedSize) {
    const std::string content(2500, 'q');
    put("data.bin", content);
    std::vector<std::size_t> sizes;
    std::string joined;
    ASSERT_TRUE(sys.readPieces(path("data.bin"), 1024, [&](const std::uint8_t* p, std::size_t n) {
        sizes.push_back(n);
        joined.append(reinterpret_cast<const char*>(p), n);
    }));
    EXPECT_EQ(joined, content);
    for (std::size_t n : sizes)
        EXPECT_LE(n, 1024u);
    EXPECT_FALSE(sys.readPieces(path("missing"), 1024, [](const std::uint8_t*, std::size_t) {}));
}

TEST_F(SystemFileSystem, CreateNewFileNeverTouchesAnExistingFile) {
    put("taken", "user data");
    EXPECT_EQ(sys.createNewFile(path("taken")), nullptr);
    Bytes out;
    ASSERT_TRUE(sys.readFile(path("taken"), out));
    EXPECT_EQ(out, bytesOf("user data"));
}

TEST_F(SystemFileSystem, AtomicWriteCreatesAndReplacesLeavingNoTemporaryFile) {
    const std::string first = "first version";
    ASSERT_TRUE(writeFileAtomically(
        sys, path("tnk.cfg"), reinterpret_cast<const std::uint8_t*>(first.data()), first.size()));
    const std::string second(3u << 20, 'x');  // several write pieces
    ASSERT_TRUE(writeFileAtomically(
        sys, path("tnk.cfg"), reinterpret_cast<const std::uint8_t*>(second.data()), second.size()));
    Bytes out;
    ASSERT_TRUE(sys.readFile(path("tnk.cfg"), out));
    EXPECT_EQ(out, bytesOf(second));
    EXPECT_EQ(names(), std::vector<std::string>{"tnk.cfg"});
}

TEST_F(SystemFileSystem, AtomicWriteIntoAMissingFolderFails) {
    const std::string data = "x";
    EXPECT_FALSE(writeFileAtomically(sys, path("no-such-folder/tnk.cfg"),
                                     reinterpret_cast<const std::uint8_t*>(data.data()),
                                     data.size()));
    EXPECT_TRUE(names().empty());
}

TEST_F(SystemFileSystem, ReplaceAndRemove) {
    put("a", "A");
    put("b", "B");
    ASSERT_TRUE(sys.replaceFile(path("a"), path("b")));
    EXPECT_EQ(names(), std::vector<std::string>{"b"});
    Bytes out;
    ASSERT_TRUE(sys.readFile(path("b"), out));
    EXPECT_EQ(out, bytesOf("A"));
    EXPECT_TRUE(sys.removeFile(path("b")));
    EXPECT_FALSE(sys.removeFile(path("b")));
    EXPECT_TRUE(names().empty());
}

TEST_F(SystemFileSystem, NonAsciiPaths) {
    const std::u16string name = (folder_ / u"\u6587\u672c\u00e9.cfg").u16string();
    const std::string data = "text";
    ASSERT_TRUE(writeFileAtomically(sys, name, reinterpret_cast<const std::uint8_t*>(data.data()),
                                    data.size()));
    Bytes out;
    ASSERT_TRUE(sys.readFile(name, out));
    EXPECT_EQ(out, bytesOf(data));
}

}  // namespace
}  // namespace tnk
