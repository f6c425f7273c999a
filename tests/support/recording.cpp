#include "recording.h"

#include <cstdio>
#include <memory>

#include "dom_page.h"

namespace tnk::testrec {

namespace {

std::optional<std::string> unescape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size()) {
            return std::nullopt;
        }
        switch (value[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string_view> split(std::string_view line, char separator) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (true) {
        const std::size_t end = line.find(separator, at);
        parts.push_back(line.substr(at, end == std::string_view::npos ? end : end - at));
        if (end == std::string_view::npos) {
            return parts;
        }
        at = end + 1;
    }
}

bool fail(std::string* error, std::size_t line, const std::string& why) {
    if (error) {
        *error = "line " + std::to_string(line) + ": " + why;
    }
    return false;
}

// Reads the NAME=VALUE fields of parts[from..].
bool readFields(const std::vector<std::string_view>& parts, std::size_t from, Record& record) {
    for (std::size_t k = from; k < parts.size(); ++k) {
        const std::size_t equals = parts[k].find('=');
        if (equals == std::string_view::npos || equals == 0) {
            return false;
        }
        auto value = unescape(parts[k].substr(equals + 1));
        if (!value) {
            return false;
        }
        record.fields.emplace_back(std::string(parts[k].substr(0, equals)),
                                   testpage::utf16(*value));
    }
    return true;
}

dom::Point pointOf(const std::u16string& text) {
    const auto n = numbersOf(text);
    return n && n->size() == 2 ? dom::Point{(*n)[0], (*n)[1]} : dom::Point{};
}

}  // namespace

const std::u16string* Record::get(std::string_view name) const {
    for (const auto& [key, value] : fields) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

std::u16string Record::text(std::string_view name) const {
    const std::u16string* value = get(name);
    return value ? *value : std::u16string();
}

std::optional<std::vector<std::int32_t>> numbersOf(std::u16string_view text) {
    std::vector<std::int32_t> out;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find_first_of(u",;", at);
        end = end == std::u16string_view::npos ? text.size() : end;
        std::u16string_view number = text.substr(at, end - at);
        const bool negative = !number.empty() && number[0] == u'-';
        if (negative) {
            number.remove_prefix(1);
        }
        if (number.empty() || number.size() > 9) {
            return std::nullopt;
        }
        std::int32_t value = 0;
        for (char16_t c : number) {
            if (c < u'0' || c > u'9') {
                return std::nullopt;
            }
            value = value * 10 + (c - u'0');
        }
        out.push_back(negative ? -value : value);
        at = end + 1;
    }
    return out;
}

std::optional<Recording> parseRecording(std::string_view text, std::string* error) {
    Recording recording;
    std::size_t lineNumber = 0;
    bool header = false;
    int lastDepth = -1;
    for (std::string_view line : split(text, '\n')) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (lineNumber == 1) {
            const auto words = split(line, ' ');
            if (words.size() != 3 || words[0] != "tarnwick-recording" || words[1] != "1") {
                fail(error, lineNumber, "not a recording");
                return std::nullopt;
            }
            recording.type = words[2];
            continue;
        }
        const auto parts = split(line, '\t');
        Record record;
        if (parts[0] == "page") {
            if (!readFields(parts, 1, record)) {
                fail(error, lineNumber, "bad field");
                return std::nullopt;
            }
            recording.name = record.text("name");
            recording.url = record.text("url");
            recording.title = record.text("title");
            recording.viewport = pointOf(record.text("viewport"));
            recording.size = pointOf(record.text("size"));
            header = true;
            continue;
        }
        const auto depth = parts.size() > 1 ? numbersOf(testpage::utf16(parts[1])) : std::nullopt;
        if (!header || !depth || depth->size() != 1 || (*depth)[0] < 0 ||
            (*depth)[0] > lastDepth + 1 || (lastDepth < 0 && (*depth)[0] != 0)) {
            fail(error, lineNumber, header ? "bad depth" : "node before the page line");
            return std::nullopt;
        }
        record.kind = std::string(parts[0]);
        record.depth = (*depth)[0];
        if (!readFields(parts, 2, record)) {
            fail(error, lineNumber, "bad field");
            return std::nullopt;
        }
        lastDepth = record.depth;
        recording.nodes.push_back(std::move(record));
    }
    if (!header) {
        fail(error, lineNumber, "no page line");
        return std::nullopt;
    }
    return recording;
}

std::optional<Recording> readRecording(const std::string& path, std::string* error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) {
        if (error) {
            *error = "cannot open " + path;
        }
        return std::nullopt;
    }
    std::string text;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        text.append(buffer, got);
    }
    return parseRecording(text, error);
}

std::string dataPath(std::string_view built) {
#ifdef _WIN32
    if (!built.empty() && built[0] == '/') {
        std::string path = "Z:";
        for (char c : built) {
            path += c == '/' ? '\\' : c;
        }
        return path;
    }
#endif
    return std::string(built);
}

}  // namespace tnk::testrec
