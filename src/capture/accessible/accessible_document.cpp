#include "capture/accessible/accessible_document.h"

#include <optional>
#include <string_view>
#include <utility>

#include "capture/accessible/attributes.h"
#include "capture/accessible/page_entry.h"

namespace tnk::acc {

namespace {

// Hit tests go down at most this many objects: a program whose objects
// point at each other in a circle must not hold the capture.
constexpr int kMaxHitDepth = 512;
// Walks up to the page's document give up after this many steps.
constexpr int kMaxParentSteps = 4096;
// "+" climbs at most this many parents above the captured object: one whose
// parents run in a circle never reaches the window's client object.
constexpr int kMaxClimb = 512;

std::u16string upperAscii(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - (u'a' - u'A'));
        }
    }
    return text;
}

// A scheme, a colon and no spaces: "https://...", "about:blank", "file:...".
bool looksLikeAddress(std::u16string_view text) {
    const std::size_t colon = text.find(u':');
    if (colon == std::u16string_view::npos || colon == 0 || colon + 1 == text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < colon; ++i) {
        const char16_t c = text[i];
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!letter && !(i > 0 && other)) {
            return false;
        }
    }
    return text.find_first_of(u" \t\r\n") == std::u16string_view::npos;
}

bool isDocument(const Role& role) {
    return role.isText ? role.text == u"document" : role.number == role::document;
}

class AccPage;

// Where an object stands in a walk of the filtered text: its depth below
// the walk's first element and what the walk may still visit. An element
// reached from the page, not from a walk, starts a walk of its own.
struct WalkPlace {
    std::shared_ptr<WalkBudget> budget;
    std::size_t depth = 0;
};

class TextNode final : public dom::Node {
  public:
    explicit TextNode(std::u16string text) : text_(std::move(text)) {}
    dom::Identity identity() const override { return this; }
    int nodeType() override { return 3; }
    std::optional<std::u16string> nodeValue() override { return text_; }
    std::u16string nodeName() override { return u"#text"; }
    bool hasChildNodes() override { return false; }
    dom::NodePtr firstChild() override { return nullptr; }
    dom::NodePtr nextSibling() override { return nullptr; }
    dom::ElementPtr asElement() override { return nullptr; }

  private:
    std::u16string text_;
};

// The style the filtered walk sees. Font size and colours come from the
// text attributes of text leaves only: a container's text start belongs to
// its first child, whose style must not decide for the whole container.
class AccStyle final : public dom::Style {
  public:
    explicit AccStyle(Entry& entry) {
        display_ = displayOf(entry.facts());
        if (display_ == u"block" && !hasDisplay(entry.facts()) &&
            entry.placedInLine().value_or(false)) {
            display_ = u"inline";
        }
        const auto& attributes = entry.isLeaf() ? entry.textAttributes() : std::nullopt;
        if (!attributes) {
            return;
        }
        fontSize_ = attributeValue(*attributes, u"font-size").value_or(std::u16string());
        if (auto color = attributeValue(*attributes, u"color")) {
            color_ = dom::StyleValue::ofText(cssColor(*color));
            const auto background = attributeValue(*attributes, u"background-color");
            background_ = dom::StyleValue::ofText(background ? cssColor(*background)
                                                             : std::u16string(u"transparent"));
        }
    }
    std::u16string display() override { return display_; }
    std::u16string fontSize() override { return fontSize_; }
    dom::StyleValue color() override { return color_; }
    dom::StyleValue backgroundColor() override { return background_; }
    // The text of accessible objects is the program's rendered text, its
    // spaces already collapsed: laying it out again would join what the
    // program keeps apart.
    std::u16string whiteSpace() override { return u"pre-wrap"; }

  private:
    std::u16string display_;
    std::u16string fontSize_;
    // Without text attributes the colours are unknown: a number that is no
    // colour makes the background unreadable, so the filter keeps the text,
    // and stops a text run's transparent background from looking further up
    // (a container has no background of its own to offer).
    dom::StyleValue color_ = dom::StyleValue::ofNumber(0);
    dom::StyleValue background_ = dom::StyleValue::ofNumber(-1);
};

class AccPage final : public dom::Document, public std::enable_shared_from_this<AccPage> {
  public:
    explicit AccPage(PageSource source) : source_(std::move(source)) {}

    dom::Identity identity() const override { return this; }
    dom::ElementPtr elementFromPoint(dom::Point p) override;
    std::optional<std::u16string> url() override { return source().url; }
    std::optional<std::u16string> title() override { return source().title; }
    dom::ElementPtr documentElement() override;
    dom::WindowPtr scriptWindow() override { return nullptr; }
    std::optional<std::vector<dom::ElementPtr>> elementsByTagName(const std::u16string&) override {
        return std::nullopt;
    }

