#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tnk {

// Runs one tnkcfg command line (the arguments after the program name).
// Standard output goes to `out`, messages to `err`. Returns the exit code:
// 0 on success, 1 when a file could not be read, deciphered or written,
// 2 for a malformed command line.
int runTnkcfg(const std::vector<std::u16string>& args, FileSystem& fs, std::string& out,
              std::string& err);

}  // namespace tnk
