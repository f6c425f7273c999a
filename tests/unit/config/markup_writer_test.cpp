#include <gtest/gtest.h>

#include <random>

#include "config/avx2.h"
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
std::string encodedWhole(const ConfigDocument& doc) {
    const std::u16string text = doc.serialize();
    std::string bytes(3 * text.size(), '\0');
    bytes.resize(encodeUtf8(text, bytes.data()));
    return bytes;
}

// The encoders to check: the plain one, and the AVX2 one where the processor has it.
std::vector<bool> encoders() {
    return useMarkupAvx2Encoding(true) ? std::vector<bool>{false, true} : std::vector<bool>{false};
}

class EncoderChoice {
  public:
    explicit EncoderChoice(bool avx2) { useMarkupAvx2Encoding(avx2); }
    ~EncoderChoice() { useMarkupAvx2Encoding(true); }
};

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
    for (bool avx2 : encoders()) {
        SCOPED_TRACE(avx2 ? "AVX2" : "plain");
        EncoderChoice choice(avx2);
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
            std::vector<std::uint8_t> bytes{'x'};
            doc.root->writeListUtf8(bytes, 0);
            ASSERT_EQ(std::string(bytes.begin() + 1, bytes.end()), encodedWhole(doc)) << i;
        }
    }
}

// The encoders on their own, against the text escaped and then encoded: runs of
// every kind of unit, long and short, so that each kind meets every position of the
// 8- and 16-unit steps and every way a step can end.
TEST(MarkupWriterTest, EncodersEqualTheEscapedTextEncoded) {
    const std::vector<char16_t> units = {
        u'a',   u'Z',   u' ',   u'\r',  u'<',   u'>',   u'"',   u'&',   0x007F, 0x0080, 0x00E9,
        0x07FF, 0x0800, 0x6587, 0xD7FF, 0xE000, 0xFFFD, 0xFFFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF};
    std::mt19937 random(11);
    const auto someUnits = [&] {
        std::u16string text;
        const std::size_t length = random() % 4 == 0 ? random() % 20 : random() % 90;
        while (text.size() < length) {
            // Runs of one kind of unit, so that whole steps of ASCII or of wide
            // characters occur, with odd units among them.
            const char16_t unit = units[random() % units.size()];
            text.append(random() % 3 == 0 ? 1 + random() % 40 : 1, unit);
            if (random() % 4 == 0) {
                text += u"\U0001F600";
            }
        }
        return text;
    };
    for (int i = 0; i < 50000; ++i) {
        const std::u16string text = someUnits();
        std::string expected(6 * text.size(), '\0');
        expected.resize(encodeUtf8(escapeMarkup(text), expected.data()));
        const auto encoder = i % 2 ? markup::escapeUtf8 : markup::escapeUtf8Avx2;
        if (encoder == markup::escapeUtf8Avx2 && !useMarkupAvx2Encoding(true)) {
            continue;
        }
        std::vector<std::uint8_t> out(6 * text.size() + markup::kEncodeSlack, 0xAA);
        const std::uint8_t* const begin = out.data();
        const std::uint8_t* end = encoder(text.data(), text.data() + text.size(), out.data());
        ASSERT_EQ(std::string(begin, end), expected) << i;
    }
}

// A room that gives exactly what is asked, in a buffer whose bytes past that show
// whether the writer wrote where it had not asked to.
class TightRoom final : public ByteRoom {
  public:
    std::span<std::uint8_t> room(std::size_t written, std::size_t size) override {
        checkUntouched();
        ++requests;
        if (bytes.size() < written + size + kGuard) {
            bytes.resize(2 * (written + size + kGuard), kUnused);
        }
        given = written + size;
        return {bytes.data(), given};
    }
    void checkUntouched() const {
        for (std::size_t i = given; i < given + kGuard; ++i) {
            ASSERT_EQ(bytes[i], kUnused) << "written at " << i << " of " << given;
        }
    }

    static constexpr std::size_t kGuard = 64;
    static constexpr std::uint8_t kUnused = 0xFE;  // never in UTF-8
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kGuard, kUnused);
    std::size_t given = 0;
    int requests = 0;
};

// Long texts are written in slices; a pair of surrogates on the edge of a slice,
// quotation marks that make six bytes of one unit, and a room that gives no more
// than asked must not change a byte.
TEST(MarkupWriterTest, LongTextsInRoomThatGivesOnlyWhatIsAsked) {
    std::u16string text;
    for (int i = 0; i < 5000; ++i) {
        text += u"words \"\u6587\u672c\" <\U0001F600> ";
    }
    std::u16string lone = text;
    for (std::size_t at : {16383u, 16384u, 32767u, 40000u}) {
        lone[at] = 0xD83D;  // a high surrogate before an ordinary unit
    }
    for (bool avx2 : encoders()) {
        SCOPED_TRACE(avx2 ? "AVX2" : "plain");
        EncoderChoice choice(avx2);
        for (std::size_t shift = 0; shift < 16; ++shift) {
            ConfigDocument doc;
            ConfigNode* top = doc.appendTopLevel(element(u"top"));
            top->setAttribute(u"value", std::u16string(shift, u'"') + text);
            top->appendChild(textNode(std::u16string(shift, u'x') + text));
            top->appendChild(textNode(lone.substr(shift)));
            top->appendChild(textNode(u"\xD83D"));  // ended as U+FFFD by the next line
            top->appendChild(element(u"e"))->setText(std::u16string(100000, u'"'));
            TightRoom room;
            const std::size_t end = doc.root->writeListUtf8(room, 1, 0);
            room.checkUntouched();
            EXPECT_GT(room.requests, 10);
            ASSERT_EQ(std::string(room.bytes.begin() + 1, room.bytes.begin() + end),
                      encodedWhole(doc))
                << shift;
        }
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
