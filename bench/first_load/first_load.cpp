// Times the first load of a sample file in a fresh process: what a user waits
// for when the program starts with a large depository. Every page the load
// touches is new to the process here, unlike in the repeated benchmarks.
//
//   tarnwick_first_load make MB   writes the sample file of MB megabytes
//   tarnwick_first_load MB        loads it once and prints the time
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config_document.h"
#include "platform/file_system.h"
#include "sample_config.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "make") == 0) {
        tnk::benchFile(std::atoi(argv[2]));
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnwick_first_load [make] MB\n");
        return 2;
    }
    const int megabytes = std::atoi(argv[1]);
    // The path alone: benchFile would write the file again.
    const std::u16string path = tnk::sampleFilePath(megabytes);
    tnk::ConfigDocument doc;
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = doc.load(path, tnk::benchKey(), tnk::systemFileSystem());
    const auto end = std::chrono::steady_clock::now();
    if (!loaded || !doc.root) {
        std::fprintf(stderr, "no sample file; run with make first\n");
        return 1;
    }
    std::printf("first load of %d MB: %.0f ms\n", megabytes,
                std::chrono::duration<double, std::milli>(end - start).count());
    return 0;
}
