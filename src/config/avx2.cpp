#include "config/avx2.h"

#include <atomic>

namespace tnk {

namespace {

std::atomic<bool>& markupDecoding() {
    static std::atomic<bool> on{avx2Usable()};
    return on;
}

std::atomic<bool>& markupEncoding() {
    static std::atomic<bool> on{avx2Usable()};
    return on;
}

}  // namespace

bool avx2Usable() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool markupAvx2Decoding() {
    return markupDecoding().load(std::memory_order_relaxed);
}

bool useMarkupAvx2Decoding(bool on) {
    if (on && !avx2Usable()) {
        return false;
    }
    markupDecoding().store(on);
    return true;
}

bool markupAvx2Encoding() {
    return markupEncoding().load(std::memory_order_relaxed);
}

bool useMarkupAvx2Encoding(bool on) {
    if (on && !avx2Usable()) {
        return false;
    }
    markupEncoding().store(on);
    return true;
}

}  // namespace tnk
