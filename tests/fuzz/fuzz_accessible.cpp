// The capture engine over the accessible page model, with a program whose
// objects the bytes describe and which may be hostile. The bytes give, in
// order: the number of objects, then per object a flag word (which answers
// are missing, a role string, huge texts, a second children list given on
// every other call), its role, name, value, state, parent, children, two
// hit-test answers (chosen by the point's parity) and attribute strings; a
// reference to an object may name a simple element of it. Then the object
// handed out when the window is asked again, and three points. At every
// point the engine captures, enlarges (at most kMaxEnlarge times), shrinks
// back to what it captured, and takes the filtered text and frame offset;
// at the end it records the page's title and address. After kMaxChildLists
// lists of children the program lists no more. The attribute strings are
// also put to the attribute and colour parsers directly: an escaped
// "key:value;" in front of any text reads back as the value, and a colour
// becomes "transparent", "#rrggbb" from an rgb form, or stays as given.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/accessible/accessible_document.h"
#include "capture/accessible/attributes.h"
#include "capture/capture_engine.h"
#include "fake_windows.h"

namespace {

using namespace tnk;

constexpr int kMaxEnlarge = 12;
constexpr std::size_t kHugeText = 1 << 11;
// The program stops listing children after this many lists, so that a
// cycle costs each input milliseconds rather than the page model's full
// walk budget.
constexpr std::size_t kMaxChildLists = 200;

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// String equality without the instrumented per-character loop: the texts
// of a cyclic tree run to megabytes.
bool same(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

// What the view shows of a text: all of it, or the start of it with the cut
// mark when the view was cut.
bool shows(const std::u16string& shown, const std::u16string& whole, bool cut) {
    if (!cut) {
        return same(shown, whole);
    }
    const std::size_t kept = shown.size() - 1;
    return !shown.empty() && shown.back() == CaptureEngine::kCutMark && kept <= whole.size() &&
           std::memcmp(shown.data(), whole.data(), kept * sizeof(char16_t)) == 0;
}

// An object of the tree, or with `part` set a simple element of one.
struct Ref {
    std::size_t index = 0;
    std::intptr_t part = 0;
};

struct Answer {
    acc::Hit::Kind kind = acc::Hit::Kind::outside;
    Ref child;
};

struct Described {
    std::optional<acc::Role> role;
    std::optional<std::u16string> name;
    std::optional<std::u16string> value;
    std::uint32_t state = 0;
    std::optional<Ref> parent;
    std::vector<Ref> children[2];
    Answer hits[2];
    std::optional<std::u16string> attributes;
    std::optional<std::u16string> textAttributes;
};

struct Tree {
    std::vector<Described> objects;
    std::size_t childrenCalls = 0;
};

class FuzzObject final : public acc::Object {
  public:
    FuzzObject(std::shared_ptr<Tree> tree, Ref ref) : tree_(std::move(tree)), ref_(ref) {}

    dom::Identity identity() const override {
        return dom::Identity(&tree_->objects[ref_.index], ref_.part);
    }
    std::optional<acc::Role> role() override { return facts().role; }
    std::optional<std::u16string> name() override { return facts().name; }
    std::optional<std::u16string> value() override { return facts().value; }
    std::uint32_t state() override { return facts().state; }
    acc::ObjectPtr parent() override {
        if (ref_.part) {
            return make({ref_.index, 0});
        }
        const auto& parent = own().parent;
        return parent ? make(*parent) : nullptr;
    }
    std::vector<acc::ObjectPtr> children() override {
        std::vector<acc::ObjectPtr> list;
        if (ref_.part || tree_->childrenCalls >= kMaxChildLists) {
            return list;
        }
        for (const Ref& child : own().children[tree_->childrenCalls++ & 1]) {
            list.push_back(make(child));
        }
        return list;
    }
    acc::Hit hitTest(dom::Point screen) override {
        if (ref_.part) {
            return {acc::Hit::Kind::self, nullptr};
        }
        const Answer& answer = own().hits[(screen.x + screen.y) & 1];
        return {answer.kind, answer.kind == acc::Hit::Kind::child ? make(answer.child) : nullptr};
    }
    std::optional<std::u16string> objectAttributes() override { return facts().attributes; }
    std::optional<std::u16string> textAttributes() override { return facts().textAttributes; }

  private:
    const Described& own() const { return tree_->objects[ref_.index]; }
    // A simple element answers with the facts of another object.
    const Described& facts() const {
        return tree_
            ->objects[(ref_.index + static_cast<std::size_t>(ref_.part)) % tree_->objects.size()];
    }
    acc::ObjectPtr make(Ref ref) const { return std::make_shared<FuzzObject>(tree_, ref); }

    std::shared_ptr<Tree> tree_;
    Ref ref_;
};

std::u16string escaped(std::u16string_view field) {
    std::u16string out;
    for (char16_t c : field) {
        if (c == u'\\' || c == u':' || c == u';' || c == u',' || c == u'=') {
            out += u'\\';
        }
        out += c;
    }
    return out;
}

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool isHexColour(std::u16string_view text) {
    if (text.size() != 7 || text[0] != u'#') {
        return false;
    }
    for (char16_t c : text.substr(1)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) {
            return false;
        }
    }
    return true;
}

void checkColour(std::u16string_view text) {
    const std::u16string colour = acc::cssColor(text);
    const bool rgbForm = trimmed(text).starts_with(u"rgb(") || trimmed(text).starts_with(u"rgba(");
    check(colour == u"transparent" || colour == trimmed(text) || (rgbForm && isHexColour(colour)));
    const std::int32_t rgb = CaptureEngine::parseColor(dom::StyleValue::ofText(colour));
    check(!isHexColour(colour) || (rgb >= 0 && rgb <= 0xFFFFFF));
}

void checkAttributes(const Described& object) {
    const std::u16string key = object.name.value_or(u"").substr(0, 8);
    const std::u16string value = object.attributes.value_or(u"");
    const std::u16string tail = object.textAttributes.value_or(u"");
    const auto read = acc::attributeValue(escaped(key) + u':' + escaped(value) + u';' + tail, key);
    check(read && *read == value);
    checkColour(value);
    for (std::u16string_view name : {u"color", u"background-color"}) {
        if (const auto colour = acc::attributeValue(tail, name)) {
            checkColour(*colour);
        }
    }
}

class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : in_(data, size) {}

