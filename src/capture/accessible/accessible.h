#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/dom.h"

// The accessible objects of any program, as the capture engine's page model
// needs them: exactly the calls it makes of IAccessible and, where offered,
// IAccessible2. The Windows side wraps COM objects; tests use an in-memory
// tree. Results an object does not give are empty, never errors.
namespace tnk::acc {

// The roles and states of the accessibility interfaces that the page model
// tells apart (their published numbers).
namespace role {
constexpr std::int32_t client = 10;
constexpr std::int32_t document = 15;
constexpr std::int32_t grouping = 20;
constexpr std::int32_t separator = 21;
constexpr std::int32_t table = 24;
constexpr std::int32_t row = 28;
constexpr std::int32_t cell = 29;
constexpr std::int32_t list = 33;
constexpr std::int32_t listItem = 34;
constexpr std::int32_t staticText = 41;
constexpr std::int32_t text = 42;
}  // namespace role

namespace state {
constexpr std::uint32_t readOnly = 0x40;
constexpr std::uint32_t invisible = 0x8000;
}  // namespace state

// A role as the object gives it: a number, or a string some programs give
// instead (often the tag name).
struct Role {
    std::int32_t number = 0;
    std::u16string text;
    bool isText = false;
};

class Object;
using ObjectPtr = std::shared_ptr<Object>;

// What a hit test found: nothing (the point is outside the object), the
// object itself, or a child (an object of its own or a simple element).
struct Hit {
    enum class Kind { outside, self, child };
    Kind kind = Kind::outside;
    ObjectPtr child;
};

// An object's text as IAccessible2 hypertext gives it: its own characters,
// with one U+FFFC standing for each embedded object (a child that is not
// plain text), in order.
struct Hypertext {
    std::u16string text;
    // One per U+FFFC; null where the program did not hand the object out.
    std::vector<ObjectPtr> embedded;
};

// A stretch [start, end) of an object's text that shares its text
// attributes ("font-size:12pt;color:rgb(0, 0, 0);").
struct TextRun {
    std::size_t start = 0;
    std::size_t end = 0;
    std::u16string attributes;
};

constexpr char16_t kEmbeddedObject = u'\uFFFC';

// One accessible object, or a simple element (a child number) of one.
class Object {
  public:
    virtual ~Object() = default;
    virtual dom::Identity identity() const = 0;
    virtual std::optional<Role> role() = 0;
    virtual std::optional<std::u16string> name() = 0;
    virtual std::optional<std::u16string> value() = 0;
    virtual std::uint32_t state() = 0;
    // Null above the top the object knows, or when not answered.
    virtual ObjectPtr parent() = 0;
    virtual std::vector<ObjectPtr> children() = 0;
    // `screen` in screen pixels.
    virtual Hit hitTest(dom::Point screen) = 0;
    // IAccessible2 object attributes ("tag:p;display:block;"); empty when
    // the object offers none.
    virtual std::optional<std::u16string> objectAttributes() = 0;
    // IAccessible2 text attributes at the start of the object's text
    // ("font-size:12pt;color:rgb(0, 0, 0);"); empty when not offered.
    virtual std::optional<std::u16string> textAttributes() = 0;
    // The whole text in a few calls (IAccessibleHypertext), where offered.
    virtual std::optional<Hypertext> hypertext() { return std::nullopt; }
    // The attribute runs over the hypertext, in order; empty when not
    // offered.
    virtual std::vector<TextRun> textRuns() { return {}; }
    // The object's box in screen pixels; empty when not answered.
    virtual std::optional<dom::Rect> location() { return std::nullopt; }
};

}  // namespace tnk::acc
