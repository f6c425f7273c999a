#include "depository/record_search.h"

#include <gtest/gtest.h>

namespace tnk {
namespace {

class SearchTest : public ::testing::Test {
  protected:
    SearchTest() {
        doc.parse(
            u"<depository>"
            u"<group name=\"News\">"
            u"<record title=\"Storm warning\" source=\"http://w/\" remark=\"\" addtime=\"t1\">"
            u"high winds</record>"
            u"<record title=\"budget\" source=\"http://b/Storm\" remark=\"later\" addtime=\"t2\">"
            u"tax news</record>"
            u"</group>"
            u"<group name=\"Empty\"/>"
            u"<group name=\"news\">"
            u"<record title=\"no content\" source=\"\" remark=\"winds\" addtime=\"t3\"/>"
            u"</group>"
            u"</depository>");
    }
    std::vector<std::u16string> find(std::u16string group, std::u16string field,
                                     std::u16string keyword) {
        std::vector<std::u16string> titles;
        for (const RecordRow& row : findRecords(depository, {group, field, keyword})) {
            titles.push_back(row.title);
        }
        return titles;
    }
    ConfigDocument doc;
    Depository depository{doc};
};

using Titles = std::vector<std::u16string>;

TEST_F(SearchTest, EmptyCriteriaListEveryRecordInFileOrder) {
    std::vector<RecordRow> rows = findRecords(depository, {});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].group, u"News");
    EXPECT_EQ(rows[1].content, u"tax news");
    EXPECT_EQ(rows[2].group, u"news");
    EXPECT_EQ(rows[2].content, u"");
    EXPECT_EQ(rows[2].time, u"t3");
    EXPECT_NE(rows[2].record, nullptr);
}

TEST_F(SearchTest, GroupFilterIsExactAndEmptyKeywordTakesAll) {
    EXPECT_EQ(find(u"News", u"", u""), (Titles{u"Storm warning", u"budget"}));
    EXPECT_EQ(find(u"news", u"content", u""), (Titles{u"no content"}));
    EXPECT_TRUE(find(u"Empty", u"", u"").empty());
}

TEST_F(SearchTest, KeywordIsCaseSensitiveSubstring) {
    EXPECT_EQ(find(u"", u"", u"Storm"), (Titles{u"Storm warning", u"budget"}));
    EXPECT_TRUE(find(u"", u"", u"STORM").empty());
    EXPECT_EQ(find(u"", u"", u"winds"), (Titles{u"Storm warning", u"no content"}));
}

TEST_F(SearchTest, FieldLimitsWhereTheKeywordMayOccur) {
    EXPECT_EQ(find(u"", u"title", u"Storm"), (Titles{u"Storm warning"}));
    EXPECT_EQ(find(u"", u"source", u"Storm"), (Titles{u"budget"}));
    EXPECT_TRUE(find(u"", u"content", u"warning").empty()) << "only in a title";
    EXPECT_EQ(find(u"", u"content", u"winds"), (Titles{u"Storm warning"}));
    EXPECT_EQ(find(u"", u"remark", u"winds"), (Titles{u"no content"}));
    EXPECT_EQ(find(u"", u"remark", u"later"), (Titles{u"budget"}));
}

}  // namespace
}  // namespace tnk
