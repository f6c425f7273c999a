// The Text Depository at the scale of years of collecting: 20,000 records of
// about 2,500 characters (some 50 MB in the file). Fill = the rows the dialog
// opens with; search = a refill after Find; save = one command's save.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "config/config_document.h"
#include "config/config_file.h"
#include "depository/depository.h"
#include "depository/record_search.h"

namespace tnk {
namespace {

constexpr int kRecords = 20000;
constexpr int kGroups = 40;
constexpr std::size_t kContentChars = 2500;

struct Store {
    ConfigDocument doc;
    std::size_t contentChars = 0;

    Store() {
        CipherKey key{};
        for (std::size_t i = 0; i < key.size(); ++i) {
            key[i] = static_cast<std::uint8_t>("0123456789abcdef"[i % 16]);
        }
        doc.readKey = key;
        auto win = std::make_unique<ConfigNode>(u"win", NodeKind::Element);
        win->setText(winTextForKey(key));
        doc.appendTopLevel(std::move(win));
        Depository depository(doc);
        std::u16string words = u"The quick brown fox jumps over the lazy dog while it rains. ";
        for (int g = 0; g < kGroups; ++g) {
            ConfigNode* group = depository.addGroup(u"Group " + std::u16string(1, u'A' + g % 26) +
                                                    std::u16string(1, u'a' + g / 26));
            for (int r = 0; r < kRecords / kGroups; ++r) {
                RecordFields fields;
                int n = g * (kRecords / kGroups) + r;
                fields.title = u"Record " + std::u16string(1, u'0' + n % 10) + u" of a page";
                fields.source = u"http://example.invalid/page";
                while (fields.content.size() < kContentChars) {
                    fields.content += words;
                }
                // One record in a thousand holds the word searched for.
                if (n % 1000 == 7) {
                    fields.content += u" Zeppelin";
                }
                fields.remark = u"kept";
                contentChars += fields.content.size();
                depository.addRecord(group, fields);
            }
        }
    }
};

Store& store() {
    static Store instance;
    return instance;
}

void BM_FillRows(benchmark::State& state) {
    Depository depository(store().doc);
    for (auto _ : state) {
        std::vector<RecordRow> rows = findRecords(depository, {});
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_FillRows)->Unit(benchmark::kMillisecond);

void BM_SearchAllFields(benchmark::State& state) {
    Depository depository(store().doc);
    std::size_t found = 0;
    for (auto _ : state) {
        std::vector<RecordRow> rows = findRecords(depository, {u"", u"", u"Zeppelin"});
        found = rows.size();
    }
    state.counters["matches"] = static_cast<double>(found);
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(state.iterations() * store().contentChars * 2);
}
BENCHMARK(BM_SearchAllFields)->Unit(benchmark::kMillisecond);

void BM_SearchOneGroupTitle(benchmark::State& state) {
    Depository depository(store().doc);
    for (auto _ : state) {
        std::vector<RecordRow> rows = findRecords(depository, {u"Group Ca", u"title", u"7"});
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SearchOneGroupTitle)->Unit(benchmark::kMillisecond);

// Add one record and save the whole store, as each command does; the record
// is taken out again (unmeasured) so that every round saves the same size.
void BM_AddAndSave(benchmark::State& state) {
    Store& s = store();
    Depository depository(s.doc);
    const std::u16string path =
        (std::filesystem::temp_directory_path() / "tnk_bench_depository.cfg").u16string();
    ConfigNode* group = depository.findGroup(u"Group Aa");
    RecordFields fields{u"new", u"Group Aa", u"http://x/", std::u16string(kContentChars, u'x'),
                        u""};
    bool ok = true;
    for (auto _ : state) {
        ConfigNode* record = depository.addRecord(group, fields);
        ok = s.doc.save(path, systemFileSystem()) && ok;
        state.PauseTiming();
        depository.removeRecord(record);
        state.ResumeTiming();
    }
    std::error_code ignored;
    std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(path), ignored);
    std::filesystem::remove(std::filesystem::path(path), ignored);
    if (!ok) {
        state.SkipWithError("save failed");
    }
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_AddAndSave)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace tnk
