#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tnkcfg.h"

namespace tnk::testing {

namespace stdfs = std::filesystem;

// A fresh folder per test with two stand-in "programs" whose keys differ.
class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = stdfs::temp_directory_path() /
                 ("tnk-tool-" + std::to_string(currentProcessId()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        stdfs::remove_all(folder);
        stdfs::create_directories(folder);
        put("old.exe", "the old build");
        put("new.exe", "the new build");
    }
    void TearDown() override {
        std::error_code ec;
        stdfs::remove_all(folder, ec);
    }

    std::u16string at(const std::string& name) const { return (folder / name).u16string(); }

    void put(const std::string& name, const std::string& content) const {
        std::ofstream(folder / name, std::ios::binary) << content;
    }

    std::string get(const std::string& name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    int run(std::vector<std::u16string> args) {
        out.clear();
        err.clear();
        return runTnkcfg(args, systemFileSystem(), out, err);
    }

    stdfs::path folder;
    std::string out;
    std::string err;
};

// A path from the build, usable by the test program: under Wine a POSIX
// path is reached through drive Z:.
inline std::u16string buildPath(const char* path) {
    std::u16string p = utf8ToUtf16(path);
#ifdef _WIN32
    if (!p.empty() && p[0] == u'/')
        p = u"Z:" + p;
#endif
    return p;
}

}  // namespace tnk::testing
