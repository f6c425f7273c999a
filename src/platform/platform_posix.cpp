#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/platform.h"

namespace tnk {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

inline bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Eight ASCII bytes at a time: configuration text is mostly ASCII markup.
inline bool eightAscii(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return (v & 0x8080808080808080ull) == 0;
}

// Decodes into `out`, which holds at least `size` units; returns the count.
// Each maximal invalid subsequence becomes one U+FFFD.
std::size_t decodeUtf8(const unsigned char* s, std::size_t size, char16_t* out) {
    char16_t* o = out;
    std::size_t i = 0;
    while (i < size) {
        while (i + 8 <= size && eightAscii(s + i)) {
            for (int k = 0; k < 8; ++k)
                o[k] = s[i + k];
            o += 8;
            i += 8;
        }
        if (i >= size)
            break;
        const unsigned char b = s[i];
        if (b < 0x80) {
            *o++ = b;
            ++i;
        } else if (b < 0xC2) {
            *o++ = kReplacement;
            ++i;
        } else if (b < 0xE0) {
            if (i + 1 < size && isContinuation(s[i + 1])) {
                *o++ = static_cast<char16_t>(((b & 0x1F) << 6) | (s[i + 1] & 0x3F));
                i += 2;
            } else {
                *o++ = kReplacement;
                ++i;
            }
        } else if (b < 0xF0) {
            const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;
            const unsigned char hi = b == 0xED ? 0x9F : 0xBF;
            if (i + 1 < size && s[i + 1] >= lo && s[i + 1] <= hi) {
                if (i + 2 < size && isContinuation(s[i + 2])) {
                    *o++ = static_cast<char16_t>(((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) |
                                                 (s[i + 2] & 0x3F));
                    i += 3;
                } else {
                    *o++ = kReplacement;
                    i += 2;
                }
            } else {
                *o++ = kReplacement;
                ++i;
            }
        } else if (b < 0xF5) {
            const unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
            const unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;
            if (i + 1 < size && s[i + 1] >= lo && s[i + 1] <= hi) {
                if (i + 2 < size && isContinuation(s[i + 2])) {
                    if (i + 3 < size && isContinuation(s[i + 3])) {
                        const std::uint32_t c = ((b & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) |
                                                ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
                        *o++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                        *o++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                        i += 4;
                    } else {
                        *o++ = kReplacement;
                        i += 3;
                    }
                } else {
                    *o++ = kReplacement;
                    i += 2;
                }
            } else {
                *o++ = kReplacement;
                ++i;
            }
        } else {
            *o++ = kReplacement;
            ++i;
        }
    }
    return static_cast<std::size_t>(o - out);
}

inline bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Four ASCII units at a time.
inline bool fourAscii(const char16_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return (v & 0xFF80FF80FF80FF80ull) == 0;
}

// Walks the text once; with a null `out` it only counts. A lone surrogate
// becomes U+FFFD (EF BF BD).
std::size_t encodeUtf8(std::u16string_view text, char* out) {
    const char16_t* s = text.data();
    const std::size_t n = text.size();
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < n) {
        while (i + 4 <= n && fourAscii(s + i)) {
            if (out) {
                out[count] = static_cast<char>(s[i]);
                out[count + 1] = static_cast<char>(s[i + 1]);
                out[count + 2] = static_cast<char>(s[i + 2]);
                out[count + 3] = static_cast<char>(s[i + 3]);
            }
            count += 4;
            i += 4;
        }
        if (i >= n)
            break;
        std::uint32_t c = s[i++];
        if (isHighSurrogate(static_cast<char16_t>(c)) && i < n && isLowSurrogate(s[i])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
        } else if (isHighSurrogate(static_cast<char16_t>(c)) ||
                   isLowSurrogate(static_cast<char16_t>(c))) {
            c = kReplacement;
        }
        if (c < 0x80) {
            if (out)
                out[count] = static_cast<char>(c);
            count += 1;
        } else if (c < 0x800) {
            if (out) {
                out[count] = static_cast<char>(0xC0 | (c >> 6));
                out[count + 1] = static_cast<char>(0x80 | (c & 0x3F));
            }
            count += 2;
        } else if (c < 0x10000) {
            if (out) {
                out[count] = static_cast<char>(0xE0 | (c >> 12));
                out[count + 1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out[count + 2] = static_cast<char>(0x80 | (c & 0x3F));
            }
            count += 3;
        } else {
            if (out) {
                out[count] = static_cast<char>(0xF0 | (c >> 18));
                out[count + 1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                out[count + 2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out[count + 3] = static_cast<char>(0x80 | (c & 0x3F));
            }
            count += 4;
        }
    }
    return count;
}

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
