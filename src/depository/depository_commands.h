#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "depository/depository.h"

// The checks, texts and table changes of the depository dialog's commands,
// kept apart from the windows so that they can be tested without them.
namespace tnk {

inline constexpr std::u16string_view kDepositoryCaption = u"Tarnwick";
inline constexpr std::u16string_view kReplaceCaption = u"Replace record";

// The field a refused command sends the keyboard focus to.
enum class FocusField { Title, Group };

struct Warning {
    std::u16string text;
    FocusField focus;
};

// The index of the first name equal to `name` ignoring letter case, or -1.
int findIgnoringCase(const std::vector<std::u16string>& names, std::u16string_view name);

// The entry the group box selects for a loaded record: the name itself when
// the list holds it exactly, else the first entry that begins with it
// ignoring letter case; -1 when none does.
int findGroupEntryForRecord(const std::vector<std::u16string>& names, std::u16string_view group);

// Add Group (name = the group box text); the warning that applies, if any.
std::optional<Warning> checkAddGroup(std::u16string_view name,
                                     const std::vector<std::u16string>& groupList);
std::u16string confirmAddGroupText(std::u16string_view name);

std::optional<Warning> checkDelGroup(std::u16string_view name,
                                     const std::vector<std::u16string>& groupList);
std::u16string confirmDelGroupText(std::u16string_view name);

// Add and Change: title, then group, then the group's existence.
std::optional<Warning> checkRecordFields(const RecordFields& fields,
                                         const std::vector<std::u16string>& groupList);
std::u16string confirmChangeText();
std::u16string confirmDeleteText();

// The rows of the record table with the selection handling of a list view:
// rows stay in the order they were added and keep their selection when rows
// before them go.
class RecordTable {
  public:
    std::size_t size() const { return rows_.size(); }
    const RecordRow& row(std::size_t index) const { return rows_[index]; }
    RecordRow& row(std::size_t index) { return rows_[index]; }
    const std::vector<RecordRow>& rows() const { return rows_; }

    void assign(std::vector<RecordRow> rows) { rows_ = std::move(rows); }
    void append(RecordRow row) { rows_.push_back(std::move(row)); }

    // Removes one row; returns the selection (ascending indices) as it
    // stands afterwards.
    std::vector<int> removeAt(std::size_t index, const std::vector<int>& selected);
    // Removes the rows of a deleted group: those whose Group text equals
    // `name` exactly and those showing a record of `group`, so that no row
    // is left pointing at a deleted record.
    std::vector<int> removeGroupRows(std::u16string_view name, const ConfigNode* group,
                                     const std::vector<int>& selected);

  private:
    std::vector<int> removeMarked(const std::vector<bool>& remove,
                                  const std::vector<int>& selected);
    std::vector<RecordRow> rows_;
};

// The text a table cell gives: the column's value cut to the `maxChars` code
// units the asker has room for, not splitting a surrogate pair.
std::u16string_view cellText(const RecordRow& row, int column, std::size_t maxChars);

}  // namespace tnk
