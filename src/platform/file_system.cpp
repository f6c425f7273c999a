#include "platform/file_system.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/platform.h"

namespace tnk {

bool FileSystem::readPieces(const std::u16string& path, std::size_t pieceSize,
                            const std::function<void(const std::uint8_t*, std::size_t)>& visit) {
    Bytes bytes;
    if (!readFile(path, bytes))
        return false;
    if (pieceSize == 0)
        pieceSize = bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
        visit(bytes.data() + at, std::min(pieceSize, bytes.size() - at));
    }
    return true;
}

namespace {

std::u16string asciiNumber(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// "<name>.tmp-<pid>-<counter>": unlikely to be a name a user chose, and
// created exclusively, so an existing file of that name is never touched.
std::u16string temporaryName(const std::u16string& path) {
    static std::atomic<std::uint64_t> counter{0};
    return path + u".tmp-" + asciiNumber(currentProcessId()) + u"-" + asciiNumber(++counter);
}

// Writes in pieces, so that a full disk shows up early and a large write
// never exceeds what one system call takes.
bool writeAll(WritableFile& file, const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kPiece = 1u << 20;
    for (std::size_t at = 0; at < size; at += kPiece) {
        if (!file.write(data + at, std::min(kPiece, size - at)))
            return false;
    }
    return true;
}

}  // namespace

bool writeFileAtomically(FileSystem& fs, const std::u16string& path, const std::uint8_t* data,
                         std::size_t size) {
    constexpr int kAttempts = 16;
    std::u16string temp;
    std::unique_ptr<WritableFile> file;
    for (int i = 0; i < kAttempts && !file; ++i) {
        temp = temporaryName(path);
        file = fs.createNewFile(temp);
    }
    if (!file)
        return false;
    const bool written = writeAll(*file, data, size) && file->flush() && file->close();
    // A file that failed to close is closed here, before it is removed.
    file.reset();
    if (written && fs.replaceFile(temp, path))
        return true;
    fs.removeFile(temp);
    return false;
}

}  // namespace tnk
