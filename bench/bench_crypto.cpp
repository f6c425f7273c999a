// Cipher and digest throughput, ours beside libgcrypt's on the same data.
#include <benchmark/benchmark.h>
#include <gcrypt.h>

#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

#include "config/gost.h"
#include "config/md5.h"

namespace {

constexpr std::int64_t kMB = 1000 * 1000;

std::vector<std::uint8_t> randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(size);
    for (auto& b : v) {
        b = std::uint8_t(rng());
    }
    return v;
}

const std::vector<std::uint8_t>& benchKey() {
    static const std::vector<std::uint8_t> key = randomBytes(32, 7);
    return key;
}

struct Gcrypt {
    gcry_cipher_hd_t handle = nullptr;
    Gcrypt() {
        gcry_check_version(nullptr);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        gcry_cipher_open(&handle, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, 0);
        gcry_cipher_setkey(handle, benchKey().data(), 32);
    }
    ~Gcrypt() { gcry_cipher_close(handle); }
};

Gcrypt& gcrypt() {
    static Gcrypt g;
    return g;
}

void setRate(benchmark::State& state, std::int64_t bytes) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB/s"] =
        benchmark::Counter(double(state.iterations() * bytes) / kMB, benchmark::Counter::kIsRate);
}

void BM_GostEncryptEcb(benchmark::State& state) {
    auto data = randomBytes(std::size_t(state.range(0)), 1);
    for (auto _ : state) {
        tnk::gostEncryptEcb(data.data(), data.size(), benchKey().data());
        benchmark::DoNotOptimize(data.data());
    }
    setRate(state, state.range(0));
}

void BM_GostDecryptEcb(benchmark::State& state) {
    auto data = randomBytes(std::size_t(state.range(0)), 2);
    for (auto _ : state) {
        tnk::gostDecryptEcb(data.data(), data.size(), benchKey().data());
        benchmark::DoNotOptimize(data.data());
    }
    setRate(state, state.range(0));
}

void BM_GcryptGostEncryptEcb(benchmark::State& state) {
    auto data = randomBytes(std::size_t(state.range(0)), 1);
    for (auto _ : state) {
        gcry_cipher_encrypt(gcrypt().handle, data.data(), data.size(), nullptr, 0);
        benchmark::DoNotOptimize(data.data());
    }
    setRate(state, state.range(0));
}

void BM_GcryptGostDecryptEcb(benchmark::State& state) {
    auto data = randomBytes(std::size_t(state.range(0)), 2);
    for (auto _ : state) {
        gcry_cipher_decrypt(gcrypt().handle, data.data(), data.size(), nullptr, 0);
        benchmark::DoNotOptimize(data.data());
    }
    setRate(state, state.range(0));
}

// Times both implementations on the same buffer within each iteration, so the ratio
// is taken under the same machine load; processor time, because the machine is shared.
// The second argument picks our engine: 0 portable, 1 AVX2.
template <bool Decrypt>
void BM_GostEcbRatio(benchmark::State& state) {
    const tnk::GostEngine before = tnk::gostEngine();
    const tnk::GostEngine engine =
        state.range(1) == 1 ? tnk::GostEngine::Avx2 : tnk::GostEngine::Portable;
    if (!tnk::useGostEngine(engine)) {
        state.SkipWithError("this processor cannot run that engine");
        return;
    }
    auto data = randomBytes(std::size_t(state.range(0)), 3);
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        const std::clock_t t0 = std::clock();
        if (Decrypt) {
            tnk::gostDecryptEcb(data.data(), data.size(), benchKey().data());
        } else {
            tnk::gostEncryptEcb(data.data(), data.size(), benchKey().data());
        }
        const std::clock_t t1 = std::clock();
        if (Decrypt) {
            gcry_cipher_decrypt(gcrypt().handle, data.data(), data.size(), nullptr, 0);
        } else {
            gcry_cipher_encrypt(gcrypt().handle, data.data(), data.size(), nullptr, 0);
        }
        const std::clock_t t2 = std::clock();
        benchmark::DoNotOptimize(data.data());
        ours += double(t1 - t0) / CLOCKS_PER_SEC;
        theirs += double(t2 - t1) / CLOCKS_PER_SEC;
    }
    const double mb = double(state.iterations() * state.range(0)) / kMB;
    state.counters["ours_MB/s"] = mb / ours;
    state.counters["gcrypt_MB/s"] = mb / theirs;
    state.counters["ratio"] = theirs / ours;
    tnk::useGostEngine(before);
}

void BM_Md5(benchmark::State& state) {
    auto data = randomBytes(std::size_t(state.range(0)), 4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tnk::Md5::digest(data.data(), data.size()));
    }
    setRate(state, state.range(0));
}

void BM_GcryptMd5(benchmark::State& state) {
    gcrypt();
    auto data = randomBytes(std::size_t(state.range(0)), 4);
    unsigned char digest[16];
    for (auto _ : state) {
        gcry_md_hash_buffer(GCRY_MD_MD5, digest, data.data(), data.size());
        benchmark::DoNotOptimize(digest);
    }
    setRate(state, state.range(0));
}

}  // namespace

BENCHMARK(BM_GostEncryptEcb)->Arg(kMB)->Arg(16 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GcryptGostEncryptEcb)->Arg(kMB)->Arg(16 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GostDecryptEcb)->Arg(kMB)->Arg(16 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GcryptGostDecryptEcb)->Arg(kMB)->Arg(16 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_GostEcbRatio, false)
    ->Args({kMB, 0})
    ->Args({kMB, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_GostEcbRatio, true)
    ->Args({kMB, 0})
    ->Args({kMB, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md5)->Arg(kMB)->Arg(16 * kMB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GcryptMd5)->Arg(kMB)->Arg(16 * kMB)->Unit(benchmark::kMillisecond);
