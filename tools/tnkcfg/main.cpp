#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "tnkcfg.h"

int main(int argc, char** argv) {
    std::string out;
    std::string err;
    const int code =
        tnk::runTnkcfg(tnk::commandLineArguments(argc, argv), tnk::systemFileSystem(), out, err);
    if (!out.empty() && !tnk::writeStandardOutput(out.data(), out.size())) {
        std::fputs("tnkcfg: cannot write to the standard output\n", stderr);
        return 1;
    }
    std::fputs(err.c_str(), stderr);
    return code;
}
