#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Services of the operating system that the portable layers need. Only the
// files platform_win.cpp and platform_posix.cpp know which system that is.
namespace tnk {

// Full path of the running executable; empty when the system does not say.
std::u16string executablePath();

// The folder of the running executable, ending with the path separator.
std::u16string executableFolder();

// The platform's path separator: '\\' on Windows, '/' elsewhere.
char16_t pathSeparator();

// UTF-8 <-> UTF-16. Invalid input is replaced (U+FFFD / EF BF BD), never dropped silently.
std::u16string utf8ToUtf16(std::string_view bytes);
std::string utf16ToUtf8(std::u16string_view text);
// The size of utf16ToUtf8(text), and the same conversion into a caller's
// buffer of exactly that size, so that large texts are converted in place.
std::size_t utf8Size(std::u16string_view text);
void utf16ToUtf8(std::u16string_view text, char* out);
// utf8ToUtf16 into `out`, replacing its content and reusing its storage.
void utf8ToUtf16(std::string_view bytes, std::u16string& out);

// The 8-bit "ANSI" code page: CP_ACP on Windows, the locale's encoding
// elsewhere. Characters the code page cannot hold become its default character.
std::u16string ansiToUtf16(std::string_view bytes);
std::string utf16ToAnsi(std::u16string_view text);

struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime currentLocalTime();

// The id of the running process.
std::uint32_t currentProcessId();

// The program's command-line arguments after the program name, as UTF-16:
// the wide command line on Windows, `argv` read as UTF-8 elsewhere.
std::vector<std::u16string> commandLineArguments(int argc, char** argv);

// Writes bytes to the standard output unchanged (no line-end translation).
bool writeStandardOutput(const void* data, std::size_t size);

}  // namespace tnk
