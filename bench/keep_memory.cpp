// The repeated benchmarks measure a process that keeps its memory, as the program does
// between one save and the next: freed memory stays with the process instead of going
// back to the system, so no iteration pays for fresh pages (on this kind of machine they
// cost more than the work measured). What a fresh process pays is timed apart, by
// tarnwick_first_load. TNK_BENCH_FRESH_PAGES=1 leaves the allocator as it is.
#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

const bool kKeepMemory = [] {
    const char* fresh = std::getenv("TNK_BENCH_FRESH_PAGES");
    if (fresh && std::strcmp(fresh, "1") == 0) {
        return false;
    }
#if defined(__GLIBC__)
    // Never trim the heap, and take even large blocks from it rather than from mappings
    // of their own, which are returned when freed.
    mallopt(M_TRIM_THRESHOLD, 2000000000);
    mallopt(M_MMAP_MAX, 0);
#endif
    return true;
}();

}  // namespace
