#include "depository/record_search.h"

namespace tnk {
namespace {

bool holds(const std::u16string* value, std::u16string_view keyword) {
    return value && !value->empty() && value->find(keyword) != std::u16string::npos;
}

}  // namespace

bool recordMatches(const FindCriteria& criteria, const ConfigNode& record) {
    std::u16string_view keyword = criteria.keyword;
    if (keyword.empty()) {
        return true;
    }
    const std::u16string_view field = criteria.field;
    if (field.empty()) {
        return holds(record.attribute(u"title"), keyword) ||
               holds(record.attribute(u"source"), keyword) || holds(record.text(), keyword) ||
               holds(record.attribute(u"remark"), keyword);
    }
    if (field == u"title" || field == u"source") {
        return holds(record.attribute(field), keyword);
    }
    if (field == u"content") {
        return holds(record.text(), keyword);
    }
    return holds(record.attribute(u"remark"), keyword);
}

std::vector<RecordRow> findRecords(const Depository& depository, const FindCriteria& criteria) {
    std::vector<RecordRow> rows;
    const std::u16string* groupName = nullptr;
    const ConfigNode* lastGroup = nullptr;
    static const std::u16string kNone;
    depository.forEachRecord(criteria.group, [&](ConfigNode& group, ConfigNode& record) {
        if (&group != lastGroup) {
            lastGroup = &group;
            groupName = group.attribute(u"name");
        }
        if (recordMatches(criteria, record)) {
            rows.push_back(makeRow(groupName ? *groupName : kNone, record));
        }
    });
    return rows;
}

}  // namespace tnk
