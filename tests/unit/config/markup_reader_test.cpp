#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "config/avx2.h"
#include "config/config_document.h"
#include "platform/utf8_codec.h"
#include "reference_reader.h"
#include "tree_helpers.h"

namespace tnk {
namespace {

using testing::dump;
using testing::sameTree;

std::string parsed(std::u16string_view text) {
    ConfigDocument doc;
    doc.parse(text);
    return dump(doc);
}

TEST(MarkupReaderTest, ElementsAttributesAndText) {
    EXPECT_EQ(parsed(u""), "");
    EXPECT_EQ(parsed(u"\r\n<a k=\"v\">\r\n\t<b>t</b>\r\n</a>"), "E(a){k=v}[E(b)[T(t)]]");
    EXPECT_EQ(parsed(u"<a z=\"2\" a=\"1\" a=\"3\"></a>"), "E(a){a=3 z=2}");
    EXPECT_EQ(parsed(u"<a>  lead and trail  </a>"), "E(a)[T(lead and trail  )]");
    EXPECT_EQ(parsed(u"<a> \r\n\t </a>"), "E(a)");
    EXPECT_EQ(parsed(u"<a>x<b/>y<c>z</c> w </a>"), "E(a)[T(x),E(b/),T(y),E(c)[T(z)],T(w )]");
    EXPECT_EQ(parsed(u"<a>x</a>  "), "E(a)[T(x)],T()");
    EXPECT_EQ(parsed(u"  text  "), "T(text  )");
}

TEST(MarkupReaderTest, Entities) {
    EXPECT_EQ(parsed(u"<a&lt;b k&lt;=\"&quot;&gt;&amp;\">&lt;x&gt; &amp; &quot;</a&gt;>"),
              "E(a<b){k&lt;=\">&amp;}[T(<x> &amp; \")]");
}

TEST(MarkupReaderTest, MalformedInputBecomesNodes) {
    EXPECT_EQ(parsed(u"<?xml version=\"1.0\"?><a/>"), "E(),E(a/)");
    EXPECT_EQ(parsed(u"<?xml never closed"), "E()");
    EXPECT_EQ(parsed(u"<?XML x?>"), "E(?XML)");
    EXPECT_EQ(parsed(u"<!-- note --><a></a>"), "E(!--)[E(a)]");
    EXPECT_EQ(parsed(u"</x></y>z"), "X(x),X(y),T(z)");
    EXPECT_EQ(parsed(u"<a><b></a>c</b>"), "E(a)[E(b),T(c)]");
    EXPECT_EQ(parsed(u"<a />"), "E(a)");
    EXPECT_EQ(parsed(u"<a/>"), "E(a/)");
    EXPECT_EQ(parsed(u"<a x=1/>"), "E(a)");
    EXPECT_EQ(parsed(u"<a k = \"v\" w k2=\"v2\" =\"q\" u='s'></a>"), "E(a){k2=v2}");
    EXPECT_EQ(parsed(u"<a k=\"open"), "E(a)");
    EXPECT_EQ(parsed(u"<a k=\"v\""), "E(a){k=v}");
    EXPECT_EQ(parsed(u"<a><b>unclosed"), "E(a)[E(b)[T(unclosed)]]");
    EXPECT_EQ(parsed(u"<"), "E()");
    EXPECT_EQ(parsed(u"</"), "X()");
    EXPECT_EQ(parsed(u"<a>\u00A0x</a>"), "E(a)[T(?x)]");
}

TEST(MarkupReaderTest, TextEndsAtFirstZero) {
    std::u16string text = u"<a>kept</a>";
    text += u'\0';
    text += u"<b>ignored</b>";
    EXPECT_EQ(parsed(text), "E(a)[T(kept)]");
    std::u16string inTag = u"<a k=\"v";
    inTag += u'\0';
    inTag += u"\"></a>";
    EXPECT_EQ(parsed(inTag), "E(a)");
}

TEST(MarkupReaderTest, ParseReplacesTreeButKeepsPath) {
    ConfigDocument doc;
    doc.path = u"cfg";
    doc.parse(u"<a/>");
    doc.parse(u"<b></b>");
    EXPECT_EQ(dump(doc), "E(b)");
    doc.parse(u"");
    EXPECT_EQ(doc.root, nullptr);
    EXPECT_EQ(doc.path, u"cfg");
}

TEST(MarkupReaderTest, RoundTrips) {
    const char16_t* documents[] = {
        u"\r\n<option autowrap=\"0\" filter=\"1\" hideoc=\"1\"></option>"
        u"\r\n<depository>\r\n\t<group name=\"G &lt;1&gt;\">"
        u"\r\n\t\t<record addtime=\"2026\" title=\"&quot;T&quot;\">line1\r\nline2 &lt;b&gt; & "
        u"more</record>"
        u"\r\n\t</group>\r\n</depository>\r\n<win>0123456789abcdef0123456789abcdef</win>",
        u"\r\n<a>\r\n\t<b></b>\r\n\t<c>x</c>\r\n</a>",
    };
    for (const char16_t* text : documents) {
        ConfigDocument doc;
        doc.parse(text);
        EXPECT_EQ(doc.serialize(), text);
    }

    // Text typed as an entity reads back decoded; mixed content gains the
    // writer's line breaks; a declaration comes back as "<></>".
    ConfigDocument doc;
    ConfigNode* a = doc.appendTopLevel(testing::element(u"a"));
    a->appendChild(testing::textNode(u"&lt;x"));
    a->appendChild(testing::element(u"b"));
    ConfigDocument again;
    again.parse(doc.serialize());
    EXPECT_EQ(dump(again), "E(a)[T(<x\r\n\t),E(b)]");
    again.parse(u"<?xml version=\"1.0\"?>\r\n<r/>");
    EXPECT_EQ(again.serialize(), u"\r\n<></>\r\n<r/></r/>");
}

// Random markup from a small alphabet of the characters that matter, checked
// against the plain recursive reader.
TEST(MarkupReaderTest, AgreesWithRecursiveReader) {
    const std::u16string_view pieces[] = {
        u"<",  u">",       u"/",   u"</",   u"<?xml",
        u"?>", u"=",       u"\"",  u" ",    u"\r\n",
        u"\t", u"a",       u"b",   u"&lt;", u"&quot;",
        u"&",  u"x=\"1\"", u"<a>", u"</a>", std::u16string_view(u"\0", 1)};
    std::mt19937 random(1234);
    for (int i = 0; i < 30000; ++i) {
        std::u16string text;
        int count = random() % 24;
        for (int j = 0; j < count; ++j) {
            text += pieces[random() % std::size(pieces)];
        }
        ConfigDocument fast;
        fast.parse(text);
        ConfigDocument slow;
        reference::parse(slow, text);
        ASSERT_TRUE(sameTree(fast.root.get(), slow.root.get())) << dump(fast) << "\n" << dump(slow);
    }
}

// The bytes of a saved file are read without their UTF-16 form; that must
// give the tree of the decoded text, also for bytes that are not UTF-8 and
// for runs long enough for the sixteen-byte scans.
TEST(MarkupReaderTest, ReadingUtf8EqualsReadingTheDecodedText) {
    const std::string_view pieces[] = {"<",
                                       ">",
                                       "</",
                                       "<?xml",
                                       "?>",
                                       "=",
                                       "\"",
                                       " ",
                                       "\r\n\t",
                                       "a",
                                       "&lt;",
                                       "&quot;",
                                       "&",
                                       "x=\"1\"",
                                       "<a>",
                                       "</a>",
                                       std::string_view("\0", 1),
                                       "plain words of an ASCII run",
                                       "\xC3\xA9t\xD0\xB4",         // two-byte characters
                                       "\xE6\x96\x87\xE6\x9C\xAC",  // two CJK characters
                                       "\xF0\x9F\x98\x80",          // beyond the BMP
                                       "\x80",                      // stray continuation
                                       "\xE6\x96",                  // truncated sequence
                                       "\xC0\xBC",                  // overlong "<"
                                       "\xED\xA0\x80",              // an encoded surrogate
                                       "\xFF"};
    std::mt19937 random(99);
    for (int i = 0; i < 30000; ++i) {
        std::string bytes;
        int count = random() % 28;
        for (int j = 0; j < count; ++j) {
            bytes += pieces[random() % std::size(pieces)];
        }
        std::u16string text(bytes.size(), u'\0');
        text.resize(decodeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                               text.data()));
        ConfigDocument direct;
        direct.parseUtf8(bytes);
        ConfigDocument decoded;
        decoded.parse(text);
        ASSERT_TRUE(sameTree(direct.root.get(), decoded.root.get())) << dump(direct) << "\n"
                                                                     << dump(decoded);
    }
}

// Long runs of text and attribute values go through the AVX2 decoder where the
// processor has one; it must give the plain code's tree for any bytes, wherever
// a character falls against its 64-byte steps.
TEST(MarkupReaderTest, Avx2DecoderEqualsThePlainCode) {
    if (!useMarkupAvx2Decoding(true)) {
        GTEST_SKIP() << "no AVX2 on this processor";
    }
    const std::string_view pieces[] = {"plain words ",
                                       "x",
                                       "\r\n\t",
                                       "&lt;",
                                       "&gt;",
                                       "&quot;",
                                       "& ",
                                       "&l",
                                       "&quot",
                                       "\xC3\xA9",                  // two-byte characters
                                       "\xC2\x80\xDF\xBF",          // their smallest and largest
                                       "\xE6\x96\x87\xE6\x9C\xAC",  // CJK
                                       "\xE0\xA0\x80\xED\x9F\xBF\xEF\xBF\xBF",  // three-byte edges
                                       "\xF0\x9F\x98\x80",                      // beyond the BMP
                                       "\x80",
                                       "\xBF\xBF",
                                       "\xE6\x96",
                                       "\xC3",
                                       "\xC0\xBC",
                                       "\xC1\x81",
                                       "\xE0\x80\x80",
                                       "\xED\xA0\x80",
                                       "\xF4\x90\x80\x80",
                                       "\xFE\xFF"};
    std::mt19937 random(7);
    auto run = [&](bool inValue) {
        std::string bytes;
        const int count = random() % 3 == 0 ? random() % 8 : random() % 120;
        for (int j = 0; j < count; ++j) {
            bytes += pieces[random() % std::size(pieces)];
        }
        if (inValue) {
            std::replace(bytes.begin(), bytes.end(), '"', '\'');
        }
        return bytes;
    };
    for (int i = 0; i < 4000; ++i) {
        const std::string bytes = "<r a=\"" + run(true) + "\" b=\"" + run(true) + "\">" +
                                  run(false) + "<s>" + run(false) + "</s></r>" + run(false);
        ConfigDocument vector, plain;
        ASSERT_TRUE(useMarkupAvx2Decoding(true));
        vector.parseUtf8(bytes);
        ASSERT_TRUE(useMarkupAvx2Decoding(false));
        plain.parseUtf8(bytes);
        ASSERT_TRUE(sameTree(vector.root.get(), plain.root.get())) << i;
    }
    useMarkupAvx2Decoding(true);
}

// A document read node by node with ConfigNode::read, the way parse is
// defined, is the document parse reads.
TEST(MarkupReaderTest, ReadingNodeByNodeEqualsParse) {
    const std::u16string_view pieces[] = {u"<",    u">",  u"</",      u"<?xml", u"?>",
                                          u"=",    u"\"", u" ",       u"\r\n",  u"a",
                                          u"&lt;", u"&",  u"x=\"1\"", u"<a>",   u"</a>"};
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        std::u16string text;
        for (int n = random() % 20; n > 0; --n) {
            text += pieces[random() % std::size(pieces)];
        }
        ConfigDocument stepwise;
        for (const char16_t* at = text.c_str(); *at != 0;) {
            auto node = std::make_unique<ConfigNode>();
            at = node->read(at);
            stepwise.appendTopLevel(std::move(node));
        }
        ConfigDocument whole;
        whole.parse(text);
        ASSERT_TRUE(sameTree(stepwise.root.get(), whole.root.get())) << dump(stepwise) << "\n"
                                                                     << dump(whole);
    }
}

