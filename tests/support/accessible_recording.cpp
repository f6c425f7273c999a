#include "accessible_recording.h"

namespace tnk::testacc {

namespace {

std::optional<std::u16string> optionalField(const testrec::Record& record, const char* name) {
    const std::u16string* value = record.get(name);
    return value ? std::optional<std::u16string>(*value) : std::nullopt;
}

std::optional<std::uint32_t> stateOf(const std::u16string& text) {
    if (text.size() < 3 || text.size() > 10 || text[0] != u'0' || text[1] != u'x') {
        return std::nullopt;
    }
    std::uint32_t state = 0;
    for (char16_t c : text.substr(2)) {
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                   : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        state = state * 16 + static_cast<std::uint32_t>(digit);
    }
    return state;
}

bool fail(std::string* error, std::size_t index, const char* why) {
    if (error) {
        *error = "object " + std::to_string(index) + ": " + why;
    }
    return false;
}

}  // namespace

std::optional<std::u16string> RecordedTree::innerText(const Node* node) const {
    auto it = innerTexts.find(node);
    return it == innerTexts.end() ? std::nullopt : std::optional<std::u16string>(it->second);
}

std::optional<std::u16string> RecordedTree::background(const Node* node) const {
    auto it = backgrounds.find(node);
    return it == backgrounds.end() ? std::nullopt : std::optional<std::u16string>(it->second);
}

std::unique_ptr<RecordedTree> loadRecordedTree(const testrec::Recording& recording,
                                               const RecordedTreeOptions& options,
                                               std::string* error) {
    if (recording.type != "acc" || recording.nodes.empty()) {
        fail(error, 0, "not an accessible recording");
        return nullptr;
    }
    auto loaded = std::make_unique<RecordedTree>();
    // The open objects, one per depth.
    std::vector<Node*> open;
    for (std::size_t i = 0; i < recording.nodes.size(); ++i) {
        const testrec::Record& record = recording.nodes[i];
        const auto role = testrec::numbersOf(record.text("role"));
        const auto box = testrec::numbersOf(record.text("box"));
        const auto state = stateOf(record.text("state"));
        if (record.kind != "o" || !role || role->size() != 1 || !box || box->size() != 4 ||
            !state || (i > 0 && record.depth == 0)) {
            fail(error, i, "bad object");
            return nullptr;
        }
        Facts facts;
        facts.role = roleNumber((*role)[0]);
        facts.name = optionalField(record, "name");
        facts.value = optionalField(record, "value");
        facts.state = *state;
        const std::int32_t left = options.origin.x + (*box)[0];
        const std::int32_t top = options.origin.y + (*box)[1];
        facts.box = {left, top, left + (*box)[2], top + (*box)[3]};
        if (options.ia2) {
            facts.objectAttributes = record.text("attrs");
            facts.textAttributes = optionalField(record, "textattrs");
        }
        open.resize(static_cast<std::size_t>(record.depth));
        Node* node = loaded->tree.add(open.empty() ? nullptr : open.back(), std::move(facts));
        open.push_back(node);
        loaded->nodes.push_back(node);
        if (const std::u16string* text = record.get("innertext")) {
            loaded->innerTexts.emplace(node, *text);
        }
        if (const std::u16string* background = record.get("background")) {
            loaded->backgrounds.emplace(node, *background);
        }
    }
    return loaded;
}

}  // namespace tnk::testacc
