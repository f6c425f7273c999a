// The markup reader and writer on a document shaped like a large depository:
// groups of records with four attributes and a few KB of text each, about
// 50 MB in UTF-8. Every benchmark reports bytes of that UTF-8 form per
// second, so the figures compare whatever the input encoding. pugixml, when
// present, reads the same document as UTF-8 (its native form, copying and in
// place) and as the UTF-16 text our reader gets.
#include <benchmark/benchmark.h>

#include <ctime>
#include <random>
#include <string>

#include "config/config_document.h"

#ifdef TARNWICK_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

using tnk::ConfigDocument;
using tnk::ConfigNode;
using tnk::NodeKind;

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct Corpus {
    std::u16string text;  // as the writer makes it
    std::string utf8;     // the same document as the file holds it

    Corpus() {
        std::mt19937 random(42);
        const std::u16string words[] = {
            u"capture", u"depository",    u"element",      u"the",   u"of",
            u"Frame",   u"\u00E9t\u00E9", u"\u6587\u672C", u"x < y", u"\"quoted\"",
            u"A & B",   u"2026",          u"\r\n",         u"page"};
        ConfigDocument doc;
        ConfigNode* depository =
            doc.appendTopLevel(std::make_unique<ConfigNode>(u"depository", NodeKind::Element));
        std::size_t chars = 0;
        for (int g = 0; chars < 47'000'000; ++g) {
            ConfigNode* group =
                depository->appendChild(std::make_unique<ConfigNode>(u"group", NodeKind::Element));
            group->setAttribute(u"name", u"Group " + std::u16string(1, u'A' + g % 26));
            for (int r = 0; r < 800 && chars < 47'000'000; ++r) {
                ConfigNode* record =
                    group->appendChild(std::make_unique<ConfigNode>(u"record", NodeKind::Element));
                record->setAttribute(u"addtime", u"2026-12-08 19:05:07");
                record->setAttribute(u"remark", r % 3 ? u"" : u"checked <twice>");
                record->setAttribute(u"source", u"http://example.org/page?id=12&part=3");
                record->setAttribute(u"title", u"Record title number " + words[r % 14]);
                std::u16string content;
                std::size_t length = 1500 + random() % 3000;
                while (content.size() < length) {
                    content += words[random() % 14];
                    content += u' ';
                }
                record->setText(content);
                chars += content.size() + 150;
            }
        }
        text = doc.serialize();
        utf8 = toUtf8(text);
    }
};

const Corpus& corpus() {
    static const Corpus instance;
    return instance;
}

void reportBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus().utf8.size()));
    state.counters["MB"] = static_cast<double>(corpus().utf8.size()) / 1e6;
}

