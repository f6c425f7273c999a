#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tnk {

// Why `output` may not be written by a command that reads `inputs`, or empty:
// it is one of the inputs (under any spelling of its path), its folder does
// not exist, or it exists and `replace` was not given. In the console's
// encoding, without the file's name.
std::optional<std::string> outputProblem(const std::u16string& output,
                                         const std::vector<std::u16string>& inputs, bool replace);

}  // namespace tnk
