#include "pages.h"
#include "recording.h"

namespace tnk::accessible_host {

namespace {

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

RECT rectOf(const std::vector<std::int32_t>& n, size_t at) {
    return {n[at], n[at + 1], n[at] + n[at + 2], n[at + 1] + n[at + 3]};
}

long numberOr(const testrec::Record& record, const char* name, long fallback) {
    const auto n = testrec::numbersOf(record.text(name));
    return n && n->size() == 1 ? (*n)[0] : fallback;
}

std::string narrow(const std::wstring& path) {
    std::string out;
    for (wchar_t c : path) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

}  // namespace

std::unique_ptr<AccessiblePage> loadRecordedPage(const std::wstring& path,
                                                 const HostSettings& settings, std::string& error) {
    const auto recording = testrec::readRecording(narrow(path), &error);
    if (!recording) {
        return nullptr;
    }
    if (recording->type != "acc" || recording->nodes.empty()) {
        error = "not an accessible recording";
        return nullptr;
    }
    auto page = std::make_unique<AccessiblePage>();
    page->size = {recording->viewport.x, recording->viewport.y};
    std::vector<AccessibleNode*> open;
    for (const testrec::Record& record : recording->nodes) {
        const auto box = testrec::numbersOf(record.text("box"));
        const long role = numberOr(record, "role", -1);
        const long state =
            static_cast<long>(std::wcstoul(wide(record.text("state")).c_str(), nullptr, 16));
        if (!box || box->size() != 4 || role < 0 || (record.depth == 0 && !open.empty())) {
            error = "bad object in " + narrow(path);
            return nullptr;
        }
        page->nodes.push_back(std::make_unique<AccessibleNode>(settings));
        AccessibleNode* node = page->nodes.back().get();
        node->msaaRole = role;
        node->ia2Role = numberOr(record, "ia2role", 0);
        node->name = wide(record.text("name"));
        node->value = wide(record.text("value"));
        node->state = state;
        node->box = rectOf(*box, 0);
        if (const auto lines = testrec::numbersOf(record.text("lines"));
            lines && lines->size() % 4 == 0) {
            for (size_t at = 0; at < lines->size(); at += 4) {
                node->lines.push_back(rectOf(*lines, at));
            }
        }
        node->attributeText = wide(record.text("attrs"));
        node->textAttributeText = wide(record.text("textattrs"));
        node->hasText = role == ROLE_SYSTEM_STATICTEXT;
        open.resize(static_cast<size_t>(record.depth));
        if (!open.empty()) {
            open.back()->append(node);
        }
        open.push_back(node);
    }
    page->root = page->document = page->nodes.front().get();
    return page;
}

}  // namespace tnk::accessible_host
