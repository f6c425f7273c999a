#include "config/config_file.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "config/gost.h"
#include "config/md5.h"
#include "platform/platform.h"

namespace tnk {

namespace {

constexpr std::uint8_t kUtf8Mark[3] = {0xEF, 0xBB, 0xBF};

std::size_t roundUpToBlock(std::size_t size) {
    return (size + 7) & ~static_cast<std::size_t>(7);
}

// Electronic codebook blocks are independent, so a large file is split
// between the cores; below a few megabytes a thread costs more than it saves.
void cipherBlocks(std::uint8_t* data, std::size_t size, const CipherKey& key, bool encipher) {
    constexpr std::size_t kMinPerThread = 4u << 20;
    const auto run = [&key, encipher](std::uint8_t* p, std::size_t n) {
        if (encipher) {
            gostEncryptEcb(p, n, key.data());
        } else {
            gostDecryptEcb(p, n, key.data());
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t parts = std::min<std::size_t>({cores, 8, size / kMinPerThread});
    if (parts < 2) {
        run(data, size);
        return;
    }
    const std::size_t share = size / 8 / parts * 8;
    std::vector<std::thread> helpers;
    helpers.reserve(parts - 1);
    for (std::size_t i = 1; i < parts; ++i) {
        const std::size_t begin = i * share;
        const std::size_t end = i + 1 == parts ? size : begin + share;
        try {
            helpers.emplace_back(run, data + begin, end - begin);
        } catch (const std::system_error&) {
            // No thread to be had: this part is done here instead.
            run(data + begin, end - begin);
        }
    }
    run(data, share);
    for (auto& t : helpers)
        t.join();
}

// Enciphers `markup` into `out`, reusing its storage.
void encodeInto(std::u16string_view markup, const CipherKey& key, Bytes& out) {
    const std::size_t n = utf8Size(markup);
    const std::size_t total = roundUpToBlock(n + 3);
    out.clear();
    out.resize(total);
    std::memcpy(out.data(), kUtf8Mark, 3);
    utf16ToUtf8(markup, reinterpret_cast<char*>(out.data() + 3));
    cipherBlocks(out.data(), total, key, true);
}

}  // namespace

std::optional<CipherKey> deriveKeyFromFile(const std::u16string& path, FileSystem& fs) {
    Md5 md5;
    const bool read = fs.readPieces(
        path, 64 * 1024, [&md5](const std::uint8_t* p, std::size_t n) { md5.update(p, n); });
    if (!read)
        return std::nullopt;
    const std::string hex = Md5::hex(md5.finish());
    if (hex.size() != 32)
        return std::nullopt;
    CipherKey key;
    std::memcpy(key.data(), hex.data(), key.size());
    return key;
}

std::optional<CipherKey> deriveLoadKey() {
    const std::u16string exe = executablePath();
    if (exe.empty())
        return std::nullopt;
    return deriveKeyFromFile(exe, systemFileSystem());
}

std::optional<CipherKey> saveKeyOf(const ConfigDocument& doc) {
    const ConfigNode* win = doc.select(u"win");
    if (!win)
        return std::nullopt;
    const std::u16string* text = win->text();
    if (!text || text->size() != 32)
        return std::nullopt;
    CipherKey key;
    for (std::size_t i = 0; i < 16; ++i) {
        key[2 * i] = static_cast<std::uint8_t>((*text)[i] & 0xFF);
        key[2 * i + 1] = static_cast<std::uint8_t>((*text)[i] >> 8);
    }
    return key;
}

std::u16string winTextForKey(const CipherKey& key) {
    // Only the first 16 units carry the key; the other 16 repeat its second
    // half one byte per unit, so the text shows every digit of the key.
    std::u16string text(32, u'\0');
    for (std::size_t i = 0; i < 16; ++i) {
        text[i] = static_cast<char16_t>(key[2 * i] | (key[2 * i + 1] << 8));
        text[16 + i] = key[16 + i];
    }
    return text;
}

namespace {

// Deciphers `bytes` in place. A trailing partial block is deciphered as if
// filled up with zeros; what lies beyond the file's end afterwards is
// meaningless and dropped.
void decipherInPlace(Bytes& bytes, const CipherKey& key) {
    const std::size_t size = bytes.size();
    bytes.resize(roundUpToBlock(size));
    cipherBlocks(bytes.data(), bytes.size(), key, false);
    bytes.resize(size);
}

// The text of deciphered bytes ends at the first zero byte.
std::size_t textEnd(const Bytes& bytes, std::size_t from) {
    const void* zero = std::memchr(bytes.data() + from, 0, bytes.size() - from);
    return zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes.data())
                : bytes.size();
}

bool hasUtf8Mark(const Bytes& bytes) {
    return bytes.size() >= 3 && std::memcmp(bytes.data(), kUtf8Mark, 3) == 0;
}

// The UTF-8 text after the mark of deciphered bytes that have one.
std::string_view utf8Text(const Bytes& bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data() + 3), textEnd(bytes, 3) - 3);
}

// Decodes deciphered bytes into `text`, reusing its storage.
void decodeDeciphered(const Bytes& bytes, bool* hadMark, std::u16string& text) {
    const std::size_t size = bytes.size();
    const std::uint8_t* data = bytes.data();
    if (hadMark)
        *hadMark = false;
    if (hasUtf8Mark(bytes)) {
        if (hadMark)
            *hadMark = true;
        utf8ToUtf16(utf8Text(bytes), text);
        return;
    }
    text.clear();
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        if (hadMark)
            *hadMark = true;
        for (std::size_t at = 2; at + 1 < size; at += 2) {
            const char16_t unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
            if (unit == 0)
                break;
            text.push_back(unit);
        }
        return;
    }
    text = ansiToUtf16(std::string_view(reinterpret_cast<const char*>(data), textEnd(bytes, 0)));
}

