#include "pages.h"

namespace tnk::accessible_host {

namespace {

using Attributes = std::vector<std::pair<std::wstring, std::wstring>>;

constexpr long kIa2RoleHeading = 0x414;

class Builder {
  public:
    Builder(AccessiblePage& page, const HostSettings& settings)
        : page_(page), settings_(settings) {}

    AccessibleNode* node(AccessibleNode* parent, long role, RECT box, Attributes attributes) {
        page_.nodes.push_back(std::make_unique<AccessibleNode>(settings_));
        AccessibleNode* n = page_.nodes.back().get();
        n->msaaRole = role;
        n->box = box;
        n->attributes = std::move(attributes);
        n->state = STATE_SYSTEM_READONLY;
        if (parent) {
            parent->append(n);
        }
        return n;
    }

    AccessibleNode* text(AccessibleNode* parent, const wchar_t* name, RECT box) {
        AccessibleNode* n = node(parent, ROLE_SYSTEM_STATICTEXT, box, {{L"display", L"inline"}});
        n->name = name;
        n->hasText = true;
        return n;
    }

  private:
    AccessiblePage& page_;
    const HostSettings& settings_;
};

// The article's content, as children of `document`.
void buildArticle(Builder& b, AccessibleNode* document) {
    AccessibleNode* heading = b.node(document, 0, {10, 10, 390, 40},
                                     {{L"tag", L"h1"}, {L"display", L"block"}, {L"id", L"top"}});
    heading->roleText = L"heading";
    heading->ia2Role = kIa2RoleHeading;
    b.text(heading, L"Hello accessible", heading->box);

    AccessibleNode* paragraph =
        b.node(document, ROLE_SYSTEM_GROUPING, {10, 50, 390, 90},
               {{L"tag", L"p"}, {L"display", L"block"}, {L"class", L"lead"}});
    b.text(paragraph, L"First ", {10, 50, 60, 70});
    AccessibleNode* link = b.node(paragraph, ROLE_SYSTEM_LINK, {60, 50, 130, 70},
                                  {{L"tag", L"a"}, {L"display", L"inline"}});
    link->name = L"bold link";
    link->state = STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
    b.text(link, L"bold link", link->box);
    b.text(paragraph, L" words", {130, 50, 200, 70});

    AccessibleNode* section = b.node(document, ROLE_SYSTEM_GROUPING, {10, 100, 390, 160},
                                     {{L"tag", L"div"}, {L"display", L"block"}, {L"id", L"junk"}});
    const wchar_t* words[] = {L"Visible ", L"hidden", L"tiny", L"ghost", L"text"};
    AccessibleNode* row[5];
    for (int i = 0; i < 5; ++i) {
        row[i] = b.text(section, words[i], {10 + 60 * i, 100, 70 + 60 * i, 130});
    }
    row[1]->state |= STATE_SYSTEM_INVISIBLE;
    row[2]->look.fontPoints = 0;
    row[3]->look.color = RGB(255, 255, 255);
    row[3]->look.opaqueBackground = true;
    row[3]->look.background = RGB(255, 255, 255);

    AccessibleNode* table = b.node(document, ROLE_SYSTEM_TABLE, {10, 170, 390, 230},
                                   {{L"tag", L"table"}, {L"display", L"table"}});
    AccessibleNode* tr =
        b.node(table, ROLE_SYSTEM_ROW, table->box, {{L"tag", L"tr"}, {L"display", L"table-row"}});
    AccessibleNode* one = b.node(tr, ROLE_SYSTEM_CELL, {10, 170, 200, 230},
                                 {{L"tag", L"td"}, {L"display", L"table-cell"}});
    b.text(one, L"Cell one", one->box);
    AccessibleNode* two = b.node(tr, ROLE_SYSTEM_CELL, {200, 170, 390, 230},
                                 {{L"tag", L"td"}, {L"display", L"table-cell"}});
    b.text(two, L"Cell two", two->box);

    AccessibleNode* field = b.node(document, ROLE_SYSTEM_TEXT, {10, 240, 200, 270},
                                   {{L"tag", L"input"}, {L"display", L"inline-block"}});
    field->name = L"Field label";
    field->value = L"typed value";
    field->state = STATE_SYSTEM_FOCUSABLE;
    field->hasText = true;

    AccessibleNode* list = b.node(document, ROLE_SYSTEM_LIST, {210, 240, 390, 290},
                                  {{L"tag", L"ul"}, {L"display", L"block"}});
    const std::pair<const wchar_t*, RECT> items[] = {{L"Item one", {210, 240, 390, 265}},
                                                     {L"Item two", {210, 265, 390, 290}}};
    for (const auto& [name, box] : items) {
        AccessibleNode* item = b.node(list, ROLE_SYSTEM_LISTITEM, box, {});
        item->name = name;
        item->simple = true;
    }
}

}  // namespace

void AccessiblePage::reveal() {
    for (AccessibleNode* child : held) {
        document->append(child);
    }
    held.clear();
}

std::unique_ptr<AccessiblePage> buildPage(const std::wstring& name, const HostSettings& settings) {
    if (name != L"article" && name != L"late") {
        return nullptr;
    }
    auto page = std::make_unique<AccessiblePage>();
    Builder b(*page, settings);
    const RECT whole = {0, 0, kPageWidth, kPageHeight};
    page->root = b.node(nullptr, ROLE_SYSTEM_CLIENT, whole, {});
    page->root->name = L"Accessible page window";
    page->root->state = 0;
    page->document = b.node(page->root, ROLE_SYSTEM_DOCUMENT, whole,
                            {{L"tag", L"#document"}, {L"display", L"block"}});
    page->document->name = L"Accessible article";
    page->document->value = L"http://acc.tarnwick.test/article.html";
    page->document->state = STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSABLE;

    buildArticle(b, page->document);
    if (name == L"late") {
        page->held = page->document->takeChildren();
    }
    return page;
}

}  // namespace tnk::accessible_host
