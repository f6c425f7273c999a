#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tnk::testing {

// Files in memory. Every mutating step (create, write, flush, close,
// replace) is counted, and the step numbered `failAt` fails, so that a test
// can break a save at each of its steps. `capacity` limits the bytes all
// files may hold together: a full disk.
class MemoryFileSystem : public FileSystem {
  public:
    std::map<std::u16string, Bytes> files;
    int steps = 0;
    int failAt = -1;
    std::size_t capacity = static_cast<std::size_t>(-1);

    bool readFile(const std::u16string& path, Bytes& out) override {
        const auto it = files.find(path);
        if (it == files.end())
            return false;
        out = it->second;
        return true;
    }

    std::unique_ptr<WritableFile> createFile(const std::u16string& path) override {
        if (step())
            return nullptr;
        files[path].clear();
        return std::make_unique<File>(*this, path);
    }

    std::unique_ptr<WritableFile> createNewFile(const std::u16string& path) override {
        if (files.count(path))
            return nullptr;
        return createFile(path);
    }

    bool replaceFile(const std::u16string& from, const std::u16string& to) override {
        if (step())
            return false;
        const auto it = files.find(from);
        if (it == files.end())
            return false;
        Bytes moved = std::move(it->second);
        files.erase(it);
        files[to] = std::move(moved);
        return true;
    }

    bool removeFile(const std::u16string& path) override { return files.erase(path) == 1; }

  private:
    bool step() { return ++steps == failAt; }

    std::size_t used() const {
        std::size_t total = 0;
        for (const auto& [name, bytes] : files)
            total += bytes.size();
        return total;
    }

    class File : public WritableFile {
      public:
        File(MemoryFileSystem& fs, std::u16string path) : fs_(fs), path_(std::move(path)) {}
        bool write(const std::uint8_t* data, std::size_t size) override {
            if (fs_.step()) {
                // A failing write may still have written a part.
                append(data, size / 2);
                return false;
            }
            const std::size_t room = fs_.capacity - std::min(fs_.capacity, fs_.used());
            append(data, std::min(size, room));
            return size <= room;
        }
        bool flush() override { return !fs_.step(); }
        bool close() override { return !fs_.step(); }

      private:
        void append(const std::uint8_t* data, std::size_t size) {
            Bytes& b = fs_.files[path_];
            b.insert(b.end(), data, data + size);
        }
        MemoryFileSystem& fs_;
        std::u16string path_;
    };
};

}  // namespace tnk::testing
