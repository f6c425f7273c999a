#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace tnk {
namespace {

TEST(System, ExecutablePathNamesThisProgram) {
    const std::u16string path = executablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_NE(path.find(u"platform_tests"), std::u16string::npos);
    const std::u16string folder = executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), pathSeparator());
    EXPECT_EQ(path.compare(0, folder.size(), folder), 0);
    EXPECT_EQ(path.find(pathSeparator(), folder.size()), std::u16string::npos);
}

TEST(System, LocalTimeIsAPlausibleDate) {
    const LocalTime t = currentLocalTime();
    EXPECT_GE(t.year, 2020);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_LE(t.hour, 23);
    EXPECT_LE(t.minute, 59);
    EXPECT_LE(t.second, 60);
}

}  // namespace
}  // namespace tnk