TEST(MarkupReaderTest, ReadingSteps) {
    const std::u16string text = u"<a k=\"v\" bad x=y>t&lt;<b/></z> tail";
    ConfigNode element;
    const char16_t* after = element.readElement(text.c_str());
    EXPECT_EQ(std::u16string_view(after), u" tail") << "any end tag closes the element";
    EXPECT_EQ(element.name, u"a");
    EXPECT_EQ(*element.attribute(u"k"), u"v");
    EXPECT_EQ(element.attributes.size(), 1u);
    ASSERT_NE(element.firstChild, nullptr);
    EXPECT_EQ(element.firstChild->name, u"t<");
    EXPECT_EQ(element.firstChild->parent, &element);
    EXPECT_EQ(element.firstChild->nextSibling->name, u"b/");

    ConfigNode text1;
    EXPECT_EQ(std::u16string_view(text1.readText(u"x &quot;y\" <z>")), u"<z>");
    EXPECT_EQ(text1.kind, NodeKind::Text);
    EXPECT_EQ(text1.name, u"x \"y\" ");

    ConfigNode end;
    EXPECT_EQ(std::u16string_view(end.readEndTag(u"</n&gt; x>rest")), u" x>rest");
    EXPECT_EQ(end.kind, NodeKind::EndTag);
    EXPECT_EQ(end.name, u"n>");

    ConfigNode attributes;
    EXPECT_EQ(std::u16string_view(attributes.readAttributes(u" p=\"1\" q = \"2\">c")), u">c");
    EXPECT_EQ(attributes.attributes.size(), 1u);

    ConfigNode content;
    content.appendChild(std::make_unique<ConfigNode>(u"first", NodeKind::Element));
    EXPECT_EQ(std::u16string_view(content.readContent(u"  <s>1</s> two </x>after")), u"after");
    EXPECT_EQ(dump(&content), "E()[E(first),E(s)[T(1)],T(two )]");

    ConfigNode atEnd;
    EXPECT_EQ(*atEnd.read(u"  "), 0);
    EXPECT_EQ(atEnd.kind, NodeKind::Text) << "white space alone reads as empty text";
    EXPECT_EQ(atEnd.name, u"");
}

