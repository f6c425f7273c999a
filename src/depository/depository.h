#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_document.h"
#include "platform/platform.h"

namespace tnk {

// What the user typed in the Current Record area of the depository dialog.
struct RecordFields {
    std::u16string title;
    std::u16string group;
    std::u16string source;
    std::u16string content;
    std::u16string remark;
};

// One row of the record table, in column order, and the record it shows.
// The reference stays valid until that record is replaced or removed, or its
// group is removed.
struct RecordRow {
    std::u16string title;
    std::u16string group;
    std::u16string source;
    // The record's whole text, not a copy: a collection of years holds tens
    // of megabytes of content, and the table is refilled on every search. It
    // lives as long as the record, which outlives its row.
    std::u16string_view content;
    std::u16string remark;
    std::u16string time;
    ConfigNode* record = nullptr;
};

// "%Y-%m-%d %H:%M:%S", zero-padded, four-digit year.
std::u16string formatAddTime(const LocalTime& time);

// A row as the table shows a stored record of `groupName`.
RecordRow makeRow(std::u16string_view groupName, ConfigNode& record);

// The groups and records of the "depository" element of a ConfigDocument.
// Shows nothing and asks nothing: the dialog's commands build on it.
class Depository {
  public:
    using Saver = std::function<bool()>;
    using Clock = std::function<LocalTime()>;
    using Visitor = std::function<void(ConfigNode& group, ConfigNode& record)>;

    // Saves with ConfigDocument::save to the remembered path and takes the
    // time from the system clock.
    explicit Depository(ConfigDocument& doc);
    // Tests count saves and fix the clock.
    Depository(ConfigDocument& doc, Saver saver, Clock clock);

    // The first group whose name equals `name` exactly, or null.
    ConfigNode* findGroup(std::u16string_view name) const;
    // Appends a new group; creates "depository" at the end of the document
    // when it is missing, so that a new installation can start filing.
    ConfigNode* addGroup(std::u16string_view name);
    // Removes the group with its records.
    void removeGroup(ConfigNode* group);

    // A detached record with a fresh "addtime" and a text child (even when
    // the content is empty).
    std::unique_ptr<ConfigNode> newRecord(const RecordFields& fields) const;
    ConfigNode* addRecord(ConfigNode* group, const RecordFields& fields);
    // The new record goes last into `group` (possibly another group), then
    // the old one is removed.
    ConfigNode* replaceRecord(ConfigNode* oldRecord, ConfigNode* group, const RecordFields& fields);
    void removeRecord(ConfigNode* record);

    // Groups in document order, taking part when `groupFilter` is empty or
    // equals their name exactly; their records in document order.
    void forEachRecord(std::u16string_view groupFilter, const Visitor& visit) const;
    // Every group name in document order.
    std::vector<std::u16string> groupNames() const;

    // Writes the document; the result is for callers who care (the dialog
    // does not: the change stays in memory for the next save).
    bool save();

    ConfigDocument& document() const { return doc_; }

  private:
    ConfigNode* firstGroup() const;
    ConfigDocument& doc_;
    Saver saver_;
    Clock clock_;
};

}  // namespace tnk