    bool isClient(const acc::Object& object) const {
        return object.identity() == source_.client->identity();
    }
    dom::Point toClient(dom::Point screen) const {
        return source_.screenToClient ? source_.screenToClient(screen) : screen;
    }
    dom::ElementPtr element(EntryPtr entry, WalkPlace place = {});
    EntryPtr entry(const ObjectPtr& object) { return cache_.entry(object); }
    void refresh() override { cache_.clear(); }

  private:
    struct Source {
        std::optional<std::u16string> url;
        std::optional<std::u16string> title;
    };
    ObjectPtr hitDeepest(dom::Point screen);
    EntryPtr elementAt(const ObjectPtr& found);
    const Source& source();

    PageSource source_;
    EntryCache cache_;
    // The last object found under the cursor: the page's document is the
    // nearest one above it.
    EntryPtr lastHit_;
    std::optional<Source> sourceOfLastHit_;
};

class AccElement final : public dom::Element {
  public:
    AccElement(std::shared_ptr<AccPage> page, EntryPtr entry, WalkPlace place = {})
        : page_(std::move(page)), entry_(std::move(entry)), place_(std::move(place)) {}

    dom::Identity identity() const override { return entry_->object().identity(); }
    std::u16string tagName() override { return tagOf(entry_->facts()); }
    std::optional<std::u16string> innerText() override { return whole().text; }
    std::optional<std::u16string> outerHtml() override { return whole().html; }
    dom::Rendering render(const dom::RenderLimits& limits) override {
        if (limits.textChars == SIZE_MAX && limits.markupChars == SIZE_MAX && whole_) {
            return *whole_;
        }
        dom::Rendering rendering = acc::render(entry_, limits);
        if (!rendering.stopped && !rendering.textCut && !rendering.markupCut) {
            whole_ = rendering;
        }
        return rendering;
    }
    dom::ElementPtr parentElement() override;
    dom::DocumentPtr document() override { return page_; }
    dom::NodePtr asNode() override;
    std::unique_ptr<dom::Style> currentStyle() override {
        return std::make_unique<AccStyle>(*entry_);
    }
    std::int32_t offsetLeft() override { return 0; }
    std::int32_t offsetTop() override { return 0; }
    dom::ElementPtr offsetParent() override { return nullptr; }
    std::optional<dom::Point> textContainerScroll() override { return std::nullopt; }
    std::optional<dom::Point> clientEdge() override { return std::nullopt; }
    std::optional<dom::Point> scroll() override { return std::nullopt; }
    dom::WindowPtr contentWindow() override { return nullptr; }
    bool isWebBrowser() override { return false; }
    std::optional<dom::Rect> clientBox() override;

  private:
    // Text and markup come from one walk, kept for the element's life once
    // whole: the engine asks for both of every element it shows.
    const dom::Rendering& whole() {
        if (!whole_) {
            whole_ = acc::render(entry_, {});
        }
        return *whole_;
    }

    std::shared_ptr<AccPage> page_;
    EntryPtr entry_;
    WalkPlace place_;
    std::optional<dom::Rendering> whole_;
    // Parents climbed from the object found under the cursor to this one.
    int climbed_ = 0;
};

// An object as a node of the filtered walk: its children are its child
// objects, and a leaf's only child is its text.
class AccNode final : public dom::Node {
  public:
    AccNode(std::shared_ptr<AccPage> page, EntryPtr entry, WalkPlace place, ObjectList siblings,
            std::size_t index)
        : page_(std::move(page)),
          entry_(std::move(entry)),
          place_(std::move(place)),
          siblings_(std::move(siblings)),
          index_(index) {}

    dom::Identity identity() const override { return entry_->object().identity(); }
    int nodeType() override { return 1; }
    std::optional<std::u16string> nodeValue() override { return std::nullopt; }
    // A cell the program names no tag for goes by the page's name for one,
    // so the filtered walk keeps an empty cell's column.
    std::u16string nodeName() override {
        const Facts& facts = entry_->facts();
        return !facts.tag && flowOf(facts) == Flow::cell ? u"TD" : upperAscii(tagOf(facts));
    }
    bool hasChildNodes() override { return !entry_->isLeaf() || !entry_->readableText().empty(); }
    dom::NodePtr firstChild() override {
        const ObjectList& children = entry_->styledContent();
        if (!children->empty()) {
            if (place_.depth + 1 >= kMaxWalkDepth) {
                return nullptr;
            }
            return nodeAt(children, 0, {place_.budget, place_.depth + 1});
        }
        const std::u16string& text = entry_->readableText();
        if (text.empty() || !place_.budget->takeChars(text.size())) {
            return nullptr;
        }
        return std::make_shared<TextNode>(text);
    }
    dom::NodePtr nextSibling() override {
        return siblings_ ? nodeAt(siblings_, index_ + 1, place_) : nullptr;
    }
    dom::ElementPtr asElement() override { return page_->element(entry_, place_); }

