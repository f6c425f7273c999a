#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tnk {

using Bytes = std::vector<std::uint8_t>;

// A file opened for writing. Every call reports success; a failed call leaves
// the file in an unknown state, and the caller removes it.
class WritableFile {
  public:
    virtual ~WritableFile() = default;
    virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
    // Pushes the bytes to the storage device (FlushFileBuffers / fsync).
    virtual bool flush() = 0;
    virtual bool close() = 0;
};

// The file operations the program needs, behind one seam so that tests can
// stop a save at any step or fill the disk. Paths are UTF-16 with the
// platform's separators.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Reads the whole file; false when it cannot be opened or read.
    virtual bool readFile(const std::u16string& path, Bytes& out) = 0;
    // Creates the file or truncates an existing one; null on failure.
    virtual std::unique_ptr<WritableFile> createFile(const std::u16string& path) = 0;
    // Creates a file that does not exist yet; null when it exists or on
    // failure. Temporary files use it so that they never replace another file.
    virtual std::unique_ptr<WritableFile> createNewFile(const std::u16string& path) {
        return createFile(path);
    }
    // Reads the whole file and hands it to `visit` in pieces of at most
    // `pieceSize` bytes; false when it cannot be opened or read. Others may
    // read and write the file meanwhile.
    virtual bool readPieces(const std::u16string& path, std::size_t pieceSize,
                            const std::function<void(const std::uint8_t*, std::size_t)>& visit);
    // Moves `from` over `to` in one step, replacing `to` if it exists.
    virtual bool replaceFile(const std::u16string& from, const std::u16string& to) = 0;
    virtual bool removeFile(const std::u16string& path) = 0;
};

// The real file system of this platform.
FileSystem& systemFileSystem();

// Writes `data` to `path` so that a crash, a kill or a full disk at any moment
// leaves either the old file or the new one: the bytes go to a temporary file
// beside `path`, are flushed, and the temporary file is renamed over `path`.
// On failure the old file is untouched and the temporary file is removed.
bool writeFileAtomically(FileSystem& fs, const std::u16string& path, const std::uint8_t* data,
                         std::size_t size);

}  // namespace tnk
