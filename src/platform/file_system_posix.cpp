#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"

namespace tnk {

namespace {

std::string nativePath(const std::u16string& path) {
    return utf16ToUtf8(path);
}

class PosixFile : public WritableFile {
  public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0)
            ::close(fd_);
    }

    bool write(const std::uint8_t* data, std::size_t size) override {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool flush() override { return ::fsync(fd_) == 0; }

    bool close() override {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

int openForReading(const std::u16string& path) {
    int fd;
    do {
        fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads until the end, whatever the size said at the start.
bool readAll(int fd, Bytes& out) {
    struct stat st {};
    std::size_t capacity = 0;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        capacity = static_cast<std::size_t>(st.st_size);
    // Room for a zero-filled last block, so that deciphering never
    // reallocates; one byte more shows the end without another read.
    out.reserve(capacity + 8);
    out.resize(capacity + 1);
    std::size_t used = 0;
    while (true) {
        if (used == out.size())
            out.resize(out.size() * 2);
        const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    out.resize(used);
    return true;
}

// Makes a rename durable: the directory entry is on disk only after the
// directory itself is synced.
void syncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

class PosixFileSystem : public FileSystem {
  public:
    bool readFile(const std::u16string& path, Bytes& out) override {
        const int fd = openForReading(path);
        if (fd < 0)
            return false;
        const bool ok = readAll(fd, out);
        ::close(fd);
        return ok;
    }

    bool readPieces(const std::u16string& path, std::size_t pieceSize,
                    const std::function<void(const std::uint8_t*, std::size_t)>& visit) override {
        const int fd = openForReading(path);
        if (fd < 0)
            return false;
        std::vector<std::uint8_t> piece(pieceSize ? pieceSize : 65536);
        bool ok = true;
        while (true) {
            const ssize_t n = ::read(fd, piece.data(), piece.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            if (n == 0)
                break;
            visit(piece.data(), static_cast<std::size_t>(n));
        }
        ::close(fd);
        return ok;
    }

    std::unique_ptr<WritableFile> createFile(const std::u16string& path) override {
        return open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC);
    }

    std::unique_ptr<WritableFile> createNewFile(const std::u16string& path) override {
        return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC);
    }

    bool replaceFile(const std::u16string& from, const std::u16string& to) override {
        const std::string target = nativePath(to);
        if (::rename(nativePath(from).c_str(), target.c_str()) != 0)
            return false;
        syncFolderOf(target);
        return true;
    }

    bool removeFile(const std::u16string& path) override {
        return ::unlink(nativePath(path).c_str()) == 0;
    }

  private:
    static std::unique_ptr<WritableFile> open(const std::u16string& path, int flags) {
        int fd;
        do {
            fd = ::open(nativePath(path).c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return nullptr;
        return std::make_unique<PosixFile>(fd);
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

}  // namespace tnk