    std::shared_ptr<Tree> tree() {
        auto tree = std::make_shared<Tree>();
        count_ = in_.ConsumeIntegralInRange<std::size_t>(1, 24);
        tree->objects.resize(count_);
        for (Described& object : tree->objects) {
            readObject(object);
        }
        return tree;
    }
    Ref ref() {
        const std::uint8_t b = in_.ConsumeIntegral<std::uint8_t>();
        const std::intptr_t part = b & 0x80 ? 1 + in_.ConsumeIntegralInRange<int>(0, 3) : 0;
        return {(b & 0x7F) % count_, part};
    }
    dom::Point point() {
        return {in_.ConsumeIntegralInRange<std::int32_t>(-10, 410),
                in_.ConsumeIntegralInRange<std::int32_t>(-10, 310)};
    }
    bool flag() { return in_.ConsumeBool(); }

  private:
    std::u16string text(std::size_t max, bool huge) {
        const std::string bytes = in_.ConsumeRandomLengthString(max);
        std::u16string wide(bytes.begin(), bytes.end());
        while (huge && !wide.empty() && wide.size() < kHugeText) {
            wide += wide;
        }
        return wide;
    }
    void readObject(Described& object) {
        const auto flags = in_.ConsumeIntegral<std::uint16_t>();
        if (!(flags & 1)) {
            acc::Role role;
            role.isText = flags & 2;
            if (role.isText) {
                role.text = text(16, false);
            } else {
                role.number = flags & 4 ? in_.ConsumeIntegral<std::int32_t>()
                                        : in_.ConsumeIntegralInRange<std::int32_t>(0, 70);
            }
            object.role = role;
        }
        if (!(flags & 8)) {
            object.name = text(24, flags & 0x10);
        }
        if (!(flags & 0x20)) {
            object.value = text(24, flags & 0x10);
        }
        object.state = flags & 0x40 ? in_.ConsumeIntegral<std::uint32_t>()
                                    : in_.PickValueInArray<std::uint32_t>(
                                          {0u, acc::state::invisible, acc::state::readOnly});
        if (in_.ConsumeBool()) {
            object.parent = ref();
        }
        for (int list = 0; list < 2; ++list) {
            if (list == 1 && !(flags & 0x80)) {
                object.children[1] = object.children[0];
                break;
            }
            for (int n = in_.ConsumeIntegralInRange(0, 6); n > 0; --n) {
                object.children[list].push_back(ref());
            }
        }
        for (Answer& hit : object.hits) {
            hit.kind = static_cast<acc::Hit::Kind>(in_.ConsumeIntegralInRange(0, 2));
            hit.child = ref();
        }
        if (!(flags & 0x100)) {
            object.attributes = text(64, false);
        }
        if (!(flags & 0x200)) {
            object.textAttributes = text(64, false);
        }
    }

