#include "depository/depository_commands.h"

#include <gtest/gtest.h>

#include "depository/text_compare.h"

namespace tnk {
namespace {

using Names = std::vector<std::u16string>;

TEST(IgnoringCase, FollowsTheOrdinalRule) {
    EXPECT_TRUE(equalsIgnoringCase(u"News", u"nEWS"));
    EXPECT_TRUE(equalsIgnoringCase(u"", u""));
    EXPECT_FALSE(equalsIgnoringCase(u"News", u"News "));
    EXPECT_TRUE(equalsIgnoringCase(u"\u00C9t\u00E9", u"\u00E9T\u00C9"));           // Été
    EXPECT_TRUE(equalsIgnoringCase(u"\u041D\u043E\u0432\u043E\u0441\u0442\u0438",  // Новости
                                   u"\u043D\u041E\u0412\u041E\u0421\u0422\u0418"));
    EXPECT_TRUE(equalsIgnoringCase(u"\u0141\u00F3d\u017A", u"\u0142\u00D3D\u0179"));  // Łódź
    EXPECT_FALSE(equalsIgnoringCase(u"stra\u00DFe", u"STRASSE")) << "no linguistic folding";
    EXPECT_FALSE(equalsIgnoringCase(u"a", u"b"));
    EXPECT_TRUE(startsWithIgnoringCase(u"News archive", u"NEWS"));
    EXPECT_FALSE(startsWithIgnoringCase(u"New", u"News"));
}

TEST(CommandChecks, AddGroup) {
    Names list{u"News", u"Work"};
    EXPECT_EQ(checkAddGroup(u"", list)->text, u"Please enter the group name you want to add.");
    auto exists = checkAddGroup(u"news", list);
    ASSERT_TRUE(exists);
    EXPECT_EQ(exists->text, u"The group [news] already exist.");
    EXPECT_EQ(exists->focus, FocusField::Group);
    EXPECT_FALSE(checkAddGroup(u"   ", list)) << "blanks are a name like any other";
    EXPECT_EQ(confirmAddGroupText(u"X"), u"Are you sure you want to add a new group [X]?");
}

TEST(CommandChecks, DelGroup) {
    Names list{u"News"};
    const std::u16string refused = u"Please select the group you want to delete.";
    EXPECT_EQ(checkDelGroup(u"", list)->text, refused);
    EXPECT_EQ(checkDelGroup(u"Sport", list)->text, refused);
    EXPECT_FALSE(checkDelGroup(u"NEWS", list));
    EXPECT_EQ(confirmDelGroupText(u"N"),
              u"Are you sure you want to delete the group [N]?,This will also delete all the "
              u"record in the depository belong to this group.");
}

TEST(CommandChecks, RecordFieldsInOrderTitleGroupExistence) {
    Names list{u"News"};
    RecordFields fields;
    auto warning = checkRecordFields(fields, list);
    EXPECT_EQ(warning->text, u"Please enter the record title.") << "title is tested first";
    EXPECT_EQ(warning->focus, FocusField::Title);
    fields.title = u"T";
    EXPECT_EQ(checkRecordFields(fields, list)->text, u"Please select the group.");
    fields.group = u"Sport";
    EXPECT_EQ(checkRecordFields(fields, list)->text,
              u"Group [Sport] does not exist,please\r\nfirst add it or select another one.");
    EXPECT_EQ(checkRecordFields(fields, list)->focus, FocusField::Group);
    fields.group = u"news";
    EXPECT_FALSE(checkRecordFields(fields, list));
}

TEST(GroupBox, LoadedRecordSelectsItsOwnGroup) {
    Names list{u"News", u"News archive", u"news"};
    EXPECT_EQ(findGroupEntryForRecord(list, u"News"), 0);
    EXPECT_EQ(findGroupEntryForRecord(list, u"News archive"), 1);
    EXPECT_EQ(findGroupEntryForRecord(list, u"news"), 2) << "an exact entry wins";
    EXPECT_EQ(findGroupEntryForRecord(Names{u"Newsletter"}, u"news"), 0);
    EXPECT_EQ(findGroupEntryForRecord(list, u"Sport"), -1);
}

RecordRow row(std::u16string title, std::u16string group, ConfigNode* record = nullptr) {
    RecordRow r;
    r.title = std::move(title);
    r.group = std::move(group);
    r.record = record;
    return r;
}

std::vector<std::u16string> tableTitles(const RecordTable& table) {
    std::vector<std::u16string> result;
    for (const RecordRow& r : table.rows()) {
        result.push_back(r.title);
    }
    return result;
}

TEST(RecordTable, RemovingARowShiftsTheSelectionAfterIt) {
    RecordTable table;
    table.assign({row(u"a", u"G"), row(u"b", u"G"), row(u"c", u"G"), row(u"d", u"G")});
    std::vector<int> selected = table.removeAt(1, {1, 2, 3});
    EXPECT_EQ(tableTitles(table), (std::vector<std::u16string>{u"a", u"c", u"d"}));
    EXPECT_EQ(selected, (std::vector<int>{1, 2}));
}

TEST(RecordTable, RemovingAGroupTakesItsRowsAndRowsOfItsRecords) {
    ConfigNode group(u"group", NodeKind::Element);
    ConfigNode* record =
        group.appendChild(std::make_unique<ConfigNode>(u"record", NodeKind::Element));
    RecordTable table;
    table.assign({row(u"1", u"News"), row(u"2", u"Work"), row(u"3", u"news"),
                  row(u"4", u"NEWS-typed", record), row(u"5", u"News")});
    std::vector<int> selected = table.removeGroupRows(u"News", &group, {0, 1, 2, 4});
    EXPECT_EQ(tableTitles(table), (std::vector<std::u16string>{u"2", u"3"}));
    EXPECT_EQ(selected, (std::vector<int>{0, 1}));
}

TEST(RecordTable, CellsShowTheStartOfLongTextOnly) {
    RecordRow r = row(u"t", u"g");
    const std::u16string longContent(100000, u'x');
    r.content = longContent;
    r.time = u"2007-05-01 09:05:07";
    EXPECT_EQ(cellText(r, 3, 259).size(), 259u);
    EXPECT_EQ(cellText(r, 5, 259), u"2007-05-01 09:05:07");
    r.content = u"ab\U0001F600";
    EXPECT_EQ(cellText(r, 3, 3), u"ab") << "a surrogate pair is never split";
    EXPECT_EQ(cellText(r, 9, 259), u"");
}

}  // namespace
}  // namespace tnk