  private:
    // The node of the first present object at or after `index`.
    dom::NodePtr nodeAt(const ObjectList& list, std::size_t index, const WalkPlace& place) {
        for (; index < list->size(); ++index) {
            if ((*list)[index]) {
                if (!place.budget->take()) {
                    return nullptr;
                }
                return std::make_shared<AccNode>(page_, page_->entry((*list)[index]), place, list,
                                                 index);
            }
        }
        return nullptr;
    }

    std::shared_ptr<AccPage> page_;
    EntryPtr entry_;
    WalkPlace place_;
    ObjectList siblings_;
    std::size_t index_;
};

dom::NodePtr AccElement::asNode() {
    WalkPlace place = place_;
    if (!place.budget) {
        place.budget = std::make_shared<WalkBudget>();
    }
    return std::make_shared<AccNode>(page_, entry_, std::move(place), nullptr, 0);
}

dom::ElementPtr AccElement::parentElement() {
    if (page_->isClient(entry_->object()) || climbed_ + 1 >= kMaxClimb) {
        return nullptr;
    }
    const ObjectPtr& parent = entry_->parent();
    if (!parent) {
        return nullptr;
    }
    auto element = std::make_shared<AccElement>(page_, page_->entry(parent));
    element->climbed_ = climbed_ + 1;
    return element;
}

std::optional<dom::Rect> AccElement::clientBox() {
    // Asked afresh, not from the entry: the page may have scrolled since the
    // capture began, and the outline must sit where the object is now.
    const std::optional<dom::Rect> screen = entry_->object().location();
    if (!screen || screen->empty()) {
        return std::nullopt;
    }
    const dom::Point topLeft = page_->toClient({screen->left, screen->top});
    const dom::Point bottomRight = page_->toClient({screen->right, screen->bottom});
    return dom::Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

dom::ElementPtr AccPage::element(EntryPtr entry, WalkPlace place) {
    return std::make_shared<AccElement>(shared_from_this(), std::move(entry), std::move(place));
}

dom::ElementPtr AccPage::documentElement() {
    return element(entry(source_.client));
}

ObjectPtr AccPage::hitDeepest(dom::Point screen) {
    ObjectPtr at = source_.client;
    ObjectPtr above;
    for (int depth = 0; depth < kMaxHitDepth; ++depth) {
        Hit hit = at->hitTest(screen);
        if (hit.kind == Hit::Kind::outside) {
            return above;
        }
        if (hit.kind == Hit::Kind::self || !hit.child || hit.child->identity() == at->identity()) {
            return at;
        }
        above = std::move(at);
        at = std::move(hit.child);
    }
    return at;
}

// A run of text is to a page what a text node is to an HTML page: the
// element under the point is the object holding it, unless that is the
// client object itself (a label of a window of plain controls).
EntryPtr AccPage::elementAt(const ObjectPtr& found) {
    if (!found) {
        return nullptr;
    }
    EntryPtr at = entry(found);
    if (isClient(*found) || !isTextRun(at->facts())) {
        return at;
    }
    const ObjectPtr& holder = at->parent();
    if (!holder || isClient(*holder)) {
        return at;
    }
    return entry(holder);
}

dom::ElementPtr AccPage::elementFromPoint(dom::Point p) {
    const dom::Point screen = source_.clientToScreen ? source_.clientToScreen(p) : p;
    ObjectPtr found = hitDeepest(screen);
    if (found && source_.reacquire && isClient(*found) && found->children().empty()) {
        if (ObjectPtr fresh = source_.reacquire()) {
            source_.client = std::move(fresh);
            cache_.clear();
            found = hitDeepest(screen);
        }
    }
    lastHit_ = elementAt(found);
    sourceOfLastHit_.reset();
    return lastHit_ ? element(lastHit_) : nullptr;
}

const AccPage::Source& AccPage::source() {
    if (sourceOfLastHit_) {
        return *sourceOfLastHit_;
    }
    Source found{std::nullopt, source_.windowText};
    EntryPtr at = lastHit_;
    for (int step = 0; at && step < kMaxParentSteps; ++step) {
        if (isDocument(at->facts().role)) {
            if (auto name = at->object().name(); name && !name->empty()) {
                found.title = std::move(name);
            }
            if (auto value = at->object().value(); value && looksLikeAddress(*value)) {
                found.url = std::move(value);
            }
            break;
        }
        if (isClient(at->object())) {
            break;
        }
        const ObjectPtr& parent = at->parent();
        at = parent ? entry(parent) : nullptr;
    }
    sourceOfLastHit_ = std::move(found);
    return *sourceOfLastHit_;
}

}  // namespace

dom::DocumentPtr makeDocument(PageSource source) {
    if (!source.client) {
        return nullptr;
    }
    return std::make_shared<AccPage>(std::move(source));
}

}  // namespace tnk::acc
