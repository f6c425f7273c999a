#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "config/config_node.h"

namespace tnk {

// Where the markup reader meets each node of a UTF-8 text, found by following
// the reader's own steps. The tree it builds keeps no positions, and a message
// about a hand-edited file must name a line.
struct MarkupScan {
    struct Node {
        std::size_t offset;
        NodeKind kind;
        std::size_t depth;  // 0 at top level
    };
    // Every node in the order the reader appends it (the tree's pre-order),
    // a stray end tag at top level included.
    std::vector<Node> nodes;

    // An end tag inside an element. The reader lets it close the innermost
    // open element whatever its name.
    struct Close {
        std::size_t offset;
        std::size_t element;    // index into `nodes`
        std::string_view name;  // as written, entities not replaced
    };
    std::vector<Close> closes;

    // Elements still open at the end of the text, outermost first.
    std::vector<std::size_t> unclosed;
};

MarkupScan scanMarkup(std::string_view utf8);

}  // namespace tnk
