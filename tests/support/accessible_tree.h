#pragma once

// An in-memory tree of accessible objects for tests and benchmarks: roles,
// names, values, states, screen boxes, IAccessible2 attributes and simple
// children, answering like a program's objects do, and counting every call.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/accessible/accessible.h"

namespace tnk::testacc {

struct Box {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool holds(dom::Point p) const {
        return p.x >= left && p.y >= top && p.x < right && p.y < bottom;
    }
};

// What one object gives.
struct Facts {
    acc::Role role;
    std::optional<std::u16string> name;
    std::optional<std::u16string> value;
    std::uint32_t state = 0;
    Box box;
    std::optional<std::u16string> objectAttributes;
    std::optional<std::u16string> textAttributes;
    // A simple child: a number of its parent, not an object of its own.
    bool simple = false;
};

// Every call the capture side made, by kind.
struct Calls {
    int role = 0;
    int name = 0;
    int value = 0;
    int state = 0;
    int parent = 0;
    int children = 0;
    int hitTest = 0;
    int objectAttributes = 0;
    int textAttributes = 0;
    // The hypertext calls: the text, and one per embedded object or run.
    int hypertext = 0;
    int textRuns = 0;
    int location = 0;
    int total() const {
        return role + name + value + state + parent + children + hitTest + objectAttributes +
               textAttributes + hypertext + textRuns + location;
    }
};

class Tree;

// One object of the tree, or a simple child; handed out as fresh wrappers
// that share the node's identity, as COM hands out new pointers.
struct Node {
    Facts facts;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    std::intptr_t childId = 0;  // of a simple child, within its parent
};

class Tree {
  public:
    // Adds an object under `parent` (null for the root) and returns it.
    Node* add(Node* parent, Facts facts);
    Node* root() const { return root_.get(); }
    acc::ObjectPtr object(Node* node);

    // Calls made so far (read them once a worker calling the tree is done).
    Calls calls;
    // Objects that are not simple children nor runs of text offer
    // IAccessible2 hypertext, as a browser's do: their text runs' names,
    // with U+FFFC for every other child, invisible text left out.
    bool hypertext = false;
    // Run after every call: a test holds or slows the capture here, as a
    // call into another process takes its time.
    std::function<void()> onCall;
    // Counts one call of a kind.
    void call(int Calls::*kind);

  private:
    std::unique_ptr<Node> root_;
};

// A long page under `client` (the tree's root, given its box): a document
// holding `sections` sections 40 pixels high and 600 wide, each with a
// paragraph of eight runs of text "some words of text " and a link "link N"
// at x 600 to 680; the document reaches x 800, so x 700 is its own
// background. IAccessible2 attributes as a browser gives them. Returns the
// document.
Node* addLongPage(Tree& tree, Node* client, int sections);

// Shorthands for facts.
acc::Role roleNumber(std::int32_t n);
acc::Role roleText(std::u16string text);

}  // namespace tnk::testacc
