#include <gtest/gtest.h>

#include <random>

#include "config/config_document.h"
#include "platform/utf8_codec.h"
#include "tree_helpers.h"

namespace tnk {
namespace {

using testing::element;
using testing::textNode;

TEST(MarkupWriterTest, DocumentedExample) {
    ConfigDocument doc;
    ConfigNode* a = doc.appendTopLevel(element(u"a"));
    a->setAttribute(u"k", u"v");
    a->appendChild(element(u"b"))->setText(u"t");
    EXPECT_EQ(doc.serialize(), u"\r\n<a k=\"v\">\r\n\t<b>t</b>\r\n</a>");
}

TEST(MarkupWriterTest, LayoutRules) {
    ConfigDocument doc;
    EXPECT_EQ(doc.serialize(), u"");

    doc.appendTopLevel(textNode(u"lead"));
    ConfigNode* top = doc.appendTopLevel(element(u"top"));
    top->setAttribute(u"z", u"");
    top->setAttribute(u"a", u"1");
    top->appendChild(element(u"empty"));
    ConfigNode* mixed = top->appendChild(element(u"mixed"));
    mixed->appendChild(textNode(u"x"));
    mixed->appendChild(element(u"in"));
    mixed->appendChild(textNode(u"y"));
    ConfigNode* textLater = top->appendChild(element(u"later"));
    textLater->appendChild(element(u"e"));
    textLater->appendChild(textNode(u"t"));
    doc.appendTopLevel(element(u""));
    doc.appendTopLevel(std::make_unique<ConfigNode>(u"stray", NodeKind::EndTag));

    EXPECT_EQ(doc.serialize(),
              u"lead"
              u"\r\n<top a=\"1\" z=\"\">"
              u"\r\n\t<empty></empty>"
              u"\r\n\t<mixed>x\r\n\t\t<in></in>y</mixed>"
              u"\r\n\t<later>\r\n\t\t<e></e>t\r\n\t</later>"
              u"\r\n</top>"
              u"\r\n<></>"
              u"\r\n<stray></stray>");
}

TEST(MarkupWriterTest, EscapesNamesAttributesAndText) {
    ConfigNode node(u"a<b", NodeKind::Element);
    node.setAttribute(u"q\"", u"<\"&amp;\">");
    node.setText(u"1 < 2 & \"3\" > &lt;");
    std::u16string out = u"keep:";
    node.write(out, 2);
    EXPECT_EQ(out,
              u"keep:\r\n\t\t<a&lt;b q&quot;=\"&lt;&quot;&amp;&quot;&gt;\">"
              u"1 &lt; 2 & &quot;3&quot; &gt; &lt;</a&lt;b>");
}

TEST(MarkupWriterTest, LongTextsEscapeLikeShortOnes) {
    // Long enough to cross the writer's internal pieces, dense in specials.
    for (std::u16string_view pattern : {u"\"", u"ab<cdefghij>klmnopq\"", u"plain text "}) {
        std::u16string text;
        while (text.size() < 20000) {
            text += pattern;
        }
        std::u16string expected;
        for (char16_t c : text) {
            expected += c == u'<'   ? u"&lt;"
                        : c == u'>' ? u"&gt;"
                        : c == u'"' ? u"&quot;"
                                    : std::u16string(1, c);
        }
        ConfigNode node(u"e", NodeKind::Element);
        node.setAttribute(u"a", text);
        node.setText(text);
        std::u16string out;
        node.write(out, 0);
        EXPECT_TRUE(out == u"\r\n<e a=\"" + expected + u"\">" + expected + u"</e>");
        EXPECT_TRUE(unescapeMarkup(expected) == text);
    }
}

TEST(MarkupWriterTest, WriteStopsAtNodeWriteListGoesOn) {
    ConfigNode parent;
    ConfigNode* first = parent.appendChild(element(u"one"));
    first->appendChild(element(u"deep"));
    parent.appendChild(element(u"two"));
    parent.appendChild(textNode(u"three"));

    std::u16string single;
    first->write(single, 1);
    EXPECT_EQ(single, u"\r\n\t<one>\r\n\t\t<deep></deep>\r\n\t</one>");
    std::u16string list;
    first->writeList(list, 0);
    EXPECT_EQ(list, u"\r\n<one>\r\n\t<deep></deep>\r\n</one>\r\n<two></two>three");
    std::u16string text;
    parent.firstChild->nextSibling->nextSibling->write(text, 5);
    EXPECT_EQ(text, u"three");
}

// The UTF-8 a file is saved with must equal the markup text encoded whole,
// surrogates included: a pair split between two adjacent text nodes joins,
// and a lone half becomes U+FFFD wherever it stands.
TEST(MarkupWriterTest, Utf8OutputEqualsTheEncodedText) {
    const std::u16string_view pieces[] = {u"a",
                                          u"<",
                                          u">",
                                          u"\"",
                                          u"&",
                                          u"a run of plain ASCII words",
                                          u"\u00e9",
                                          u"\u6587\u672c",
                                          u"\U0001F600",
                                          std::u16string_view(u"\xD83D", 1),
                                          std::u16string_view(u"\xDE00", 1)};
    std::mt19937 random(7);
    const auto someText = [&] {
        std::u16string text;
        for (int n = random() % 6; n > 0; --n) {
            text += pieces[random() % std::size(pieces)];
        }
        return text;
    };
    for (int i = 0; i < 5000; ++i) {
        ConfigDocument doc;
        ConfigNode* top = doc.appendTopLevel(element(someText()));
        for (int n = random() % 5; n > 0; --n) {
            ConfigNode* child =
                top->appendChild(random() % 2 ? textNode(someText()) : element(someText()));
            if (child->kind == NodeKind::Element) {
                child->setAttribute(someText(), someText());
                child->appendChild(textNode(someText()));
            }
        }
        const std::u16string text = doc.serialize();
        std::string expected(3 * text.size(), '\0');
        expected.resize(encodeUtf8(text, expected.data()));
        std::vector<std::uint8_t> bytes{'x'};
        doc.root->writeListUtf8(bytes, 0);
        ASSERT_EQ(std::string(bytes.begin() + 1, bytes.end()), expected) << i;
    }
}

TEST(MarkupWriterTest, TenThousandLevelsDeep) {
    constexpr int depth = 10000;
    ConfigDocument doc;
    ConfigNode* cursor = doc.appendTopLevel(element(u"n"));
    for (int i = 1; i < depth; ++i) {
        cursor = cursor->appendChild(element(u"n"));
    }
    cursor->setText(u"leaf");
    std::u16string out = doc.serialize();

    // Each level but the innermost writes its start and end tag on a line of
    // its own, indented by its level; the innermost keeps its end tag.
    std::size_t tabs = std::size_t{depth} * (depth - 1) - (depth - 1);
    std::size_t expected = tabs + 11 * (depth - 1) + 13;
    EXPECT_EQ(out.size(), expected);
    std::u16string innermost = u"\r\n" + std::u16string(depth - 1, u'\t') + u"<n>leaf</n>\r\n" +
                               std::u16string(depth - 2, u'\t') + u"</n>";
    EXPECT_NE(out.find(innermost), std::u16string::npos);
    EXPECT_TRUE(out.ends_with(u"\r\n\t</n>\r\n</n>"));
}

TEST(MarkupWriterTest, MillionSiblings) {
    ConfigDocument doc;
    ConfigNode* list = doc.appendTopLevel(element(u"l"));
    std::unique_ptr<ConfigNode>* slot = &list->firstChild;
    for (int i = 0; i < 1000000; ++i) {
        *slot = element(u"s");
        (*slot)->parent = list;
        slot = &(*slot)->nextSibling;
    }
    std::u16string out = doc.serialize();
    EXPECT_EQ(out.size(), 5 + 1000000 * std::u16string_view(u"\r\n\t<s></s>").size() + 6);
    EXPECT_TRUE(out.starts_with(u"\r\n<l>\r\n\t<s></s>\r\n\t<s></s>"));
}

}  // namespace
}  // namespace tnk
