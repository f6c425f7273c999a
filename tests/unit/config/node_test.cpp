#include <gtest/gtest.h>

#include <random>

#include "config/config_document.h"
#include "tree_helpers.h"

namespace tnk {
namespace {

using testing::dump;
using testing::element;
using testing::textNode;

// <language/> "option" <option filter="1"> ["x", <b/>] <option/>
void fillSample(ConfigDocument& doc) {
    doc.appendTopLevel(element(u"language"));
    doc.appendTopLevel(textNode(u"option"));
    ConfigNode* option = doc.appendTopLevel(element(u"option"));
    option->setAttribute(u"filter", u"1");
    option->appendChild(textNode(u"x"));
    option->appendChild(element(u"b"));
    doc.appendTopLevel(element(u"Option"));
}

TEST(PathTest, WalksNamesChildrenAndSiblings) {
    ConfigDocument doc;
    fillSample(doc);
    ConfigNode* option = doc.root->nextSibling->nextSibling.get();

    EXPECT_EQ(doc.select(u"option"), option);  // passes over the Text "option"
    EXPECT_EQ(doc.select(u"Option"), option->nextSibling.get());
    EXPECT_EQ(doc.select(u"option@b"), option->firstChild->nextSibling.get());
    EXPECT_EQ(doc.select(u"option@"), option->firstChild.get());
    EXPECT_EQ(doc.select(u"language#"), doc.root->nextSibling.get());
    EXPECT_EQ(doc.select(u"option*anything@#"), option);
    EXPECT_EQ(doc.select(u""), doc.root.get());
    EXPECT_EQ(option->select(u""), option);
    EXPECT_EQ(option->select(u"*@@"), option);
    EXPECT_EQ(option->select(u"option"), option);  // a name step tests the start node too
}

TEST(PathTest, MissesGiveNull) {
    ConfigDocument doc;
    fillSample(doc);
    EXPECT_EQ(doc.select(u"OPTION"), nullptr);
    EXPECT_EQ(doc.select(u"language@"), nullptr);
    EXPECT_EQ(doc.select(u"option@x"), nullptr);  // Text "x" is not an element
    EXPECT_EQ(doc.select(u"option@b@"), nullptr);
    EXPECT_EQ(doc.select(u"Option#"), nullptr);
    EXPECT_EQ(doc.select(u"option@c"), nullptr);
    EXPECT_EQ(doc.select(u"optio"), nullptr);
    EXPECT_EQ(ConfigDocument().select(u""), nullptr);

    ConfigDocument depository;
    ConfigNode* d = depository.appendTopLevel(element(u"depository"));
    EXPECT_EQ(depository.select(u"depository@group"), nullptr);
    d->appendChild(textNode(u"group"));
    d->appendChild(element(u"groups"));
    EXPECT_EQ(depository.select(u"depository@group"), nullptr);
}

TEST(PathTest, EnumeratesGroupsAndRecords) {
    ConfigDocument doc;
    ConfigNode* d = doc.appendTopLevel(element(u"depository"));
    for (int g = 0; g < 3; ++g) {
        ConfigNode* group = d->appendChild(element(u"group"));
        d->appendChild(textNode(u"noise"));
        for (int r = 0; r < g; ++r) {
            group->appendChild(element(u"record"));
        }
    }
    int groups = 0;
    int records = 0;
    for (ConfigNode* g = doc.select(u"depository@group"); g; g = g->select(u"#group")) {
        ++groups;
        for (ConfigNode* r = g->select(u"@record"); r; r = r->select(u"#record")) {
            ++records;
        }
    }
    EXPECT_EQ(groups, 3);
    EXPECT_EQ(records, 3);
}

TEST(NodeTest, TextAndSetText) {
    ConfigNode node;
    EXPECT_EQ(node.text(), nullptr);
    node.setText(u"one");
    ASSERT_NE(node.text(), nullptr);
    EXPECT_EQ(*node.text(), u"one");
    node.setText(u"two");
    EXPECT_EQ(dump(&node), "E()[T(two)]");

    ConfigNode mixed;
    mixed.appendChild(element(u"e"));
    EXPECT_EQ(mixed.text(), nullptr);
    mixed.appendChild(textNode(u"late"));
    EXPECT_EQ(*mixed.text(), u"late");
    // An element first: the new text goes in front and is what text() gives.
    mixed.setText(u"early");
    EXPECT_EQ(dump(&mixed), "E()[T(early),E(e),T(late)]");
    EXPECT_EQ(mixed.firstChild->parent, &mixed);
}

TEST(NodeTest, AttributesKeepCodeUnitOrderAndUniqueNames) {
    ConfigNode node;
    for (std::u16string_view name : {u"b", u"a", u"\xE9", u"B", u"ab", u"", u"a", u"\xFFFF"}) {
        node.setAttribute(name, name);
    }
    node.setAttribute(u"a", u"again");
    EXPECT_EQ(node.attributes.size(), 7u);
    std::vector<std::u16string> names;
    for (const auto& [k, v] : node.attributes) {
        names.push_back(k);
    }
    EXPECT_EQ(names,
              (std::vector<std::u16string>{u"", u"B", u"a", u"ab", u"b", u"\xE9", u"\xFFFF"}));
    EXPECT_EQ(*node.attribute(u"a"), u"again");
    EXPECT_EQ(*node.attribute(u""), u"");
    EXPECT_EQ(node.attribute(u"A"), nullptr);

    node.setAttribute(u"empty", u"");
    ASSERT_NE(node.attribute(u"empty"), nullptr);
    EXPECT_TRUE(node.attribute(u"empty")->empty());
}

TEST(NodeTest, IntAttributeDetectsBaseAndClamps) {
    ConfigNode node;
    struct Case {
        const char16_t* value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {u"0x10", 16},
        {u"0X1f", 31},
        {u"010", 8},
        {u"12abc", 12},
        {u"abc", -7},
        {u"", -7},
        {u" \t\r\n\v\f42", 42},
        {u"+5", 5},
        {u"-0x10", -16},
        {u"0", 0},
        {u"08", 0},
        {u"0x", 0},
        {u"0xg", 0},
        {u"-", -7},
        {u"- 1", -7},
        {u"1 2", 1},
        {u"2147483647", INT32_MAX},
        {u"2147483648", INT32_MAX},
        {u"-2147483648", INT32_MIN},
        {u"-99999999999999999999", INT32_MIN},
        {u"0xFFFFFFFF", INT32_MAX},
        {u"\u00A01", -7},
    };
    for (const Case& c : cases) {
        node.setAttribute(u"v", c.value);
        EXPECT_EQ(node.intAttribute(u"v", -7), c.expected) << "value \"" << testing::dump(&node);
    }
    EXPECT_EQ(node.intAttribute(u"absent", 3), 3);

    for (std::int32_t v : {0, 1, -1, 255, INT32_MAX, INT32_MIN}) {
        node.setIntAttribute(u"n", v);
        EXPECT_EQ(node.intAttribute(u"n", 99), v);
    }
    node.setIntAttribute(u"n", -42);
    EXPECT_EQ(*node.attribute(u"n"), u"-42");
    EXPECT_EQ(node.attributes.size(), 2u);
}

TEST(NodeTest, AppendAndRemoveChildren) {
    ConfigNode parent;
    ConfigNode* a = parent.appendChild(element(u"a"));
    a->appendChild(element(u"inner"));
    ConfigNode* b = parent.appendChild(element(u"b"));
    ConfigNode* c = parent.appendChild(element(u"c"));
    EXPECT_EQ(a->parent, &parent);
    EXPECT_EQ(c->parent, &parent);

    parent.removeChild(a);
    EXPECT_EQ(parent.firstChild.get(), b);
    EXPECT_EQ(dump(&parent), "E()[E(b),E(c)]");
    parent.removeChild(c);
    EXPECT_EQ(dump(&parent), "E()[E(b)]");
    EXPECT_EQ(b->nextSibling, nullptr);

    // Something that is not a direct child is not freed or unlinked.
    ConfigNode stranger;
    ConfigNode* grandchild = b->appendChild(element(u"g"));
    parent.removeChild(&stranger);
    parent.removeChild(grandchild);
    parent.removeChild(nullptr);
    EXPECT_EQ(dump(&parent), "E()[E(b)[E(g)]]");
}

TEST(NodeTest, DestroysHugeTreesWithoutRecursion) {
    // One million deep plus one million siblings under a single node.
    auto top = element(u"top");
    ConfigNode* cursor = top.get();
    for (int i = 0; i < 1000000; ++i) {
        cursor = cursor->appendChild(element(u"d"));
    }
    ConfigNode* wide = top->appendChild(element(u"wide"));
    std::unique_ptr<ConfigNode>* slot = &wide->firstChild;
    for (int i = 0; i < 1000000; ++i) {
        *slot = i % 2 ? textNode(u"t") : element(u"s");
        slot = &(*slot)->nextSibling;
    }
    top.reset();

    ConfigDocument doc;
    doc.appendTopLevel(element(u"x"))->appendChild(element(u"y"));
    doc.clear();
    EXPECT_EQ(doc.root, nullptr);
}

// The entity rules as three whole-string replacements in a row; the single
// pass must agree with them on any input.
std::u16string unescapeInSteps(std::u16string s) {
    auto replaceAll = [&](std::u16string_view from, char16_t to) {
        std::u16string out;
        for (std::size_t i = 0; i < s.size();) {
            if (std::u16string_view(s).substr(i).starts_with(from)) {
                out += to;
                i += from.size();
            } else {
                out += s[i++];
            }
        }
        s = out;
    };
    replaceAll(u"&lt;", u'<');
    replaceAll(u"&gt;", u'>');
    replaceAll(u"&quot;", u'"');
    return s;
}

TEST(EscapeTest, ExactlyThreeEntities) {
    EXPECT_EQ(escapeMarkup(u"a<b>c\"d&e'"), u"a&lt;b&gt;c&quot;d&e'");
    EXPECT_EQ(unescapeMarkup(u"&lt;&gt;&quot;&amp;&#60;&LT;&lt&quot"),
              u"<>\"&amp;&#60;&LT;&lt&quot");
    EXPECT_EQ(unescapeMarkup(u"&&lt;gt;"), u"&<gt;");
    EXPECT_EQ(unescapeMarkup(escapeMarkup(u"<\"x\">&lt;")), u"<\"x\"><");

    std::mt19937 random(7);
    const char16_t alphabet[] = u"&&&ltgquo;<>\"x";
    for (int i = 0; i < 20000; ++i) {
        std::u16string s;
        int length = random() % 48;  // long enough for the eight-unit fast paths
        for (int j = 0; j < length; ++j) {
            s += alphabet[random() % (std::size(alphabet) - 1)];
        }
        ASSERT_EQ(unescapeMarkup(s), unescapeInSteps(s));
        ASSERT_EQ(unescapeMarkup(escapeMarkup(s)), unescapeInSteps(s));
    }
}

}  // namespace
}  // namespace tnk
