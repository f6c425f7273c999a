#include "dom_recording.h"

#include <vector>

#include "platform/platform.h"

namespace tnk::testpage {

namespace {

void appendUtf8(std::string& out, std::u16string_view text) {
    out += utf16ToUtf8(text);
}

// Text as markup; `quoted` also escapes the double quote of an attribute.
void appendEscaped(std::string& out, std::u16string_view text, bool quoted) {
    std::string utf8;
    appendUtf8(utf8, text);
    for (char c : utf8) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (quoted && c == '"') {
            out += "&quot;";
        } else {
            out += c;
        }
    }
}

void appendAttribute(std::string& out, std::string_view name, std::u16string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    appendEscaped(out, value, true);
    out += '"';
}

bool isVoid(std::u16string_view tag) {
    for (std::u16string_view v : {u"br", u"img", u"input", u"hr", u"meta", u"link", u"area",
                                  u"base", u"col", u"param", u"wbr", u"embed", u"source"}) {
        if (tag == v) {
            return true;
        }
    }
    return false;
}

// Names the in-memory page takes for layout, not markup: a page's own
// attribute of that name (a table's border) is left out.
bool isLayoutName(std::string_view name) {
    for (std::string_view layout : {"box", "border", "scroll", "no", "innertext", "computed"}) {
        if (name == layout) {
            return true;
        }
    }
    return false;
}

// The content of these is read raw, up to their end tag.
bool isRawText(std::u16string_view tag) {
    return tag == u"script" || tag == u"style";
}

}  // namespace

std::optional<std::string> markupOf(const testrec::Recording& recording, std::string* error) {
    if (recording.type != "dom" || recording.nodes.empty() || recording.nodes[0].kind != "e" ||
        recording.nodes[0].text("tag") != u"html") {
        if (error) {
            *error = "not a document recording";
        }
        return std::nullopt;
    }
    std::string out;
    // Tags of the open elements, one per depth; empty for a void element.
    std::vector<std::u16string> open;
    auto closeTo = [&](std::size_t depth) {
        while (open.size() > depth) {
            if (!open.back().empty()) {
                out += "</";
                appendUtf8(out, open.back());
                out += '>';
            }
            open.pop_back();
        }
    };
    for (const testrec::Record& node : recording.nodes) {
        closeTo(static_cast<std::size_t>(node.depth));
        if (node.kind == "t") {
            const bool raw = !open.empty() && isRawText(open.back());
            if (raw) {
                appendUtf8(out, node.text("text"));
            } else {
                appendEscaped(out, node.text("text"), false);
            }
            open.emplace_back();
            continue;
        }
        if (node.kind == "c") {
            out += "<!--";
            appendUtf8(out, node.text("text"));
            out += "-->";
            open.emplace_back();
            continue;
        }
        const std::u16string tag = node.text("tag");
        out += '<';
        appendUtf8(out, tag);
        for (const auto& [name, value] : node.fields) {
            if (name.size() > 1 && name[0] == '@' && !isLayoutName(name.substr(1))) {
                appendAttribute(out, name.substr(1), value);
            }
        }
        for (const char* layout : {"box", "border"}) {
            if (const std::u16string* value = node.get(layout)) {
                appendAttribute(out, layout, *value);
            }
        }
        std::u16string style;
        for (const char* property :
             {"display", "white-space", "font-size", "color", "background-color"}) {
            if (const std::u16string* value = node.get(property)) {
                style += testpage::utf16(property) + u":" + *value + u";";
            }
        }
        appendAttribute(out, "computed", style);
        if (const std::u16string* text = node.get("innertext")) {
            appendAttribute(out, "innertext", *text);
        }
        out += '>';
        open.push_back(isVoid(tag) ? std::u16string() : tag);
    }
    closeTo(0);
    return out;
}

std::optional<Page> loadRecordedPage(const testrec::Recording& recording, std::string* error) {
    auto markup = markupOf(recording, error);
    if (!markup) {
        return std::nullopt;
    }
    Page page = Page::parse(*markup, recording.url);
    page.document()->viewport = recording.viewport;
    return page;
}

}  // namespace tnk::testpage
