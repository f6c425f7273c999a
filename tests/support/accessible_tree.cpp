#include "accessible_tree.h"

#include <string>

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
        tree_.call(&Calls::role);
        return node_->facts.role;
    }
    std::optional<std::u16string> name() override {
        tree_.call(&Calls::name);
        return node_->facts.name;
    }
    std::optional<std::u16string> value() override {
        tree_.call(&Calls::value);
        return node_->facts.value;
    }
    std::uint32_t state() override {
        tree_.call(&Calls::state);
        return node_->facts.state;
    }
    acc::ObjectPtr parent() override {
        tree_.call(&Calls::parent);
        if (node_->parent) {
            return tree_.object(node_->parent);
        }
        return nullptr;
    }
    std::vector<acc::ObjectPtr> children() override {
        tree_.call(&Calls::children);
        std::vector<acc::ObjectPtr> list;
        for (const auto& child : node_->children) {
            list.push_back(tree_.object(child.get()));
        }
        return list;
    }
    acc::Hit hitTest(dom::Point screen) override {
        tree_.call(&Calls::hitTest);
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
        tree_.call(&Calls::objectAttributes);
        return node_->facts.simple ? std::nullopt : node_->facts.objectAttributes;
    }
    std::optional<std::u16string> textAttributes() override {
        tree_.call(&Calls::textAttributes);
        return node_->facts.simple ? std::nullopt : node_->facts.textAttributes;
    }
    std::optional<acc::Hypertext> hypertext() override {
        if (!offersHypertext()) {
            return std::nullopt;
        }
        tree_.call(&Calls::hypertext);
        acc::Hypertext found;
        for (const auto& child : node_->children) {
            if (isText(*child)) {
                if (!(child->facts.state & acc::state::invisible)) {
                    found.text += child->facts.name.value_or(u"");
                }
            } else {
                tree_.call(&Calls::hypertext);
                found.text += acc::kEmbeddedObject;
                found.embedded.push_back(child->facts.simple ? nullptr : tree_.object(child.get()));
            }
        }
        return found;
    }
    std::vector<acc::TextRun> textRuns() override {
        std::vector<acc::TextRun> runs;
        if (!offersHypertext()) {
            return runs;
        }
        std::size_t at = 0;
        for (const auto& child : node_->children) {
            tree_.call(&Calls::textRuns);
            if (!isText(*child)) {
                runs.push_back({at, at + 1, {}});
                ++at;
            } else if (!(child->facts.state & acc::state::invisible)) {
                const std::size_t length = child->facts.name.value_or(u"").size();
                runs.push_back({at, at + length, child->facts.textAttributes.value_or(u"")});
                at += length;
            }
        }
        return runs;
    }
    std::optional<dom::Rect> location() override {
        tree_.call(&Calls::location);
        const Box& box = node_->facts.box;
        if (box.right <= box.left || box.bottom <= box.top) {
            return std::nullopt;
        }
        return dom::Rect{box.left, box.top, box.right, box.bottom};
    }

  private:
    static bool isText(const Node& node) {
        return !node.facts.simple && !node.facts.role.isText &&
               node.facts.role.number == acc::role::staticText && node.children.empty();
    }
    bool offersHypertext() const {
        return tree_.hypertext && !node_->facts.simple && !isText(*node_);
    }

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

void Tree::call(int Calls::*kind) {
    ++(calls.*kind);
    if (onCall) {
        onCall();
    }
}

acc::ObjectPtr Tree::object(Node* node) {
    return node ? std::make_shared<TreeObject>(*this, node) : nullptr;
}

Node* addLongPage(Tree& tree, Node* client, int sections) {
    const Box area = client->facts.box;
    Facts facts;
    facts.role = roleNumber(acc::role::document);
    facts.box = {area.left, area.top, area.left + 800, area.top + 40 * sections};
    facts.objectAttributes = u"tag:#document;display:block;";
    facts.name = u"Long page";
    facts.value = u"http://long.test/";
    Node* document = tree.add(client, facts);
    Facts run;
    run.role = roleNumber(acc::role::staticText);
    run.objectAttributes = u"display:inline;";
    run.textAttributes = u"font-size:12pt;color:rgb(0, 0, 0);";
    for (int s = 0; s < sections; ++s) {
        const std::int32_t top = area.top + 40 * s;
        Facts group;
        group.role = roleNumber(acc::role::grouping);
        group.box = {area.left, top, area.left + 680, top + 40};
        group.objectAttributes = u"tag:section;display:block;";
        Node* section = tree.add(document, group);
        group.box = {area.left, top, area.left + 600, top + 30};
        group.objectAttributes = u"tag:p;display:block;";
        Node* paragraph = tree.add(section, group);
        for (int r = 0; r < 8; ++r) {
            run.name = u"some words of text ";
            run.box = {area.left + r * 75, top, area.left + r * 75 + 75, top + 30};
            tree.add(paragraph, run);
        }
        Facts link;
        link.role = roleNumber(30);
        link.box = {area.left + 600, top, area.left + 680, top + 30};
        link.objectAttributes = u"tag:a;display:inline;";
        const std::string number = std::to_string(s);
        const std::u16string label = u"link " + std::u16string(number.begin(), number.end());
        link.name = label;
        Node* anchor = tree.add(section, link);
        run.name = label;
        run.box = link.box;
        tree.add(anchor, run);
    }
    return document;
}

acc::Role roleNumber(std::int32_t n) {
    return acc::Role{n, {}, false};
}

acc::Role roleText(std::u16string text) {
    return acc::Role{0, std::move(text), true};
}

}  // namespace tnk::testacc
