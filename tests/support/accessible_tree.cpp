#include "accessible_tree.h"

namespace tnk::testacc {

namespace {

class TreeObject final : public acc::Object {
  public:
    TreeObject(Tree& tree, Node* node) : tree_(tree), node_(node) {}

    dom::Identity identity() const override {
        // A simple child is a number within its parent object.
        return node_->facts.simple ? dom::Identity(node_->parent, node_->childId)
                                   : dom::Identity(node_);
    }
    std::optional<acc::Role> role() override {
        ++tree_.calls.role;
        return node_->facts.role;
    }
    std::optional<std::u16string> name() override {
        ++tree_.calls.name;
        return node_->facts.name;
    }
    std::optional<std::u16string> value() override {
        ++tree_.calls.value;
        return node_->facts.value;
    }
    std::uint32_t state() override {
        ++tree_.calls.state;
        return node_->facts.state;
    }
    acc::ObjectPtr parent() override {
        ++tree_.calls.parent;
        if (node_->parent) {
            return tree_.object(node_->parent);
        }
        return nullptr;
    }
    std::vector<acc::ObjectPtr> children() override {
        ++tree_.calls.children;
        std::vector<acc::ObjectPtr> list;
        for (const auto& child : node_->children) {
            list.push_back(tree_.object(child.get()));
        }
        return list;
    }
    acc::Hit hitTest(dom::Point screen) override {
        ++tree_.calls.hitTest;
        if (!node_->facts.box.holds(screen)) {
            return {};
        }
        if (!node_->facts.simple) {
            for (auto it = node_->children.rbegin(); it != node_->children.rend(); ++it) {
                if ((*it)->facts.box.holds(screen)) {
                    return {acc::Hit::Kind::child, tree_.object(it->get())};
                }
            }
        }
        return {acc::Hit::Kind::self, nullptr};
    }
    std::optional<std::u16string> objectAttributes() override {
        ++tree_.calls.objectAttributes;
        return node_->facts.simple ? std::nullopt : node_->facts.objectAttributes;
    }
    std::optional<std::u16string> textAttributes() override {
        ++tree_.calls.textAttributes;
        return node_->facts.simple ? std::nullopt : node_->facts.textAttributes;
    }
    std::optional<dom::Rect> location() override {
        ++tree_.calls.location;
        const Box& box = node_->facts.box;
        if (box.right <= box.left || box.bottom <= box.top) {
            return std::nullopt;
        }
        return dom::Rect{box.left, box.top, box.right, box.bottom};
    }

  private:
    Tree& tree_;
    Node* node_;
};

}  // namespace

Node* Tree::add(Node* parent, Facts facts) {
    auto node = std::make_unique<Node>();
    node->facts = std::move(facts);
    Node* added = node.get();
    if (!parent) {
        root_ = std::move(node);
        return added;
    }
    node->parent = parent;
    if (node->facts.simple) {
        node->childId = static_cast<std::intptr_t>(parent->children.size()) + 1;
    }
    parent->children.push_back(std::move(node));
    return added;
}

acc::ObjectPtr Tree::object(Node* node) {
    return node ? std::make_shared<TreeObject>(*this, node) : nullptr;
}

acc::Role roleNumber(std::int32_t n) {
    return acc::Role{n, {}, false};
}

acc::Role roleText(std::u16string text) {
    return acc::Role{0, std::move(text), true};
}

}  // namespace tnk::testacc