// Load and save keep their buffer between calls: each change rewrites the
// whole file, and fresh pages for a large file cost as much as the cipher.
Bytes& scratchBytes() {
    thread_local Bytes bytes;
    return bytes;
}

// The bytes of a file being saved: the markup writer fills them from the front,
// and since codebook blocks are independent, helper threads encipher each stretch
// of whole blocks as soon as the writer has passed it. What is left when the
// writer is done is shared out between the helpers and the saving thread.
class SaveBuffer final : public ByteRoom {
  public:
    SaveBuffer(Bytes& bytes, const CipherKey& key) : bytes_(bytes), key_(key) {
        // Room for the size of the last file read or saved with some to spare, so
        // that the buffer seldom grows while helpers work on it. Its old bytes do
        // not matter: a smaller buffer is dropped before a new one is made.
        const std::size_t wanted = bytes_.size() + bytes_.size() / 8 + (64u << 10);
        if (bytes_.capacity() < wanted) {
            bytes_.clear();
            bytes_.shrink_to_fit();
        }
        bytes_.resize(wanted);
        data_ = bytes_.data();
    }

    ~SaveBuffer() {
        {
            // Left early (no memory): nothing more is handed out.
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_ = claimed_;
            finished_ = true;
        }
        stopHelpers();
    }

    SaveBuffer(const SaveBuffer&) = delete;
    SaveBuffer& operator=(const SaveBuffer&) = delete;

    std::span<std::uint8_t> room(std::size_t written, std::size_t size) override {
        if (written >= ready_ + kStep)
            handOut(written / kPiece * kPiece);
        if (bytes_.size() - written < size)
            grow(written, size);
        // Shorter than the buffer, so that the writer comes back after every step.
        return {data_, std::min(bytes_.size(), written + std::max(size, kStep))};
    }

