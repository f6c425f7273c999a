#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "platform/win_string.h"

namespace tnk {

namespace {

// The Win32 conversion functions take int sizes; larger texts go in pieces
// cut where no character is split.
constexpr std::size_t kMaxPiece = 1u << 30;

void multiByteToUtf16(UINT codePage, std::string_view bytes, std::u16string& out) {
    out.clear();
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t piece = std::min(bytes.size() - done, kMaxPiece);
        if (codePage == CP_UTF8 && done + piece < bytes.size()) {
            // Back up to the start of a UTF-8 sequence.
            while (piece > 0 && (static_cast<unsigned char>(bytes[done + piece]) & 0xC0) == 0x80)
                --piece;
        }
        const int inSize = static_cast<int>(piece);
        const int n = MultiByteToWideChar(codePage, 0, bytes.data() + done, inSize, nullptr, 0);
        if (n <= 0)
            break;
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(n));
        MultiByteToWideChar(codePage, 0, bytes.data() + done, inSize,
                            reinterpret_cast<wchar_t*>(out.data() + at), n);
        done += piece;
    }
}

std::size_t utf16PieceAt(std::u16string_view text, std::size_t done) {
    std::size_t piece = std::min(text.size() - done, kMaxPiece);
    if (done + piece < text.size()) {
        const char16_t last = text[done + piece - 1];
        if (last >= 0xD800 && last <= 0xDBFF)
            --piece;
    }
    return piece;
}

std::size_t utf16ToMultiByte(UINT codePage, std::u16string_view text, char* out) {
    std::size_t total = 0;
    std::size_t done = 0;
    while (done < text.size()) {
        const std::size_t piece = utf16PieceAt(text, done);
        const wchar_t* src = reinterpret_cast<const wchar_t*>(text.data() + done);
        const int n = WideCharToMultiByte(codePage, 0, src, static_cast<int>(piece), nullptr, 0,
                                          nullptr, nullptr);
        if (n <= 0)
            break;
        if (out) {
            WideCharToMultiByte(codePage, 0, src, static_cast<int>(piece), out + total, n, nullptr,
                                nullptr);
        }
        total += static_cast<std::size_t>(n);
        done += piece;
    }
    return total;
}

std::string utf16ToMultiByteString(UINT codePage, std::u16string_view text) {
    std::string out;
    out.resize(utf16ToMultiByte(codePage, text, nullptr));
    utf16ToMultiByte(codePage, text, out.data());
    return out;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    multiByteToUtf16(CP_UTF8, bytes, out);
    return out;
}

void utf8ToUtf16(std::string_view bytes, std::u16string& out) {
    multiByteToUtf16(CP_UTF8, bytes, out);
}

std::string utf16ToUtf8(std::u16string_view text) {
    return utf16ToMultiByteString(CP_UTF8, text);
}

std::size_t utf8Size(std::u16string_view text) {
    return utf16ToMultiByte(CP_UTF8, text, nullptr);
}

void utf16ToUtf8(std::u16string_view text, char* out) {
    utf16ToMultiByte(CP_UTF8, text, out);
}

std::u16string ansiToUtf16(std::string_view bytes) {
    std::u16string out;
    multiByteToUtf16(CP_ACP, bytes, out);
    return out;
}

std::string utf16ToAnsi(std::u16string_view text) {
    return utf16ToMultiByteString(CP_ACP, text);
}

std::u16string executablePath() {
    // MAX_PATH is not a limit for long paths: grow until the name fits.
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768 * 2) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return fromWide(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::u16string executableFolder() {
    std::u16string path = executablePath();
    const std::size_t slash = path.find_last_of(u"\\/");
    if (slash == std::u16string::npos)
        return {};
    path.resize(slash + 1);
    return path;
}

char16_t pathSeparator() {
    return u'\\';
}

LocalTime currentLocalTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    return t;
}

std::uint32_t currentProcessId() {
    return GetCurrentProcessId();
}

std::vector<std::u16string> commandLineArguments(int argc, char** argv) {
    std::vector<std::u16string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        for (int i = 1; i < count; ++i)
            args.push_back(fromWide(wide[i]));
        LocalFree(wide);
        return args;
    }
    for (int i = 1; i < argc; ++i)
        args.push_back(ansiToUtf16(argv[i]));
    return args;
}

bool writeStandardOutput(const void* data, std::size_t size) {
    // Text mode would turn the markup's CR LF into CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace tnk
