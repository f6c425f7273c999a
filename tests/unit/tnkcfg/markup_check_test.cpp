// Hand-edited markup: pack refuses what would not read back the same after a
// save, naming the line, and accepts the rest unchanged.
#include <algorithm>
#include <random>
#include <string>

#include "config/config_document.h"
#include "config/config_file.h"
#include "markup_check.h"
#include "markup_scan.h"
#include "tool_fixture.h"

namespace tnk {
namespace {

using testing::ToolTest;
namespace stdfs = std::filesystem;

class PackCheck : public ToolTest {
  protected:
    int pack(const std::string& markup) {
        put("source.xml", markup);
        stdfs::remove(folder / "tnk.cfg");
        return run({u"pack", at("source.xml"), u"--exe", at("old.exe"), u"-o", at("tnk.cfg")});
    }

    // The markup the program reads from the packed file.
    std::u16string packed() {
        const auto key = deriveKeyFromFile(at("old.exe"), systemFileSystem());
        ConfigDocument doc;
        if (!doc.load(at("tnk.cfg"), key, systemFileSystem()))
            return u"<unreadable>";
        return doc.serialize();
    }
};

std::string nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<a>\n";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    return text;
}

TEST_F(PackCheck, RefusesWhatWouldNotReadBackTheSameNamingTheLine) {
    struct Case {
        std::string markup;
        int line;
        std::string says;
    };
    const Case cases[] = {
        {"<depository>\n\t<group name=\"a\">\n\t\t<x/>\n\t\t<record title=\"t\">c</record>"
         "\n\t</group>\n</depository>",
         3, "<x/> is read as an element named \"x/\""},
        {"<a>\n<b/ >\n</b/>\n</a>", 2, "<b/> is read as an element named \"b/\""},
        {"<a>\n<!-- a note -->\n</a>", 2, "<!-- ...> is read as an element"},
        {"<a>\n<b>text<c></c></b>\n</a>", 2,
         "the text \"text\" stands beside other elements in <b>"},
        {"<a><b></b>\ntail</a>", 2, "beside other elements in <a>"},
        {"<a></a>\n\njunk", 3, "the text \"junk\" stands outside any element"},
        {"<a>\n<b>x</c>\n</a>", 2, "</c> closes <b> of line 2"},
        {"<language>\n<english></english>\n<depository></depository>", 1,
         "<language> is never closed"},
        {"<a></a>\n</zz>", 2, "</zz> closes no element"},
        {"<a>\n<b c\"d=\"1\"></b></a>", 2, "the attribute name \"c\"d\""},
        {"<a>ok</a>\n<b>\xE9t\xE9</b>", 2, "byte 0xE9 is not UTF-8"},
        {std::string("<a>\n\n<b>x\0y</b></a>", 20), 3, "zero byte"},
        {std::string("\xFF\xFE<\0a\0>\0", 8), 1, "byte 0xFF is not UTF-8"},
        {nested(300), 257, "more than 256 elements deep"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pack(c.markup), 1) << c.markup;
        EXPECT_NE(err.find("line " + std::to_string(c.line) + ": "), std::string::npos) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(stdfs::exists(folder / "tnk.cfg"));
    }
    EXPECT_EQ(std::distance(stdfs::directory_iterator(folder), stdfs::directory_iterator()), 3);
}

TEST_F(PackCheck, AMillionOpenElementsAreRefusedWithoutHarm) {
    std::string markup;
    for (int i = 0; i < 1'000'000; ++i)
        markup += "<a>";
    EXPECT_EQ(pack(markup), 1);
    EXPECT_NE(err.find("line 1: <a> lies more than 256 elements deep"), std::string::npos) << err;
}

TEST_F(PackCheck, AcceptsHandEditsThatReadBackTheSame) {
    const std::string accepted[] = {
        "<a />\r\n<b x=\"1\"/>\n",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>x</a>\n",
        "\xEF\xBB\xBF<a>  &lt;b&gt; &amp; &quot;q&quot; \xEF\xBF\xBD \xF0\x9F\x98\x80</a>",
        "<a v=\"<i>&lt;\"></a><a&lt;b>x</a&lt;b>",
        "<depository>\n  <group name=\"News\">\n    <record title=\"t\" source=\"s\" remark=\"\" "
        "addtime=\"2007-05-01 09:05:07\">one\ntwo</record>\n    <record title=\"u\"></record>\n"
        "  </group>\n  <group name=\"Empty\"></group>\n</depository>\n\n",
    };
    for (const std::string& markup : accepted) {
        ASSERT_EQ(pack(markup), 0) << err;
        std::string_view text = markup;
        if (text.rfind("\xEF\xBB\xBF", 0) == 0)
            text.remove_prefix(3);
        ConfigDocument source;
        source.parseUtf8(text);
        const std::u16string read = packed();
        // What the program reads is the source's tree, then "win".
        EXPECT_EQ(read.substr(0, read.rfind(u"\r\n<win>")), source.serialize()) << markup;
        // And it stays so through a save and a load.
        ConfigDocument again;
        again.parse(read);
        EXPECT_EQ(again.serialize(), read);
    }
    ConfigDocument doc;
    doc.parse(packed());
    EXPECT_NE(doc.select(u"depository@group@record#record"), nullptr);
}

// The scanner must meet the nodes exactly where the reader does, or the lines
// in the messages are wrong. Texts made of the pieces that steer the reader.
TEST(MarkupScan, MeetsEveryNodeWhereTheReaderDoes) {
    const char* const pieces[] = {"<",  ">",     "/",  "</",   "a", "b",   " ",    "\n", "=",
                                  "\"", "<?xml", "?>", "&lt;", "x", "<a>", "</a>", "/>"};
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            text += pieces[random() % std::size(pieces)];
        ConfigDocument doc;
        doc.parseUtf8(text);
        const MarkupScan scan = scanMarkup(text);

        std::vector<std::pair<const ConfigNode*, std::size_t>> nodes;
        std::vector<std::pair<const ConfigNode*, std::size_t>> todo;
        for (const ConfigNode* n = doc.root.get(); n; n = n->nextSibling.get())
            todo.emplace_back(n, 0);
        std::reverse(todo.begin(), todo.end());
        while (!todo.empty()) {
            const auto [node, depth] = todo.back();
            todo.pop_back();
            nodes.emplace_back(node, depth);
            std::vector<std::pair<const ConfigNode*, std::size_t>> children;
            for (const ConfigNode* c = node->firstChild.get(); c; c = c->nextSibling.get())
                children.emplace_back(c, depth + 1);
            todo.insert(todo.end(), children.rbegin(), children.rend());
        }
        ASSERT_EQ(scan.nodes.size(), nodes.size()) << text;
        const auto decodedFrom = [&](std::size_t at, const char* stops) {
            const std::size_t end = std::min(text.find_first_of(stops, at), text.size());
            return unescapeMarkup(utf8ToUtf16(text.substr(at, end - at)));
        };
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const auto& [node, depth] = nodes[i];
            const std::size_t at = scan.nodes[i].offset;
            ASSERT_EQ(scan.nodes[i].kind, node->kind) << text;
            ASSERT_EQ(scan.nodes[i].depth, depth) << text;
            if (node->kind == NodeKind::Text) {
                ASSERT_EQ(decodedFrom(at, "<"), node->name) << text;
            } else if (node->kind == NodeKind::EndTag) {
                ASSERT_EQ(text.compare(at, 2, "</"), 0) << text;
            } else if (text.compare(at, 5, "<?xml") != 0) {
                ASSERT_EQ(decodedFrom(at + 1, "> \n"), node->name) << text;
            }
        }
        // Every node then has its line.
        const SourceLines lines(text, doc);
        for (const auto& [node, depth] : nodes)
            ASSERT_NE(lines.lineOf(*node), 0u) << text;
    }
}

}  // namespace
}  // namespace tnk
