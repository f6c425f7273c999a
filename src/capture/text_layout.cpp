#include "capture/text_layout.h"

#include <algorithm>
#include <initializer_list>

namespace tnk {

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

bool isOneOf(std::u16string_view value, std::initializer_list<std::u16string_view> options) {
    return std::find(options.begin(), options.end(), value) != options.end();
}

// The displays that started a line before tidy text existed.
bool startsLine(std::u16string_view display) {
    return isOneOf(display, {u"block", u"list-item", u"table-header-group", u"table-footer-group"});
}

// Boxes that stand on lines of their own. Flex and grid items are reported
// as blocks by the browser, and so take lines of their own too.
bool isBlockLike(std::u16string_view display) {
    return isOneOf(display,
                   {u"block", u"list-item", u"table", u"table-caption", u"table-row-group",
                    u"table-header-group", u"table-footer-group", u"flex", u"grid", u"flow-root",
                    u"run-in", u"-ms-flexbox", u"-ms-grid", u"-webkit-box", u"-webkit-flex"});
}

// Boxes that sit in a line but lay their own content out: spaces at their
// inner edges collapse away.
bool isInlineBlock(std::u16string_view display) {
    return isOneOf(display, {u"inline-block", u"inline-table", u"inline-flex", u"inline-grid",
                             u"-ms-inline-flexbox", u"-ms-inline-grid", u"-webkit-inline-box",
                             u"-webkit-inline-flex"});
}

}  // namespace

WhiteSpace whiteSpaceOf(std::u16string_view value) {
    if (isOneOf(value, {u"pre", u"pre-wrap", u"break-spaces"})) {
        return WhiteSpace::keep;
    }
    return value == u"pre-line" ? WhiteSpace::keepBreaks : WhiteSpace::collapse;
}

TextLayout::TextLayout(std::u16string& text, bool tidy)
    : out_(text), tidy_(tidy), lineStart_(text.empty() || text.back() == u'\n') {}

TextLayout::Box TextLayout::begin(std::u16string_view display) {
    if (!tidy_) {
        if (startsLine(display) && !out_.empty()) {
            out_ += kLineBreak;
        }
        return Box::none;
    }
    if (display == u"table-row") {
        cellInRow_ = false;
        blockEdge();
        return Box::row;
    }
    if (display == u"table-cell") {
        if (cellInRow_) {
            // Whatever the previous cell left owed stays in that cell.
            breaks_ = rowBreaks_;
            ++tabs_;
            space_ = false;
            lineStart_ = true;
        } else {
            rowBreaks_ = breaks_;
        }
        cellInRow_ = true;
        return Box::none;
    }
    if (isBlockLike(display)) {
        blockEdge();
        return Box::block;
    }
    if (isInlineBlock(display)) {
        lineStart_ = true;
        return Box::atom;
    }
    return Box::none;
}

void TextLayout::end(Box box) {
    switch (box) {
        case Box::none:
            break;
        case Box::row:
            // Tabs still owed are empty cells at the row's end: they keep
            // the row's columns, as the browser's own text does.
            if (tabs_ > 0) {
                settle();
            }
            blockEdge();
            break;
        case Box::block:
            blockEdge();
            break;
        case Box::atom:
            space_ = false;
            break;
    }
}

void TextLayout::blockEdge() {
    // A block at the very start of a cell starts no line: the cell is its
    // line.
    if (tabs_ > 0) {
        return;
    }
    breaks_ = std::max(breaks_, 1);
    space_ = false;
    lineStart_ = true;
}

void TextLayout::lineBreak() {
    if (!tidy_) {
        out_ += kLineBreak;
        return;
    }
    if (tabs_ > 0) {
        return;
    }
    ++breaks_;
    space_ = false;
    lineStart_ = true;
}

void TextLayout::settle() {
    if (breaks_ > 0) {
        if (!out_.empty()) {
            trimSpaces();
            for (int i = 0; i < breaks_; ++i) {
                out_ += kLineBreak;
            }
        }
        breaks_ = 0;
        rowBreaks_ = 0;
    }
    if (tabs_ > 0) {
        trimSpaces();
        out_.append(tabs_, u'\t');
        tabs_ = 0;
    }
    if (space_) {
        out_ += u' ';
        space_ = false;
    }
    lineStart_ = false;
}

void TextLayout::text(std::u16string_view value, WhiteSpace whiteSpace) {
    if (!tidy_) {
        out_ += value;
        return;
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char16_t c = value[i];
        const bool lineEnd = c == u'\n' || c == u'\r';
        if (lineEnd && whiteSpace != WhiteSpace::collapse) {
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') {
                ++i;
            }
            lineBreak();
            continue;
        }
        const bool blank = lineEnd || c == u' ' || c == u'\t' || c == u'\f';
        if (blank && whiteSpace != WhiteSpace::keep) {
            space_ = space_ || !lineStart_;
            continue;
        }
        settle();
        out_ += c;
        if (whiteSpace == WhiteSpace::keep) {
            keptEnd_ = out_.size();
        }
    }
}

void TextLayout::finish() {
    if (tidy_) {
        trimSpaces();
    }
}

void TextLayout::trimSpaces() {
    while (out_.size() > keptEnd_ && out_.back() == u' ') {
        out_.pop_back();
    }
}

}  // namespace tnk