    FuzzedDataProvider in_;
    std::size_t count_ = 1;
};

// Enlarges up to the top (or kMaxEnlarge), shrinks back and checks the
// captured element is shown again; then the filtered text and frame offset.
void exercise(CaptureEngine& engine, CaptureState& state, testpage::FakeCaptureHost& host) {
    const dom::ElementPtr base = state.baseElement;
    if (!base) {
        return;
    }
    const std::u16string wholeText = base->innerText().value_or(u"");
    const std::u16string wholeHtml = base->outerHtml().value_or(u"");
    check(shows(state.text, wholeText, state.viewCut) &&
          shows(state.html, wholeHtml, state.viewCut));
    for (int i = 0; i < kMaxEnlarge && host.enlargeEnabled; ++i) {
        engine.enlarge();
    }
    const std::int32_t levels = state.level;
    check(levels >= 0 && levels <= kMaxEnlarge);
    for (std::int32_t i = 0; i < levels; ++i) {
        engine.shrink();
    }
    // Back where it started: the element's text again, cut to the view as
    // after any step.
    check(state.level == 0 && !host.shrinkEnabled && shows(state.text, wholeText, state.viewCut) &&
          shows(state.html, wholeHtml, state.viewCut));
    // What a command keeps is the whole.
    check(engine.completeView() && !state.viewCut && same(state.text, wholeText));

    std::u16string filtered;
    engine.filteredText(*base, filtered);
    if (const dom::NodePtr node = base->asNode()) {
        engine.appendNodeText(*node, filtered);
    }
    dom::Point offset;
    check(engine.frameOffset(nullptr, base, offset) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    const std::shared_ptr<Tree> tree = in.tree();
    for (const Described& object : tree->objects) {
        checkAttributes(object);
    }
    const Ref client = in.ref();
    std::function<acc::ObjectPtr()> reacquire;
    if (in.flag()) {
        reacquire = [tree, again = in.ref()] { return std::make_shared<FuzzObject>(tree, again); };
    }

    testpage::FakeWindowSystem windows;
    const WindowHandle window =
        windows.add({.className = u"FuzzPage", .origin = {100, 130}, .size = {400, 300}});
    windows[window].accessible = acc::makeDocument({std::make_shared<FuzzObject>(tree, client),
                                                    [](dom::Point p) {
                                                        return dom::Point{p.x + 100, p.y + 130};
                                                    },
                                                    u"Fuzz window", std::move(reacquire)});
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
    engine.setAnyWindow(true);

    for (int i = 0; i < 3; ++i) {
        const dom::Point p = in.point();
        engine.captureAtPoint({p.x + 100, p.y + 130});
        exercise(engine, state, host);
    }
    engine.recordSource();
    engine.clearFrameOffsets();
    return 0;
}
