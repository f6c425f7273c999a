#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/file_system.h"
#include "platform/win_string.h"

namespace tnk {

namespace {

// ReadFile and WriteFile take 32-bit sizes.
constexpr std::size_t kMaxIo = 1u << 30;

class WinFile : public WritableFile {
  public:
    explicit WinFile(HANDLE handle) : handle_(handle) {}
    ~WinFile() override {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }

    bool write(const std::uint8_t* data, std::size_t size) override {
        while (size > 0) {
            DWORD written = 0;
            const DWORD piece = static_cast<DWORD>(std::min(size, kMaxIo));
            if (!WriteFile(handle_, data, piece, &written, nullptr) || written == 0)
                return false;
            data += written;
            size -= written;
        }
        return true;
    }

    bool flush() override { return FlushFileBuffers(handle_) != 0; }

    bool close() override {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

  private:
    HANDLE handle_;
};

// Others may go on reading and writing the file while we read it.
HANDLE openForReading(const std::u16string& path) {
    return CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                       nullptr);
}

class WinFileSystem : public FileSystem {
  public:
    bool readFile(const std::u16string& path, Bytes& out) override {
        const HANDLE handle = openForReading(path);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER size{};
        std::size_t capacity = 0;
        if (GetFileSizeEx(handle, &size) && size.QuadPart > 0)
            capacity = static_cast<std::size_t>(size.QuadPart);
        // Room for a zero-filled last block, so that deciphering never
        // reallocates; one byte more shows the end without another read.
        out.reserve(capacity + 8);
        out.resize(capacity + 1);
        std::size_t used = 0;
        bool ok = true;
        while (true) {
            if (used == out.size())
                out.resize(out.size() * 2);
            DWORD got = 0;
            const DWORD piece = static_cast<DWORD>(std::min(out.size() - used, kMaxIo));
            if (!ReadFile(handle, out.data() + used, piece, &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            used += got;
        }
        CloseHandle(handle);
        out.resize(used);
        return ok;
    }

    bool readPieces(const std::u16string& path, std::size_t pieceSize,
                    const std::function<void(const std::uint8_t*, std::size_t)>& visit) override {
        const HANDLE handle = openForReading(path);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        std::vector<std::uint8_t> piece(
            std::min<std::size_t>(pieceSize ? pieceSize : 65536, kMaxIo));
        bool ok = true;
        while (true) {
            DWORD got = 0;
            if (!ReadFile(handle, piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            visit(piece.data(), got);
        }
        CloseHandle(handle);
        return ok;
    }

    std::unique_ptr<WritableFile> createFile(const std::u16string& path) override {
        return create(path, CREATE_ALWAYS);
    }

    std::unique_ptr<WritableFile> createNewFile(const std::u16string& path) override {
        return create(path, CREATE_NEW);
    }

    bool replaceFile(const std::u16string& from, const std::u16string& to) override {
        return MoveFileExW(toWide(from).c_str(), toWide(to).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool removeFile(const std::u16string& path) override {
        return DeleteFileW(toWide(path).c_str()) != 0;
    }

  private:
    static std::unique_ptr<WritableFile> create(const std::u16string& path, DWORD disposition) {
        const HANDLE handle = CreateFileW(toWide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                          disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<WinFile>(handle);
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static WinFileSystem fs;
    return fs;
}

}  // namespace tnk
