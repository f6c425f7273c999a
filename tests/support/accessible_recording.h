#pragma once

// A recorded page's accessible objects as an in-memory tree (accessible_tree.h),
// the document at the top, as a browser's page window serves it.

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "accessible_tree.h"
#include "recording.h"

namespace tnk::testacc {

struct RecordedTreeOptions {
    // Added to every recorded box: the page window's client origin on the
    // screen, as accLocation and accHitTest work in screen pixels.
    dom::Point origin{0, 0};
    // Off: the objects offer no IAccessible2 (no object or text attributes).
    bool ia2 = true;
};

struct RecordedTree {
    Tree tree;
    // The objects in the recording's order; nodes[0] is the document.
    std::vector<Node*> nodes;
    // The recorded innerText of the element an object stands for.
    std::optional<std::u16string> innerText(const Node* node) const;
    // The effective background of a text run (the nearest recorded
    // non-transparent background of its element or an ancestor).
    std::optional<std::u16string> background(const Node* node) const;

    std::unordered_map<const Node*, std::u16string> innerTexts;
    std::unordered_map<const Node*, std::u16string> backgrounds;
};

// Null, with the reason in `error`, for a recording of another type or a
// node whose role or box is not numbers.
std::unique_ptr<RecordedTree> loadRecordedTree(const testrec::Recording& recording,
                                               const RecordedTreeOptions& options = {},
                                               std::string* error = nullptr);

}  // namespace tnk::testacc
