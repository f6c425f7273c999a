#include "capture/accessible/object_facts.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "capture/accessible/attributes.h"

namespace tnk::acc {

namespace {

// The role numbers 1 to 64 by name, as a tag for objects that give no other.
constexpr std::array<std::u16string_view, 64> kRoleNames = {
    u"titlebar",     u"menubar",
    u"scrollbar",    u"grip",
    u"sound",        u"cursor",
    u"caret",        u"alert",
    u"window",       u"client",
    u"menupopup",    u"menuitem",
    u"tooltip",      u"application",
    u"document",     u"pane",
    u"chart",        u"dialog",
    u"border",       u"grouping",
    u"separator",    u"toolbar",
    u"statusbar",    u"table",
    u"columnheader", u"rowheader",
    u"column",       u"row",
    u"cell",         u"link",
    u"helpballoon",  u"character",
    u"list",         u"listitem",
    u"outline",      u"outlineitem",
    u"pagetab",      u"propertypage",
    u"indicator",    u"graphic",
    u"statictext",   u"text",
    u"pushbutton",   u"checkbutton",
    u"radiobutton",  u"combobox",
    u"droplist",     u"progressbar",
    u"dial",         u"hotkeyfield",
    u"slider",       u"spinbutton",
    u"diagram",      u"animation",
    u"equation",     u"buttondropdown",
    u"buttonmenu",   u"buttondropdowngrid",
    u"whitespace",   u"pagetablist",
    u"clock",        u"splitbutton",
    u"ipaddress",    u"outlinebutton",
};

constexpr std::int32_t kColumnHeader = 25;
constexpr std::int32_t kRowHeader = 26;

// Names (tags or roles given as strings, lower case) of objects that start
// a line of their own.
constexpr std::array<std::u16string_view, 38> kBlockNames = {
    u"document", u"paragraph", u"heading",    u"grouping", u"list",    u"listitem", u"list item",
    u"table",    u"row",       u"separator",  u"p",        u"div",     u"h1",       u"h2",
    u"h3",       u"h4",        u"h5",         u"h6",       u"ul",      u"ol",       u"li",
    u"tr",       u"hr",        u"blockquote", u"pre",      u"section", u"article",  u"header",
    u"footer",   u"nav",       u"aside",      u"main",     u"form",    u"dl",       u"dt",
    u"dd",       u"figure",    u"address",
};

constexpr std::array<std::u16string_view, 6> kCellNames = {
    u"cell", u"td", u"th", u"gridcell", u"columnheader", u"rowheader",
};

std::u16string lowerAscii(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        }
    }
    return lower;
}

template <std::size_t N>
bool isOneOf(std::u16string_view name, const std::array<std::u16string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::optional<std::u16string> attribute(const Facts& facts, std::u16string_view name) {
    if (!facts.attributes) {
        return std::nullopt;
    }
    auto value = attributeValue(*facts.attributes, name);
    if (value && value->empty()) {
        return std::nullopt;
    }
    return value;
}

bool isCellRole(const Facts& facts) {
    const std::int32_t n = facts.role.number;
    return !facts.role.isText && (n == role::cell || n == kColumnHeader || n == kRowHeader);
}

bool isBlockRole(const Facts& facts) {
    if (facts.role.isText) {
        return false;
    }
    switch (facts.role.number) {
        case role::document:
        case role::grouping:
        case role::list:
        case role::listItem:
        case role::table:
        case role::row:
        case role::separator:
            return true;
        default:
            return false;
    }
}

}  // namespace

Facts factsOf(Role role, std::uint32_t state, std::optional<std::u16string> attributes) {
    Facts facts{std::move(role), state, std::move(attributes), {}, {}};
    facts.tag = attribute(facts, u"tag");
    facts.display = attribute(facts, u"display");
    return facts;
}

Facts readFacts(Object& object) {
    Role role = object.role().value_or(Role{});
    const std::uint32_t state = object.state();
    return factsOf(std::move(role), state, object.objectAttributes());
}

std::u16string tagOf(const Facts& facts) {
    if (const auto& tag = facts.tag) {
        return *tag;
    }
    if (facts.role.isText && !facts.role.text.empty()) {
        return facts.role.text;
    }
    const std::int32_t n = facts.role.number;
    if (!facts.role.isText && n >= 1 && n <= static_cast<std::int32_t>(kRoleNames.size())) {
        return std::u16string(kRoleNames[static_cast<std::size_t>(n - 1)]);
    }
    return u"object";
}

Flow flowOf(const Facts& facts) {
    if (isCellRole(facts)) {
        return Flow::cell;
    }
    if (const auto& display = facts.display) {
        if (*display == u"table-cell") {
            return Flow::cell;
        }
        return display->rfind(u"inline", 0) == 0 ? Flow::inline_ : Flow::block;
    }
    if (isBlockRole(facts)) {
        return Flow::block;
    }
    const std::u16string name = lowerAscii(tagOf(facts));
    if (isOneOf(name, kCellNames)) {
        return Flow::cell;
    }
    return isOneOf(name, kBlockNames) ? Flow::block : Flow::inline_;
}

bool hasDisplay(const Facts& facts) {
    return facts.display.has_value();
}

std::u16string displayOf(const Facts& facts) {
    if (isInvisible(facts)) {
        return u"none";
    }
    if (const auto& display = facts.display) {
        return *display;
    }
    switch (flowOf(facts)) {
        case Flow::block:
            // A row lays its cells out as the page's rows do.
            return !facts.role.isText && facts.role.number == role::row ? u"table-row" : u"block";
        case Flow::cell:
            return u"table-cell";
        default:
            return u"inline";
    }
}

bool isInvisible(const Facts& facts) {
    return (facts.state & state::invisible) != 0;
}

bool isEditableText(const Facts& facts) {
    return !facts.role.isText && facts.role.number == role::text &&
           (facts.state & state::readOnly) == 0;
}

bool isImage(const Facts& facts) {
    constexpr std::int32_t kGraphic = 40;
    if (const auto& tag = facts.tag) {
        return lowerAscii(*tag) == u"img";
    }
    return !facts.role.isText && facts.role.number == kGraphic;
}

bool isTextRun(const Facts& facts) {
    return !facts.role.isText && facts.role.number == role::staticText && !facts.tag;
}

}  // namespace tnk::acc