    // The writer ended at `end`: pads the last block with zeros, enciphers what is
    // left and returns the size of the file.
    std::size_t finish(std::size_t end) {
        const std::size_t size = roundUpToBlock(end);
        std::memset(room(end, size - end).data() + end, 0, size - end);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_ = size;
            finished_ = true;
        }
        wake_.notify_all();
        encipherPieces();
        stopHelpers();
        return size;
    }

  private:
    // Bytes handed out at a time: large enough that threads seldom meet at the
    // lock, small enough that the helpers start early and end together. A whole
    // number of the vector cipher's groups.
    static constexpr std::size_t kPiece = 1u << 20;
    static constexpr std::size_t kStep = kPiece;
    // Below a few megabytes a thread costs more than it saves.
    static constexpr std::size_t kHelpersFrom = 4u << 20;

    // Makes [.., end) available to the helpers, starting them the first time.
    void handOut(std::size_t end) {
        if (helpers_.empty() && end >= kHelpersFrom)
            startHelpers();
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_ = end;
        }
        wake_.notify_all();
    }

    void startHelpers() {
        const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
        const std::size_t count = std::min<std::size_t>(cores, 8) - 1;
        for (std::size_t i = 0; i < count; ++i) {
            try {
                helpers_.emplace_back([this] { encipherPieces(); });
            } catch (const std::system_error&) {
                break;  // no thread to be had: the saving thread does the rest
            }
        }
    }

    // Claims and enciphers pieces until the writer is done and nothing is left.
    void encipherPieces() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return claimed_ < ready_ || finished_; });
            if (claimed_ == ready_) {
                wake_.notify_all();  // a saving thread may wait for the last piece
                return;
            }
            const std::size_t begin = claimed_;
            const std::size_t end = std::min(ready_, begin + kPiece);
            claimed_ = end;
            ++working_;
            std::uint8_t* const data = data_;
            lock.unlock();
            gostEncryptEcb(data + begin, end - begin, key_.data());
            lock.lock();
            if (--working_ == 0)
                wake_.notify_all();  // the writer may wait to move the buffer
        }
    }

    void stopHelpers() {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return working_ == 0 && claimed_ == ready_; });
        }
        wake_.notify_all();
        for (auto& t : helpers_)
            t.join();
        helpers_.clear();
    }

    // Moves the finished bytes to a larger buffer while no helper works on them.
    void grow(std::size_t written, std::size_t size) {
        const std::size_t wanted = std::max(written + size, bytes_.size() + bytes_.size() / 2);
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return working_ == 0; });
        Bytes larger;
        larger.reserve(wanted);
        larger.assign(data_, data_ + written);
        larger.resize(wanted);
        bytes_.swap(larger);
        data_ = bytes_.data();
    }

    Bytes& bytes_;
    const CipherKey& key_;
    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Guarded by mutex_: the buffer, the bytes ready for the cipher, those claimed
    // by a thread, the threads enciphering now, and whether the writer is done. The
    // saving thread alone changes data_ and ready_, so it reads them without the lock.
    std::uint8_t* data_ = nullptr;
    std::size_t ready_ = 0;
    std::size_t claimed_ = 0;
    int working_ = 0;
    bool finished_ = false;
};

}  // namespace

std::u16string decodeConfigBytes(Bytes& bytes, const CipherKey& key, bool* hadMark) {
    std::u16string text;
    decipherInPlace(bytes, key);
    decodeDeciphered(bytes, hadMark, text);
    return text;
}

Bytes encodeConfigText(std::u16string_view markup, const CipherKey& key) {
    Bytes out;
    encodeInto(markup, key, out);
    return out;
}

void ConfigDocument::load(const std::u16string& path) {
    load(path, deriveLoadKey(), systemFileSystem());
}

bool ConfigDocument::load(const std::u16string& path, const std::optional<CipherKey>& key,
                          FileSystem& fs) {
    Bytes& bytes = scratchBytes();
    if (!fs.readFile(path, bytes))
        return false;
    this->path = path;
    if (!key) {
        // Without the executable's key nothing can be read: a failed load.
        clear();
        readKey.reset();
        return false;
    }
    readKey = key;
    decipherInPlace(bytes, *key);
    // The file as saved, UTF-8, is read straight from its bytes: a UTF-16
    // copy of a large depository would cost more than reading it.
    if (hasUtf8Mark(bytes)) {
        parseUtf8(utf8Text(bytes));
        return true;
    }
    std::u16string text;
    decodeDeciphered(bytes, nullptr, text);
    parse(text);
    return true;
}

bool ConfigDocument::save(const std::u16string* path) {
    const std::u16string& target = path ? *path : this->path;
    if (target.empty())
        return false;
    return save(target, systemFileSystem());
}

bool ConfigDocument::save(const std::u16string& path, FileSystem& fs) {
    if (!root)
        return false;
    const std::optional<CipherKey> saveKey = saveKeyOf(*this);
    if (!saveKey)
        return false;
    // A file enciphered with any other key could never be read back by this
    // program: every record would be lost at the next start.
    const std::optional<CipherKey> ownKey = readKey ? readKey : deriveLoadKey();
    if (!ownKey || *ownKey != *saveKey)
        return false;

    // Written as UTF-8 straight into the buffer that is enciphered in place, while
    // the writing goes on: no UTF-16 copy of the whole text is made.
    Bytes& bytes = scratchBytes();
    std::size_t size = 0;
    {
        SaveBuffer buffer(bytes, *saveKey);
        std::memcpy(buffer.room(0, 3).data(), kUtf8Mark, 3);
        size = buffer.finish(root->writeListUtf8(buffer, 3, 0));
    }
    const bool saved = writeFileAtomically(fs, path, bytes.data(), size);
    bytes.resize(size);
    return saved;
}

}  // namespace tnk
