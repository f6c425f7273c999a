#include "depository/depository.h"

#include <cstdio>

namespace tnk {
namespace {

const std::u16string kName = u"name";

std::u16string valueOf(const ConfigNode& node, std::u16string_view attribute) {
    const std::u16string* value = node.attribute(attribute);
    return value ? *value : std::u16string();
}

}  // namespace

std::u16string formatAddTime(const LocalTime& t) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                          t.day, t.hour, t.minute, t.second);
    if (n < 0) {
        return {};
    }
    return std::u16string(buffer, buffer + n);
}

RecordRow makeRow(std::u16string_view groupName, ConfigNode& record) {
    RecordRow row;
    row.title = valueOf(record, u"title");
    row.group = std::u16string(groupName);
    row.source = valueOf(record, u"source");
    if (const std::u16string* text = record.text()) {
        row.content = *text;
    }
    row.remark = valueOf(record, u"remark");
    row.time = valueOf(record, u"addtime");
    row.record = &record;
    return row;
}

Depository::Depository(ConfigDocument& doc)
    : Depository(
          doc, [&doc] { return doc.save(); }, &currentLocalTime) {}

Depository::Depository(ConfigDocument& doc, Saver saver, Clock clock)
    : doc_(doc), saver_(std::move(saver)), clock_(std::move(clock)) {}

ConfigNode* Depository::firstGroup() const {
    return doc_.select(u"depository@group");
}

ConfigNode* Depository::findGroup(std::u16string_view name) const {
    for (ConfigNode* group = firstGroup(); group; group = group->select(u"#group")) {
        const std::u16string* groupName = group->attribute(kName);
        if (groupName && *groupName == name) {
            return group;
        }
    }
    return nullptr;
}

ConfigNode* Depository::addGroup(std::u16string_view name) {
    ConfigNode* depository = doc_.select(u"depository");
    if (!depository) {
        depository =
            doc_.appendTopLevel(std::make_unique<ConfigNode>(u"depository", NodeKind::Element));
    }
    auto group = std::make_unique<ConfigNode>(u"group", NodeKind::Element);
    group->setAttribute(kName, name);
    return depository->appendChild(std::move(group));
}

void Depository::removeGroup(ConfigNode* group) {
    if (group && group->parent) {
        group->parent->removeChild(group);
    }
}

std::unique_ptr<ConfigNode> Depository::newRecord(const RecordFields& fields) const {
    auto record = std::make_unique<ConfigNode>(u"record", NodeKind::Element);
    record->setAttribute(u"title", fields.title);
    record->setAttribute(u"source", fields.source);
    record->setAttribute(u"remark", fields.remark);
    record->setAttribute(u"addtime", formatAddTime(clock_()));
    record->setText(fields.content);
    return record;
}

ConfigNode* Depository::addRecord(ConfigNode* group, const RecordFields& fields) {
    if (!group) {
        return nullptr;
    }
    return group->appendChild(newRecord(fields));
}

ConfigNode* Depository::replaceRecord(ConfigNode* oldRecord, ConfigNode* group,
                                      const RecordFields& fields) {
    ConfigNode* record = addRecord(group, fields);
    if (record) {
        removeRecord(oldRecord);
    }
    return record;
}

void Depository::removeRecord(ConfigNode* record) {
    if (record && record->parent) {
        record->parent->removeChild(record);
    }
}

void Depository::forEachRecord(std::u16string_view groupFilter, const Visitor& visit) const {
    for (ConfigNode* group = firstGroup(); group; group = group->select(u"#group")) {
        if (!groupFilter.empty()) {
            const std::u16string* name = group->attribute(kName);
            if (!name || *name != groupFilter) {
                continue;
            }
        }
        for (ConfigNode* record = group->select(u"@record"); record;
             record = record->select(u"#record")) {
            visit(*group, *record);
        }
    }
}

std::vector<std::u16string> Depository::groupNames() const {
    std::vector<std::u16string> names;
    for (ConfigNode* group = firstGroup(); group; group = group->select(u"#group")) {
        names.push_back(valueOf(*group, kName));
    }
    return names;
}

bool Depository::save() {
    return saver_ ? saver_() : false;
}

}  // namespace tnk