TEST(MarkupReaderTest, MillionLevelsDeep) {
    constexpr int depth = 1000000;
    std::u16string text;
    text.reserve(depth * 7 + 4);
    for (int i = 0; i < depth; ++i) {
        text += u"<n k=\"1\">";
    }
    text += u"leaf";
    for (int i = 0; i < depth; ++i) {
        text += i % 2 ? u"</n>" : u"</>";
    }
    ConfigDocument doc;
    doc.parse(text);
    const ConfigNode* node = doc.root.get();
    int levels = 0;
    for (; node->firstChild && node->firstChild->kind == NodeKind::Element; ++levels) {
        ASSERT_EQ(node->firstChild->parent, node);
        node = node->firstChild.get();
    }
    EXPECT_EQ(levels + 1, depth);
    EXPECT_EQ(*node->text(), u"leaf");
    EXPECT_EQ(doc.root->nextSibling, nullptr);

    // Unclosed all the way down is just as fine.
    doc.parse(std::u16string_view(text).substr(0, text.find(u"leaf")));
    doc.clear();
}

TEST(MarkupReaderTest, MillionSiblings) {
    std::u16string text = u"\r\n<list>";
    for (int i = 0; i < 1000000; ++i) {
        text += u"\r\n\t<s i=\"1\">v</s>";
    }
    text += u"\r\n</list>";
    ConfigDocument doc;
    doc.parse(text);
    int count = 0;
    for (const ConfigNode* s = doc.select(u"list@s"); s; s = s->select(u"#s")) {
        ++count;
    }
    EXPECT_EQ(count, 1000000);
    EXPECT_TRUE(doc.serialize() == text);  // no diff of 38 MB strings on failure
}

}  // namespace
}  // namespace tnk
