// Load and save of tnk.cfg with 1, 10 and 50 MB of depository records, whole
// and stage by stage: hash of the executable, cipher, code-page conversion,
// markup reading and writing, file I/O. Bytes per second refer to the file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <string>

#include "config/avx2.h"
#include "config/config_document.h"
#include "config/config_file.h"
#include "config/gost.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "sample_config.h"

namespace tnk {
namespace {

void setBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_HashExecutable(benchmark::State& state) {
    const std::u16string exe = executablePath();
    Bytes bytes;
    systemFileSystem().readFile(exe, bytes);
    for (auto _ : state)
        benchmark::DoNotOptimize(deriveLoadKey());
    setBytes(state, bytes.size());
}

void BM_LoadTotal(benchmark::State& state) {
    const std::u16string path = benchFile(static_cast<int>(state.range(0)));
    ConfigDocument doc;
    for (auto _ : state) {
        if (!doc.load(path, benchKey(), systemFileSystem()))
            state.SkipWithError("load failed");
        state.PauseTiming();  // destroying the tree is not part of loading
        doc.clear();
        state.ResumeTiming();
    }
    Bytes bytes;
    systemFileSystem().readFile(path, bytes);
    setBytes(state, bytes.size());
}

void BM_LoadReadFile(benchmark::State& state) {
    const std::u16string path = benchFile(static_cast<int>(state.range(0)));
    Bytes bytes;
    for (auto _ : state) {
        Bytes fresh;
        systemFileSystem().readFile(path, fresh);
        bytes.swap(fresh);
    }
    setBytes(state, bytes.size());
}

void BM_LoadDecipher(benchmark::State& state) {
    Bytes bytes;
    systemFileSystem().readFile(benchFile(static_cast<int>(state.range(0))), bytes);
    bytes.resize(bytes.size() / 8 * 8);
    for (auto _ : state)
        gostDecryptEcb(bytes.data(), bytes.size(), benchKey().data());
    setBytes(state, bytes.size());
    state.SetLabel("one core");
}

void BM_LoadDecode(benchmark::State& state) {
    Bytes bytes;
    systemFileSystem().readFile(benchFile(static_cast<int>(state.range(0))), bytes);
    const Bytes original = bytes;
    std::u16string text;
    for (auto _ : state) {
        state.PauseTiming();
        bytes = original;
        state.ResumeTiming();
        // Deciphering on every core plus decoding to UTF-16, as the tools read a file.
        text = decodeConfigBytes(bytes, benchKey());
    }
    setBytes(state, original.size());
}

void BM_LoadParse(benchmark::State& state) {
    // From the UTF-8 text, as load reads a saved file.
    const std::string utf8 = utf16ToUtf8(markupOf(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        ConfigDocument doc;
        doc.parseUtf8(utf8);
        state.PauseTiming();
        doc.clear();
        state.ResumeTiming();
    }
    setBytes(state, utf8.size());
}

void BM_LoadParseUtf16(benchmark::State& state) {
    const std::u16string& markup = markupOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ConfigDocument doc;
        doc.parse(markup);
        state.PauseTiming();
        doc.clear();
        state.ResumeTiming();
    }
    setBytes(state, utf8Size(markup));
}

void BM_SaveTotal(benchmark::State& state) {
    const int mb = static_cast<int>(state.range(0));
    ConfigDocument doc;
    doc.parse(markupOf(mb));
    doc.readKey = benchKey();
    const auto path = std::filesystem::temp_directory_path() /
                      ("tnk-bench-save-" + std::to_string(mb) + "mb.cfg");
    for (auto _ : state) {
        if (!doc.save(path.u16string(), systemFileSystem()))
            state.SkipWithError("save failed");
    }
    setBytes(state, std::filesystem::file_size(path));
    std::filesystem::remove(path);
}

// A buffer kept between writes, as the save keeps its own: only its first use pays for
// fresh pages.
class KeptRoom final : public ByteRoom {
  public:
    std::span<std::uint8_t> room(std::size_t written, std::size_t size) override {
        if (bytes_.size() - written < size)
            bytes_.resize(std::max(written + size, bytes_.size() + bytes_.size() / 2));
        return bytes_;
    }

  private:
    Bytes bytes_;
};

// Takes every file and keeps none: a save without its disk.
class DroppingFileSystem final : public FileSystem {
  public:
    bool readFile(const std::u16string&, Bytes&) override { return false; }
    std::unique_ptr<WritableFile> createFile(const std::u16string&) override {
        return std::make_unique<File>();
    }
    bool replaceFile(const std::u16string&, const std::u16string&) override { return true; }
    bool removeFile(const std::u16string&) override { return true; }

