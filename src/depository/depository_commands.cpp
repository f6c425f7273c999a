#include "depository/depository_commands.h"

#include "depository/text_compare.h"

namespace tnk {
namespace {

std::u16string bracketed(std::u16string_view before, std::u16string_view name,
                         std::u16string_view after) {
    std::u16string text(before);
    text += name;
    text += after;
    return text;
}

}  // namespace

int findIgnoringCase(const std::vector<std::u16string>& names, std::u16string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (equalsIgnoringCase(names[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int findGroupEntryForRecord(const std::vector<std::u16string>& names, std::u16string_view group) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == group) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (startsWithIgnoringCase(names[i], group)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<Warning> checkAddGroup(std::u16string_view name,
                                     const std::vector<std::u16string>& groupList) {
    if (name.empty()) {
        return Warning{u"Please enter the group name you want to add.", FocusField::Group};
    }
    if (findIgnoringCase(groupList, name) >= 0) {
        return Warning{bracketed(u"The group [", name, u"] already exist."), FocusField::Group};
    }
    return std::nullopt;
}

std::u16string confirmAddGroupText(std::u16string_view name) {
    return bracketed(u"Are you sure you want to add a new group [", name, u"]?");
}

std::optional<Warning> checkDelGroup(std::u16string_view name,
                                     const std::vector<std::u16string>& groupList) {
    if (name.empty() || findIgnoringCase(groupList, name) < 0) {
        return Warning{u"Please select the group you want to delete.", FocusField::Group};
    }
    return std::nullopt;
}

std::u16string confirmDelGroupText(std::u16string_view name) {
    return bracketed(u"Are you sure you want to delete the group [", name,
                     u"]?,This will also delete all the record in the depository belong to "
                     u"this group.");
}

std::optional<Warning> checkRecordFields(const RecordFields& fields,
                                         const std::vector<std::u16string>& groupList) {
    if (fields.title.empty()) {
        return Warning{u"Please enter the record title.", FocusField::Title};
    }
    if (fields.group.empty()) {
        return Warning{u"Please select the group.", FocusField::Group};
    }
    if (findIgnoringCase(groupList, fields.group) < 0) {
        return Warning{bracketed(u"Group [", fields.group,
                                 u"] does not exist,please\r\nfirst add it or select another one."),
                       FocusField::Group};
    }
    return std::nullopt;
}

std::u16string confirmChangeText() {
    return u"Would you really want to replace the selected record with the current record?";
}

std::u16string confirmDeleteText() {
    return u"Would you really want to delete the selected record?";
}

std::vector<int> RecordTable::removeAt(std::size_t index, const std::vector<int>& selected) {
    std::vector<bool> remove(rows_.size(), false);
    if (index < rows_.size()) {
        remove[index] = true;
    }
    return removeMarked(remove, selected);
}

std::vector<int> RecordTable::removeGroupRows(std::u16string_view name, const ConfigNode* group,
                                              const std::vector<int>& selected) {
    std::vector<bool> remove(rows_.size(), false);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const RecordRow& row = rows_[i];
        remove[i] = row.group == name || (group && row.record && row.record->parent == group);
    }
    return removeMarked(remove, selected);
}

std::vector<int> RecordTable::removeMarked(const std::vector<bool>& remove,
                                           const std::vector<int>& selected) {
    // newIndex[i]: where row i lands, or -1 when it goes.
    std::vector<int> newIndex(rows_.size(), -1);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!remove[i]) {
            newIndex[i] = static_cast<int>(kept);
            if (kept != i) {
                rows_[kept] = std::move(rows_[i]);
            }
            ++kept;
        }
    }
    rows_.resize(kept);
    std::vector<int> stillSelected;
    for (int index : selected) {
        if (index >= 0 && static_cast<std::size_t>(index) < newIndex.size() &&
            newIndex[index] >= 0) {
            stillSelected.push_back(newIndex[index]);
        }
    }
    return stillSelected;
}

std::u16string_view cellText(const RecordRow& row, int column, std::size_t maxChars) {
    std::u16string_view text;
    switch (column) {
        case 0:
            text = row.title;
            break;
        case 1:
            text = row.group;
            break;
        case 2:
            text = row.source;
            break;
        case 3:
            text = row.content;
            break;
        case 4:
            text = row.remark;
            break;
        case 5:
            text = row.time;
            break;
        default:
            return {};
    }
    if (text.size() > maxChars) {
        std::size_t cut = maxChars;
        if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) {
            --cut;
        }
        text = text.substr(0, cut);
    }
    return text;
}

}  // namespace tnk
