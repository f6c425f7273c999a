#include "capture/accessible/attributes.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tnk::acc {

namespace {

// Reads one escaped field up to an unescaped `stop`; `at` ends after it.
std::u16string readField(std::u16string_view text, std::size_t& at, char16_t stop) {
    std::u16string field;
    while (at < text.size() && text[at] != stop) {
        if (text[at] == u'\\' && at + 1 < text.size()) {
            ++at;
        }
        field += text[at++];
    }
    if (at < text.size()) {
        ++at;
    }
    return field;
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}

// The numbers of "rgb(...)" or "rgba(...)", each clamped to 0..255, or
// nothing when the text has another form.
std::optional<std::array<double, 4>> rgbNumbers(std::u16string_view value) {
    std::size_t at = 0;
    if (value.substr(0, 5) == u"rgba(") {
        at = 5;
    } else if (value.substr(0, 4) == u"rgb(") {
        at = 4;
    } else {
        return std::nullopt;
    }
    std::array<double, 4> numbers{0, 0, 0, 1};
    std::size_t count = 0;
    while (count < 4) {
        while (at < value.size() && isSpace(value[at])) {
            ++at;
        }
        double number = 0;
        double scale = 0;
        bool digits = false;
        while (at < value.size() &&
               ((value[at] >= u'0' && value[at] <= u'9') || (value[at] == u'.' && scale == 0))) {
            if (value[at] == u'.') {
                scale = 1;
            } else if (scale == 0) {
                number = number * 10 + (value[at] - u'0');
                digits = true;
            } else {
                scale /= 10;
                number += scale * (value[at] - u'0');
                digits = true;
            }
            ++at;
        }
        if (!digits) {
            return std::nullopt;
        }
        numbers[count++] = number;
        while (at < value.size() && isSpace(value[at])) {
            ++at;
        }
        if (at < value.size() && value[at] == u',') {
            ++at;
            continue;
        }
        break;
    }
    if (count < 3 || at >= value.size() || value[at] != u')') {
        return std::nullopt;
    }
    return numbers;
}

}  // namespace

std::optional<std::u16string> attributeValue(std::u16string_view attributes,
                                             std::u16string_view name) {
    std::size_t at = 0;
    while (at < attributes.size()) {
        std::u16string key = readField(attributes, at, u':');
        std::u16string value = readField(attributes, at, u';');
        if (key == name) {
            return value;
        }
    }
    return std::nullopt;
}

std::u16string cssColor(std::u16string_view value) {
    while (!value.empty() && isSpace(value.front())) {
        value.remove_prefix(1);
    }
    while (!value.empty() && isSpace(value.back())) {
        value.remove_suffix(1);
    }
    if (value == u"transparent") {
        return u"transparent";
    }
    const auto numbers = rgbNumbers(value);
    if (!numbers) {
        return std::u16string(value);
    }
    if ((*numbers)[3] == 0) {
        return u"transparent";
    }
    static const char16_t hex[] = u"0123456789abcdef";
    std::u16string text = u"#";
    for (std::size_t i = 0; i < 3; ++i) {
        const auto byte = static_cast<std::uint32_t>(std::min((*numbers)[i], 255.0) + 0.5);
        text += hex[byte >> 4];
        text += hex[byte & 15];
    }
    return text;
}

}  // namespace tnk::acc
