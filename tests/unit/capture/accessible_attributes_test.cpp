#include <gtest/gtest.h>

#include "capture/accessible/attributes.h"
#include "capture/accessible/object_facts.h"

namespace tnk::acc {
namespace {

TEST(AccessibleAttributes, ValuesAreFoundAndUnescaped) {
    const std::u16string attributes = u"tag:p;display:block;id:a\\;b\\:c;class:x\\\\y;empty:;";
    EXPECT_EQ(attributeValue(attributes, u"tag"), u"p");
    EXPECT_EQ(attributeValue(attributes, u"id"), u"a;b:c");
    EXPECT_EQ(attributeValue(attributes, u"class"), u"x\\y");
    EXPECT_EQ(attributeValue(attributes, u"empty"), u"");
    EXPECT_EQ(attributeValue(attributes, u"display"), u"block");
    EXPECT_FALSE(attributeValue(attributes, u"dis"));
    EXPECT_FALSE(attributeValue(u"", u"tag"));
    // No closing semicolon, an escape at the very end, a value with a colon.
    EXPECT_EQ(attributeValue(u"tag:div", u"tag"), u"div");
    EXPECT_EQ(attributeValue(u"tag:div\\", u"tag"), u"div\\");
    EXPECT_EQ(attributeValue(u"src:http://x", u"src"), u"http://x");
}

TEST(AccessibleAttributes, ColoursTakeTheFormsTheFilterCompares) {
    EXPECT_EQ(cssColor(u"rgb(255, 255, 255)"), u"#ffffff");
    EXPECT_EQ(cssColor(u"rgb(0,128,10)"), u"#00800a");
    EXPECT_EQ(cssColor(u" rgb( 1 , 2 , 3 ) "), u"#010203");
    EXPECT_EQ(cssColor(u"rgba(10, 20, 30, 0.5)"), u"#0a141e");
    EXPECT_EQ(cssColor(u"rgba(10, 20, 30, 0)"), u"transparent");
    EXPECT_EQ(cssColor(u"rgb(300, 2.6, 0)"), u"#ff0300");
    EXPECT_EQ(cssColor(u"transparent"), u"transparent");
    EXPECT_EQ(cssColor(u"#abc"), u"#abc");
    EXPECT_EQ(cssColor(u"red"), u"red");
    EXPECT_EQ(cssColor(u"rgb(1, 2)"), u"rgb(1, 2)");
    EXPECT_EQ(cssColor(u"rgb(1, 2, x)"), u"rgb(1, 2, x)");
}

Facts facts(Role role, std::uint32_t state = 0,
            std::optional<std::u16string> attributes = std::nullopt) {
    return factsOf(std::move(role), state, std::move(attributes));
}

TEST(AccessibleFacts, TagsFlowAndDisplayFollowAttributesThenRoles) {
    const Role paragraph{role::grouping, {}, false};
    EXPECT_EQ(tagOf(facts(paragraph, 0, u"tag:p;")), u"p");
    EXPECT_EQ(tagOf(facts(paragraph)), u"grouping");
    EXPECT_EQ(tagOf(facts(Role{0, u"heading", true})), u"heading");
    EXPECT_EQ(tagOf(facts(Role{30, {}, false})), u"link");
    EXPECT_EQ(tagOf(facts(Role{999, {}, false})), u"object");

    EXPECT_EQ(flowOf(facts(paragraph)), Flow::block);
    EXPECT_EQ(flowOf(facts(paragraph, 0, u"display:inline;")), Flow::inline_);
    EXPECT_EQ(flowOf(facts(paragraph, 0, u"display:inline-block;")), Flow::inline_);
    EXPECT_EQ(flowOf(facts(Role{30, {}, false}, 0, u"display:list-item;")), Flow::block);
    EXPECT_EQ(flowOf(facts(Role{role::cell, {}, false}, 0, u"display:block;")), Flow::cell);
    EXPECT_EQ(flowOf(facts(Role{0, u"P", true})), Flow::block);
    EXPECT_EQ(flowOf(facts(Role{0, u"td", true})), Flow::cell);
    EXPECT_EQ(flowOf(facts(Role{30, {}, false})), Flow::inline_);

    EXPECT_EQ(displayOf(facts(paragraph)), u"block");
    EXPECT_EQ(displayOf(facts(paragraph, 0, u"display:list-item;")), u"list-item");
    EXPECT_EQ(displayOf(facts(paragraph, state::invisible, u"display:block;")), u"none");
    EXPECT_EQ(displayOf(facts(Role{role::cell, {}, false})), u"table-cell");
    EXPECT_EQ(displayOf(facts(Role{role::row, {}, false})), u"table-row");

    EXPECT_TRUE(isEditableText(facts(Role{role::text, {}, false})));
    EXPECT_FALSE(isEditableText(facts(Role{role::text, {}, false}, state::readOnly)));
    EXPECT_TRUE(isTextRun(facts(Role{role::staticText, {}, false})));
    EXPECT_FALSE(isTextRun(facts(Role{role::staticText, {}, false}, 0, u"tag:br;")));
}

}  // namespace
}  // namespace tnk::acc
