#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "depository/depository.h"

namespace tnk {

// What the Find dialog hands back; empty strings mean "All groups", "All
// fields" and "every record".
struct FindCriteria {
    std::u16string group;
    std::u16string field;  // "title", "source", "content", "remark" or empty
    std::u16string keyword;
};

// The match rule: the keyword occurs in the chosen field (any field in the
// order title, source, content, remark when none is chosen), letter case
// significant. An empty keyword matches every record; an empty value, or a
// record without content, holds no keyword.
bool recordMatches(const FindCriteria& criteria, const ConfigNode& record);

// The rows of every matching record, groups and records in document order.
// With default criteria these are the rows the dialog opens with.
std::vector<RecordRow> findRecords(const Depository& depository, const FindCriteria& criteria);

}  // namespace tnk
