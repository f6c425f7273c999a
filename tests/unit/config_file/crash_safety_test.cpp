#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "config/config_file.h"
#include "config_file_helpers.h"
#include "memory_file_system.h"
#include "platform/platform.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tnk {
namespace {

using testing::kKey;
using testing::MemoryFileSystem;
using testing::sampleMarkup;

const std::u16string kPath = u"tnk.cfg";

// A document for kKey with `records` records of about 1 KB each, so that a
// save takes several write pieces.
std::u16string markupWithRecords(int records, char16_t fill) {
    std::u16string markup = sampleMarkup(kKey);
    std::u16string group = u"\r\n<depository>\r\n\t<group name=\"big\">";
    const std::u16string content(1000, fill);
    for (int i = 0; i < records; ++i) {
        group +=
            u"\r\n\t\t<record addtime=\"2007-05-01 09:05:07\" remark=\"\" source=\"\" "
            u"title=\"r\">" +
            content + u"</record>";
    }
    group += u"\r\n\t</group>\r\n</depository>";
    return markup + group;
}

ConfigDocument& prepared(ConfigDocument& doc, const std::u16string& markup) {
    doc.parse(markup);
    doc.readKey = kKey;
    return doc;
}

TEST(CrashSafety, SaveBrokenAtEachStepLeavesTheOldFileAndNoTemporary) {
    ConfigDocument oldDoc, newDoc;
    prepared(oldDoc, markupWithRecords(10, u'o'));
    prepared(newDoc, markupWithRecords(3000, u'n'));  // about 3 MB: several writes

    MemoryFileSystem reference;
    ASSERT_TRUE(oldDoc.save(kPath, reference));
    const Bytes oldBytes = reference.files[kPath];
    reference.steps = 0;
    ASSERT_TRUE(newDoc.save(kPath, reference));
    const Bytes newBytes = reference.files[kPath];
    const int stepsOfASave = reference.steps;
    ASSERT_GE(stepsOfASave, 6);  // create, writes, flush, close, replace

    for (int failAt = 1; failAt <= stepsOfASave; ++failAt) {
        MemoryFileSystem fs;
        fs.files[kPath] = oldBytes;
        fs.failAt = failAt;
        // A failed creation may be retried under another name; every later
        // failure ends the save.
        const bool saved = newDoc.save(kPath, fs);
        if (failAt > 1) {
            EXPECT_FALSE(saved) << failAt;
        }
        ASSERT_EQ(fs.files.size(), 1u) << "temporary file left at step " << failAt;
        EXPECT_TRUE(fs.files[kPath] == (saved ? newBytes : oldBytes)) << failAt;
    }
    MemoryFileSystem fs;
    fs.files[kPath] = oldBytes;
    fs.failAt = stepsOfASave + 1;
    EXPECT_TRUE(newDoc.save(kPath, fs));
    EXPECT_EQ(fs.files.size(), 1u);
    EXPECT_TRUE(fs.files[kPath] == newBytes);
}

TEST(CrashSafety, FullDiskKeepsTheOldFile) {
    ConfigDocument oldDoc, newDoc;
    prepared(oldDoc, markupWithRecords(10, u'o'));
    prepared(newDoc, markupWithRecords(2000, u'n'));
    MemoryFileSystem fs;
    ASSERT_TRUE(oldDoc.save(kPath, fs));
    const Bytes oldBytes = fs.files[kPath];
    fs.capacity = oldBytes.size() + 1000000;
    EXPECT_FALSE(newDoc.save(kPath, fs));
    EXPECT_EQ(fs.files.size(), 1u);
    EXPECT_TRUE(fs.files[kPath] == oldBytes);
}

TEST(CrashSafety, SaveWithoutPathWritesTheRememberedFile) {
    namespace stdfs = std::filesystem;
    const stdfs::path folder =
        stdfs::temp_directory_path() / ("tnk-remembered-" + std::to_string(currentProcessId()));
    stdfs::create_directories(folder);
    const std::u16string path = (folder / "tnk.cfg").u16string();
    FileSystem& sys = systemFileSystem();
    const Bytes first = encodeConfigText(sampleMarkup(kKey), kKey);
    ASSERT_TRUE(writeFileAtomically(sys, path, first.data(), first.size()));

    ConfigDocument doc;
    ASSERT_TRUE(doc.load(path, kKey, sys));
    doc.findTopLevel(u"option")->setIntAttribute(u"autowrap", 1);
    EXPECT_TRUE(doc.save());

    ConfigDocument back;
    ASSERT_TRUE(back.load(path, kKey, sys));
    EXPECT_EQ(back.findTopLevel(u"option")->intAttribute(u"autowrap", 0), 1);
    EXPECT_EQ(std::distance(stdfs::directory_iterator(folder), stdfs::directory_iterator()), 1);
    stdfs::remove_all(folder);

    ConfigDocument never;
    never.parse(sampleMarkup(kKey));
    EXPECT_FALSE(never.save());  // nothing remembered
}

#ifndef _WIN32
// A real process, killed at random moments while it saves over and over:
// the file must always load as one of the two versions.
TEST(CrashSafety, KilledWhileSavingLeavesOldOrNewFile) {
    namespace stdfs = std::filesystem;
    const stdfs::path folder =
        stdfs::temp_directory_path() / ("tnk-killed-" + std::to_string(currentProcessId()));
    stdfs::remove_all(folder);
    stdfs::create_directories(folder);
    const std::u16string path = (folder / "tnk.cfg").u16string();

    ConfigDocument a, b;
    prepared(a, markupWithRecords(1500, u'a'));
    prepared(b, markupWithRecords(2500, u'b'));
    const std::u16string textA = a.serialize();
    const std::u16string textB = b.serialize();
    FileSystem& sys = systemFileSystem();
    ASSERT_TRUE(a.save(path, sys));

    std::mt19937 random(12345);
    int sawA = 0, sawB = 0;
    for (int round = 0; round < 50; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                (i % 2 ? a : b).save(path, sys);
        }
        usleep(std::uniform_int_distribution<int>(0, 60000)(random));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        ConfigDocument loaded;
        ASSERT_TRUE(loaded.load(path, kKey, sys));
        const std::u16string text = loaded.serialize();
        ASSERT_TRUE(text == textA || text == textB) << "round " << round;
        (text == textA ? sawA : sawB)++;
        // A kill during a write may leave that save's temporary file.
        for (const auto& entry : stdfs::directory_iterator(folder)) {
            if (entry.path().filename() != "tnk.cfg")
                stdfs::remove(entry.path());
        }
    }
    EXPECT_GT(sawA + sawB, 0);
    stdfs::remove_all(folder);
}
#endif

}  // namespace
}  // namespace tnk
