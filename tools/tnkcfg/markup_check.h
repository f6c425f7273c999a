#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "config/config_document.h"

// Checks on a hand-edited markup file before it is packed. The program's
// reader accepts any text and its writer writes any tree, but some trees do
// not read back the same after a save: packing one would let the next save
// move, change or hide records. These checks find such input and say where.
namespace tnk {

// The first problem found: its line (1-based; 0 when not known) and what it
// is, in the console's encoding.
struct MarkupProblem {
    std::size_t line = 0;
    std::string what;
};

// A zero byte (everything after it would be dropped) or bytes that are not
// UTF-8 (they would become U+FFFD).
std::optional<MarkupProblem> checkEncoding(std::string_view utf8);

// The line of each node of a document read from a text. Knows no line when
// the text was not what the document was read from.
class SourceLines {
  public:
    SourceLines(std::string_view utf8, const ConfigDocument& doc);
    std::size_t lineOf(const ConfigNode& node) const;

    // End tags that close another element than they name, elements never
    // closed, comments and declarations read as elements, and nesting too deep
    // to save: what makes the tree differ from what the file seems to say.
    std::optional<MarkupProblem> checkNesting() const;

  private:
    std::unordered_map<const ConfigNode*, std::size_t> lines_;
    std::optional<MarkupProblem> nesting_;
};

// Writes `doc` as a save does and reads it back as a load does; the first
// node that does not come back the same, explained. Empty text nodes, which
// hold nothing, do not count.
std::optional<MarkupProblem> checkRoundTrip(const ConfigDocument& doc, const SourceLines& lines);

}  // namespace tnk
