#pragma once

#include <optional>
#include <string>
#include <string_view>

// The attribute strings of the IAccessible2 interfaces:
// "name:value;name:value;", where a backslash escapes a backslash, colon,
// comma, equals sign or semicolon.
namespace tnk::acc {

// The unescaped value of `name`; empty when the name is absent.
std::optional<std::u16string> attributeValue(std::u16string_view attributes,
                                             std::u16string_view name);

// A colour as the text attributes give it, in a form the colour comparison
// of the filtered walk understands: "rgb(r, g, b)" becomes "#rrggbb", a
// transparent colour (or "rgba(..., 0)") becomes "transparent"; anything else
// stays as given.
std::u16string cssColor(std::u16string_view value);

}  // namespace tnk::acc
