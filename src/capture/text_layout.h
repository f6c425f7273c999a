#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tnk {

// How an element's white-space value treats the spaces and line breaks of
// its text.
enum class WhiteSpace : std::uint8_t {
    collapse,    // normal, nowrap: every run is one space, none at a line's ends
    keep,        // pre, pre-wrap, break-spaces: as written
    keepBreaks,  // pre-line: spaces collapse, line breaks stay
};
WhiteSpace whiteSpaceOf(std::u16string_view value);

// Where the filtered walk writes its text. Plain, it appends the page's text
// as the document holds it and starts a line before block-like elements and
// at BR. Tidy, it lays the text out as the page renders it: white space
// collapsed or kept by the element's white-space, a line per block, row and
// BR (never more than one between blocks, none before the first text), a
// tab between the cells of a row, and no collapsed spaces at the ends of
// lines (preformatted spaces stay, as the page shows them).
class TextLayout {
  public:
    // What closes when an element's children are done.
    enum class Box : std::uint8_t { none, block, row, atom };

    TextLayout(std::u16string& text, bool tidy);

    bool tidy() const { return tidy_; }
    // An element of this display begins; `end` takes what it gives.
    Box begin(std::u16string_view display);
    void end(Box box);
    void lineBreak();
    void text(std::u16string_view value, WhiteSpace whiteSpace);
    // Drops the spaces left at the end.
    void finish();

  private:
    // Writes what is owed before visible text.
    void settle();
    void blockEdge();
    void trimSpaces();

    std::u16string& out_;
    bool tidy_;
    // Owed until visible text comes, and dropped if none does.
    int breaks_ = 0;
    int tabs_ = 0;
    // The breaks owed when the row's first cell began: those after it
    // belong to a cell and go when the next cell begins.
    int rowBreaks_ = 0;
    bool space_ = false;
    // Spaces here collapse away: the start of a line, a cell or an
    // inline block, before anything is written there.
    bool lineStart_;
    bool cellInRow_ = false;
    // Where spaces written as the page keeps them (pre) end: trimming a
    // line's end stops there.
    std::size_t keptEnd_ = 0;
};

}  // namespace tnk
