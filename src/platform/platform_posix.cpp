#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "platform/utf8_codec.h"

namespace tnk {

namespace {

// The locale's character set, read once. Setting LC_CTYPE from the
// environment is what makes nl_langinfo report the user's encoding.
const std::string& localeCodeset() {
    static const std::string codeset = [] {
        std::setlocale(LC_CTYPE, "");
        const char* name = nl_langinfo(CODESET);
        return std::string(name ? name : "");
    }();
    return codeset;
}

bool localeIsUtf8() {
    const std::string& c = localeCodeset();
    return c == "UTF-8" || c == "utf-8" || c == "UTF8" || c == "utf8";
}

class Iconv {
  public:
    Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid())
            iconv_close(handle_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

  private:
    iconv_t handle_;
};

// Runs iconv over the whole input; at a byte it cannot convert it calls
// `onInvalid`, which appends its replacement and says how many input bytes
// to skip.
template <typename OnInvalid>
std::string convertAll(iconv_t cd, const char* in, std::size_t inSize, OnInvalid onInvalid) {
    std::string out;
    out.resize(inSize * 2 + 16);
    char* inPtr = const_cast<char*>(in);
    std::size_t inLeft = inSize;
    std::size_t used = 0;
    while (true) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = inLeft ? iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft)
                                     : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) {
            if (inLeft == 0)
                break;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (a truncated sequence at the end).
        const std::size_t skip = onInvalid(out, used, inPtr, inLeft);
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

void appendBytes(std::string& out, std::size_t& used, const char* bytes, std::size_t n) {
    if (out.size() < used + n)
        out.resize((used + n) * 2);
    std::memcpy(out.data() + used, bytes, n);
    used += n;
}

}  // namespace

void utf8ToUtf16(std::string_view bytes, std::u16string& out) {
    // Never more units than bytes.
    out.resize(bytes.size());
    out.resize(
        decodeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out.data()));
}

std::u16string utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    utf8ToUtf16(bytes, out);
    return out;
}

std::size_t utf8Size(std::u16string_view text) {
    return encodeUtf8(text, nullptr);
}

void utf16ToUtf8(std::u16string_view text, char* out) {
    encodeUtf8(text, out);
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.resize(encodeUtf8(text, nullptr));
    encodeUtf8(text, out.data());
    return out;
}

std::u16string ansiToUtf16(std::string_view bytes) {
    if (localeIsUtf8())
        return utf8ToUtf16(bytes);
    Iconv cd("UTF-16LE", localeCodeset().c_str());
    std::u16string result;
    if (!cd.valid()) {
        // No converter: keep ASCII, mark everything else as unreadable.
        result.reserve(bytes.size());
        for (unsigned char b : bytes)
            result.push_back(b < 0x80 ? b : kReplacement);
        return result;
    }
    const std::string le = convertAll(
        cd.get(), bytes.data(), bytes.size(),
        [](std::string& out, std::size_t& used, const char*, std::size_t) -> std::size_t {
            const char replacement[2] = {'\xFD', '\xFF'};
            appendBytes(out, used, replacement, 2);
            return 1;
        });
    result.resize(le.size() / 2);
    for (std::size_t i = 0; i < result.size(); ++i) {
        result[i] = static_cast<char16_t>(static_cast<unsigned char>(le[2 * i]) |
                                          (static_cast<unsigned char>(le[2 * i + 1]) << 8));
    }
    return result;
}

std::string utf16ToAnsi(std::u16string_view text) {
    if (localeIsUtf8())
        return utf16ToUtf8(text);
    Iconv cd(localeCodeset().c_str(), "UTF-16LE");
    std::string le(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        le[2 * i] = static_cast<char>(text[i] & 0xFF);
        le[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    if (!cd.valid()) {
        std::string result;
        for (char16_t c : text)
            result.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return result;
    }
    return convertAll(
        cd.get(), le.data(), le.size(),
        [](std::string& out, std::size_t& used, const char* at, std::size_t left) -> std::size_t {
            appendBytes(out, used, "?", 1);
            if (left < 2)
                return left;
            const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(at[0]) |
                                                        (static_cast<unsigned char>(at[1]) << 8));
            if (isHighSurrogate(unit) && left >= 4) {
                const char16_t next = static_cast<char16_t>(
                    static_cast<unsigned char>(at[2]) | (static_cast<unsigned char>(at[3]) << 8));
                if (isLowSurrogate(next))
                    return 4;
            }
            return 2;
        });
}

std::u16string executablePath() {
    std::string buffer(256, '\0');
    while (true) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return utf8ToUtf16(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::u16string executableFolder() {
    std::u16string path = executablePath();
    const std::size_t slash = path.rfind(u'/');
    if (slash == std::u16string::npos)
        return {};
    path.resize(slash + 1);
    return path;
}

char16_t pathSeparator() {
    return u'/';
}

LocalTime currentLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

std::uint32_t currentProcessId() {
    return static_cast<std::uint32_t>(getpid());
}

std::vector<std::u16string> commandLineArguments(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(utf8ToUtf16(argv[i]));
    return args;
}

bool writeStandardOutput(const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace tnk
