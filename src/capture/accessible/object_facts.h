#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/accessible/accessible.h"

namespace tnk::acc {

// What the page model reads of every object it visits, once per object.
struct Facts {
    Role role;
    std::uint32_t state = 0;
    std::optional<std::u16string> attributes;
    // The "tag" and "display" attributes, read from `attributes` once (an
    // empty value counts as none): every walk asks for them of every object.
    std::optional<std::u16string> tag;
    std::optional<std::u16string> display;
};

Facts factsOf(Role role, std::uint32_t state, std::optional<std::u16string> attributes);
Facts readFacts(Object& object);

// The tag: the IAccessible2 "tag" attribute, else a role given as a string,
// else a name for the role number ("document", "link", "cell").
std::u16string tagOf(const Facts& facts);

// How an object's text joins its siblings' text.
enum class Flow { inline_, block, cell };
Flow flowOf(const Facts& facts);

// Whether the program says how the object is displayed (the IAccessible2
// "display" attribute): where it does not, a block-like role is a guess that
// the object's box can correct.
bool hasDisplay(const Facts& facts);

// The display value the filtered walk sees: the IAccessible2 "display"
// attribute where offered, else one derived from the role; "none" for an
// invisible object.
std::u16string displayOf(const Facts& facts);

bool isInvisible(const Facts& facts);
// Editable text gives its value as its text, every other leaf its name.
bool isEditableText(const Facts& facts);
// An image: its name is its alternative text, which the page does not show
// while the image is there.
bool isImage(const Facts& facts);
// A run of text without an element of its own (a static text without a
// tag): written into the markup as bare text.
bool isTextRun(const Facts& facts);

}  // namespace tnk::acc