void BM_MarkupRead(benchmark::State& state) {
    const std::u16string& text = corpus().text;
    for (auto _ : state) {
        ConfigDocument doc;
        doc.parse(text);
        benchmark::DoNotOptimize(doc.root.get());
    }
    reportBytes(state);
}
BENCHMARK(BM_MarkupRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MarkupWrite(benchmark::State& state) {
    ConfigDocument doc;
    doc.parse(corpus().text);
    for (auto _ : state) {
        std::u16string out = doc.serialize();
        benchmark::DoNotOptimize(out.data());
    }
    reportBytes(state);
}
BENCHMARK(BM_MarkupWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// Into a buffer kept from the previous run, as a program that saves often
// would: the writer's own cost without the page faults of a fresh buffer.
void BM_MarkupWriteReused(benchmark::State& state) {
    ConfigDocument doc;
    doc.parse(corpus().text);
    std::u16string out;
    for (auto _ : state) {
        out.clear();
        doc.root->writeList(out, 0);
        benchmark::DoNotOptimize(out.data());
    }
    reportBytes(state);
}
BENCHMARK(BM_MarkupWriteReused)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef TARNWICK_HAVE_PUGIXML

void BM_PugixmlReadUtf8(benchmark::State& state) {
    const std::string& utf8 = corpus().utf8;
    for (auto _ : state) {
        pugi::xml_document doc;
        auto result =
            doc.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
        benchmark::DoNotOptimize(result.status);
    }
    reportBytes(state);
}
BENCHMARK(BM_PugixmlReadUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both readers on the same document within each iteration, so that the
// ratio is taken under the same machine load; processor time, because the
// machine is shared. Each side builds and destroys its whole tree. pugixml
// always reads the UTF-8 bytes; ours reads them too (argument 0, as a file is
// loaded) or their UTF-16 form (argument 1, as parse reads a text).
void BM_MarkupReadRatio(benchmark::State& state) {
    const std::u16string& text = corpus().text;
    const std::string& utf8 = corpus().utf8;
    const bool fromUtf16 = state.range(0) == 1;
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        const std::clock_t t0 = std::clock();
        {
            ConfigDocument doc;
            if (fromUtf16) {
                doc.parse(text);
            } else {
                doc.parseUtf8(utf8);
            }
            benchmark::DoNotOptimize(doc.root.get());
        }
        const std::clock_t t1 = std::clock();
        {
            pugi::xml_document doc;
            auto result =
                doc.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
            benchmark::DoNotOptimize(result.status);
        }
        const std::clock_t t2 = std::clock();
        ours += double(t1 - t0) / CLOCKS_PER_SEC;
        theirs += double(t2 - t1) / CLOCKS_PER_SEC;
    }
    const double mb = double(state.iterations()) * double(utf8.size()) / 1e6;
    state.counters["ours_MB/s"] = mb / ours;
    state.counters["pugixml_MB/s"] = mb / theirs;
    state.counters["ratio"] = theirs / ours;
}
BENCHMARK(BM_MarkupReadRatio)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PugixmlReadUtf8InPlace(benchmark::State& state) {
    const std::string& utf8 = corpus().utf8;
    std::string buffer;
    for (auto _ : state) {
        state.PauseTiming();
        buffer = utf8;
        state.ResumeTiming();
        pugi::xml_document doc;
        auto result = doc.load_buffer_inplace(buffer.data(), buffer.size(), pugi::parse_default,
                                              pugi::encoding_utf8);
        benchmark::DoNotOptimize(result.status);
    }
    reportBytes(state);
}
BENCHMARK(BM_PugixmlReadUtf8InPlace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PugixmlReadUtf16(benchmark::State& state) {
    const std::u16string& text = corpus().text;
    for (auto _ : state) {
        pugi::xml_document doc;
        auto result = doc.load_buffer(text.data(), text.size() * 2, pugi::parse_default,
                                      pugi::encoding_utf16_le);
        benchmark::DoNotOptimize(result.status);
    }
    reportBytes(state);
}
BENCHMARK(BM_PugixmlReadUtf16)->Unit(benchmark::kMillisecond)->UseRealTime();

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, std::size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

void BM_PugixmlWriteUtf8(benchmark::State& state) {
    pugi::xml_document doc;
    doc.load_buffer(corpus().utf8.data(), corpus().utf8.size());
    for (auto _ : state) {
        StringWriter writer;
        doc.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
        benchmark::DoNotOptimize(writer.out.data());
    }
    reportBytes(state);
}
BENCHMARK(BM_PugixmlWriteUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PugixmlWriteUtf8Reused(benchmark::State& state) {
    pugi::xml_document doc;
    doc.load_buffer(corpus().utf8.data(), corpus().utf8.size());
    StringWriter writer;
    for (auto _ : state) {
        writer.out.clear();
        doc.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
        benchmark::DoNotOptimize(writer.out.data());
    }
    reportBytes(state);
}
BENCHMARK(BM_PugixmlWriteUtf8Reused)->Unit(benchmark::kMillisecond)->UseRealTime();

#endif

}  // namespace
