#include "output_file.h"

#include <filesystem>
#include <system_error>

namespace tnk {

std::optional<std::string> outputProblem(const std::u16string& output,
                                         const std::vector<std::u16string>& inputs, bool replace) {
    namespace stdfs = std::filesystem;
    const stdfs::path path(output);
    std::error_code ec;
    if (stdfs::is_directory(path, ec)) {
        return "is a folder";
    }
    const bool exists = stdfs::exists(path, ec);
    for (const std::u16string& input : inputs) {
        if (input == output || (exists && stdfs::equivalent(path, stdfs::path(input), ec))) {
            return "is also read by this command, which never changes what it reads; "
                   "write to another file";
        }
    }
    const stdfs::path folder = path.parent_path();
    if (!exists && !folder.empty() && !stdfs::is_directory(folder, ec)) {
        return "is in a folder that does not exist";
    }
    if (exists && !replace) {
        return "exists; add --force to replace it";
    }
    return std::nullopt;
}

}  // namespace tnk
