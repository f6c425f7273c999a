#include "depository/depository.h"

#include <gtest/gtest.h>

namespace tnk {
namespace {

class DepositoryTest : public ::testing::Test {
  protected:
    void load(std::u16string_view markup) { doc.parse(markup); }
    Depository depository{doc, [this] { return ++saves, true; }, [this] { return now; }};
    ConfigDocument doc;
    int saves = 0;
    LocalTime now{2007, 5, 1, 9, 5, 7};
};

RecordFields fields(std::u16string title, std::u16string content = u"body") {
    return {std::move(title), u"", u"http://a/", std::move(content), u"note"};
}

std::vector<std::u16string> titles(const Depository& depository, std::u16string_view filter = {}) {
    std::vector<std::u16string> result;
    depository.forEachRecord(filter, [&](ConfigNode&, ConfigNode& record) {
        result.push_back(*record.attribute(u"title"));
    });
    return result;
}

TEST(AddTime, IsZeroPaddedWithFourDigitYear) {
    EXPECT_EQ(formatAddTime({2007, 5, 1, 9, 5, 7}), u"2007-05-01 09:05:07");
    EXPECT_EQ(formatAddTime({2026, 12, 31, 23, 59, 0}), u"2026-12-31 23:59:00");
}

TEST_F(DepositoryTest, GroupsAreFoundExactlyAndAppendedLast) {
    load(u"<depository><group name=\"News\"/><group name=\"news\"/></depository>");
    EXPECT_EQ(*depository.findGroup(u"news")->attribute(u"name"), u"news");
    EXPECT_EQ(depository.findGroup(u"NEWS"), nullptr);
    depository.addGroup(u"  ");
    EXPECT_EQ(depository.groupNames(), (std::vector<std::u16string>{u"News", u"news", u"  "}));
    EXPECT_EQ(saves, 0) << "the layer never saves on its own";
}

TEST_F(DepositoryTest, AddGroupCreatesMissingDepository) {
    load(u"<option filter=\"1\"/>");
    EXPECT_EQ(depository.findGroup(u"A"), nullptr);
    ConfigNode* group = depository.addGroup(u"A");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(depository.findGroup(u"A"), group);
    EXPECT_EQ(doc.findTopLevel(u"option")->nextSibling.get(), group->parent);
    // And on a document with nothing at all.
    doc.clear();
    ASSERT_NE(depository.addGroup(u"B"), nullptr);
    EXPECT_EQ(depository.groupNames(), std::vector<std::u16string>{u"B"});
}

TEST_F(DepositoryTest, NewRecordCarriesFieldsTimeAndAlwaysAText) {
    std::unique_ptr<ConfigNode> record = depository.newRecord(fields(u"T", u""));
    EXPECT_EQ(*record->attribute(u"title"), u"T");
    EXPECT_EQ(*record->attribute(u"source"), u"http://a/");
    EXPECT_EQ(*record->attribute(u"remark"), u"note");
    EXPECT_EQ(*record->attribute(u"addtime"), u"2007-05-01 09:05:07");
    ASSERT_NE(record->text(), nullptr);
    EXPECT_EQ(*record->text(), u"");
    EXPECT_EQ(record->parent, nullptr);
}

TEST_F(DepositoryTest, ReplaceMovesToEndOfTargetWithNewTime) {
    load(
        u"<depository><group name=\"A\"><record title=\"a1\">x</record>"
        u"<record title=\"a2\">y</record></group><group name=\"B\">"
        u"<record title=\"b1\">z</record></group></depository>");
    ConfigNode* a1 = depository.findGroup(u"A")->select(u"@record");
    now.hour = 23;
    ConfigNode* moved = depository.replaceRecord(a1, depository.findGroup(u"B"), fields(u"a1*"));
    EXPECT_EQ(titles(depository), (std::vector<std::u16string>{u"a2", u"b1", u"a1*"}));
    EXPECT_EQ(*moved->attribute(u"addtime"), u"2007-05-01 23:05:07");
    // Replacing within the same group also goes to its end.
    ConfigNode* b1 = depository.findGroup(u"B")->select(u"@record");
    depository.replaceRecord(b1, depository.findGroup(u"B"), fields(u"b1*"));
    EXPECT_EQ(titles(depository, u"B"), (std::vector<std::u16string>{u"a1*", u"b1*"}));
}

TEST_F(DepositoryTest, RemoveRecordAndGroup) {
    load(
        u"<depository><group name=\"A\"><record title=\"1\"/><record title=\"2\"/></group>"
        u"<group name=\"B\"><record title=\"3\"/></group></depository>");
    depository.removeRecord(depository.findGroup(u"A")->select(u"@record"));
    EXPECT_EQ(titles(depository), (std::vector<std::u16string>{u"2", u"3"}));
    depository.removeGroup(depository.findGroup(u"A"));
    EXPECT_EQ(titles(depository), std::vector<std::u16string>{u"3"});
    EXPECT_EQ(depository.groupNames(), std::vector<std::u16string>{u"B"});
}

TEST_F(DepositoryTest, ForEachRecordFiltersExactlyAndSkipsOtherNodes) {
    load(
        u"<depository>text<group name=\"A\"><record title=\"1\"/><note/><record title=\"2\"/>"
        u"</group><other/><group name=\"a\"><record title=\"3\"/></group>"
        u"<group name=\"Empty\"/></depository>");
    EXPECT_EQ(titles(depository), (std::vector<std::u16string>{u"1", u"2", u"3"}));
    EXPECT_EQ(titles(depository, u"a"), std::vector<std::u16string>{u"3"});
    EXPECT_TRUE(titles(depository, u"Empty").empty());
    EXPECT_TRUE(titles(depository, u"Missing").empty());
}

TEST_F(DepositoryTest, RecordsSurviveTheMarkupForm) {
    load(u"<depository><group name=\"G\"/></depository>");
    ConfigNode* group = depository.findGroup(u"G");
    depository.addRecord(group, fields(u"<a & \"b\">", u"line1\r\nline2"));
    depository.addRecord(group, fields(u"empty", u""));
    ConfigDocument copy;
    copy.parse(doc.serialize());
    Depository reread(copy);
    std::vector<RecordRow> rows;
    reread.forEachRecord({}, [&](ConfigNode& g, ConfigNode& r) {
        rows.push_back(makeRow(*g.attribute(u"name"), r));
    });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].title, u"<a & \"b\">");
    EXPECT_EQ(rows[0].content, u"line1\r\nline2");
    EXPECT_EQ(rows[0].group, u"G");
    EXPECT_EQ(rows[0].time, u"2007-05-01 09:05:07");
    EXPECT_EQ(rows[1].content, u"") << "a record without a text child shows an empty cell";
}

}  // namespace
}  // namespace tnk