  private:
    struct File final : WritableFile {
        bool write(const std::uint8_t*, std::size_t) override { return true; }
        bool flush() override { return true; }
        bool close() override { return true; }
    };
};

void BM_SaveInMemory(benchmark::State& state) {
    // Writing and enciphering as save overlaps them, without the file.
    ConfigDocument doc;
    doc.parse(markupOf(static_cast<int>(state.range(0))));
    doc.readKey = benchKey();
    DroppingFileSystem fs;
    for (auto _ : state) {
        if (!doc.save(u"dropped.cfg", fs))
            state.SkipWithError("save failed");
    }
    setBytes(state, utf8Size(markupOf(static_cast<int>(state.range(0)))));
}

void BM_SaveSerialize(benchmark::State& state) {
    // Straight to UTF-8, as save writes; with the plain (0) or the AVX2 encoder (1).
    const bool avx2 = state.range(1) != 0;
    if (!useMarkupAvx2Encoding(avx2)) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    ConfigDocument doc;
    doc.parse(markupOf(static_cast<int>(state.range(0))));
    KeptRoom room;
    std::size_t size = doc.root->writeListUtf8(room, 0, 0);
    for (auto _ : state)
        size = doc.root->writeListUtf8(room, 0, 0);
    useMarkupAvx2Encoding(true);
    setBytes(state, size);
    state.SetLabel(avx2 ? "AVX2" : "plain");
}

void BM_SaveSerializeUtf16(benchmark::State& state) {
    ConfigDocument doc;
    const std::u16string& markup = markupOf(static_cast<int>(state.range(0)));
    doc.parse(markup);
    std::u16string out;
    for (auto _ : state) {
        out.clear();
        doc.root->writeList(out, 0);
    }
    setBytes(state, utf8Size(markup));
}

void BM_SaveEncipher(benchmark::State& state) {
    const std::u16string& markup = markupOf(static_cast<int>(state.range(0)));
    Bytes bytes(utf8Size(markup) / 8 * 8);
    for (auto _ : state)
        gostEncryptEcb(bytes.data(), bytes.size(), benchKey().data());
    setBytes(state, bytes.size());
    state.SetLabel("one core");
}

void BM_SaveEncode(benchmark::State& state) {
    // Conversion plus cipher on every core, as save does it.
    const std::u16string& markup = markupOf(static_cast<int>(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state)
        size = encodeConfigText(markup, benchKey()).size();
    setBytes(state, size);
}

void BM_SaveWriteFile(benchmark::State& state) {
    const Bytes bytes(utf8Size(markupOf(static_cast<int>(state.range(0)))), 0x5A);
    const auto path = std::filesystem::temp_directory_path() / "tnk-bench-write.cfg";
    for (auto _ : state) {
        writeFileAtomically(systemFileSystem(), path.u16string(), bytes.data(), bytes.size());
    }
    setBytes(state, bytes.size());
    std::filesystem::remove(path);
}

#define TNK_SIZES ->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()

BENCHMARK(BM_HashExecutable)->Unit(benchmark::kMillisecond);
// Totals: repeated, since the first run of a size pays for fresh pages, and
// with the CPU time of every thread (the cipher runs on all cores).
BENCHMARK(BM_LoadTotal) TNK_SIZES->Repetitions(3)->MeasureProcessCPUTime();
BENCHMARK(BM_LoadReadFile) TNK_SIZES;
BENCHMARK(BM_LoadDecipher) TNK_SIZES;
BENCHMARK(BM_LoadDecode) TNK_SIZES;
BENCHMARK(BM_LoadParse) TNK_SIZES;
BENCHMARK(BM_LoadParseUtf16) TNK_SIZES;
BENCHMARK(BM_SaveTotal) TNK_SIZES->Repetitions(3)->MeasureProcessCPUTime();
BENCHMARK(BM_SaveInMemory) TNK_SIZES->MeasureProcessCPUTime();
BENCHMARK(BM_SaveSerialize)
    ->ArgsProduct({{1, 10, 50}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SaveSerializeUtf16) TNK_SIZES;
BENCHMARK(BM_SaveEncipher) TNK_SIZES;
BENCHMARK(BM_SaveEncode) TNK_SIZES;
BENCHMARK(BM_SaveWriteFile) TNK_SIZES;

}  // namespace
}  // namespace tnk
