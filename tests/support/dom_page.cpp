#include "dom_page.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <unordered_map>

namespace tnk::testpage {

namespace {

using std::u16string;
using std::u16string_view;

bool isOneOf(u16string_view value, std::initializer_list<u16string_view> options) {
    return std::find(options.begin(), options.end(), value) != options.end();
}

bool isVoidTag(u16string_view tag) {
    return isOneOf(tag, {u"BR", u"IMG", u"INPUT", u"HR", u"META", u"LINK", u"AREA", u"BASE", u"COL",
                         u"PARAM", u"WBR", u"EMBED", u"SOURCE"});
}

bool isFrameTag(u16string_view tag) {
    return tag == u"FRAME" || tag == u"IFRAME";
}

u16string defaultDisplay(u16string_view tag) {
    if (isOneOf(tag,
                {u"HTML",     u"BODY",     u"DIV",        u"P",     u"H1", u"H2",      u"H3",
                 u"H4",       u"H5",       u"H6",         u"UL",    u"OL", u"DL",      u"DD",
                 u"DT",       u"PRE",      u"BLOCKQUOTE", u"FORM",  u"HR", u"ADDRESS", u"CENTER",
                 u"FIELDSET", u"FRAMESET", u"FRAME",      u"IFRAME"})) {
        return tag == u"IFRAME" ? u"inline" : u"block";
    }
    if (tag == u"LI") {
        return u"list-item";
    }
    if (tag == u"TABLE") {
        return u"table";
    }
    if (tag == u"TR") {
        return u"table-row";
    }
    if (tag == u"TD" || tag == u"TH") {
        return u"table-cell";
    }
    if (tag == u"TBODY") {
        return u"table-row-group";
    }
    if (tag == u"THEAD") {
        return u"table-header-group";
    }
    if (tag == u"TFOOT") {
        return u"table-footer-group";
    }
    if (tag == u"CAPTION") {
        return u"table-caption";
    }
    if (isOneOf(tag, {u"HEAD", u"TITLE", u"SCRIPT", u"STYLE", u"META", u"LINK"})) {
        return u"none";
    }
    return u"inline";
}

char16_t upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c;
}
char16_t lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

u16string toUpper(u16string s) {
    std::transform(s.begin(), s.end(), s.begin(), upper);
    return s;
}
u16string toLower(u16string s) {
    std::transform(s.begin(), s.end(), s.begin(), lower);
    return s;
}

u16string_view trim(u16string_view s) {
    while (!s.empty() &&
           (s.front() == u' ' || s.front() == u'\t' || s.front() == u'\n' || s.front() == u'\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() &&
           (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\n' || s.back() == u'\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// Numbers beyond a million pixels are taken as a million: no page is that
// large, and sums over nested boxes stay far from overflowing.
constexpr std::int32_t kMaxCoordinate = 1 << 20;

std::vector<std::int32_t> numbers(u16string_view text) {
    std::vector<std::int32_t> out;
    std::int32_t value = 0;
    bool negative = false;
    bool any = false;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            value = std::min(value * 10 + (c - u'0'), kMaxCoordinate);
            any = true;
        } else if (c == u'-' && !any) {
            negative = true;
        } else if (c == u',') {
            out.push_back(negative ? -value : value);
            value = 0;
            negative = any = false;
        }
    }
    out.push_back(negative ? -value : value);
    return out;
}

dom::Point pointOf(u16string_view text) {
    const auto n = numbers(text);
    return {n.empty() ? 0 : n[0], n.size() > 1 ? n[1] : 0};
}

void appendUtf16(u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

// Decodes the few character references tests need.
u16string decodeEntities(u16string_view text) {
    u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
            continue;
        }
        const std::size_t end = text.find(u';', i);
        if (end == u16string_view::npos || end - i > 10) {
            out += text[i];
            continue;
        }
        const u16string_view name = text.substr(i + 1, end - i - 1);
        char32_t c = 0;
        if (name == u"lt") {
            c = u'<';
        } else if (name == u"gt") {
            c = u'>';
        } else if (name == u"amp") {
            c = u'&';
        } else if (name == u"quot") {
            c = u'"';
        } else if (name == u"apos") {
            c = u'\'';
        } else if (name == u"nbsp") {
            c = 0xA0;
        } else if (name.size() > 1 && name[0] == u'#') {
            const bool hex = name[1] == u'x' || name[1] == u'X';
            for (char16_t d : name.substr(hex ? 2 : 1)) {
                const char16_t l = lower(d);
                const int v = l >= u'0' && l <= u'9'          ? l - u'0'
                              : hex && l >= u'a' && l <= u'f' ? l - u'a' + 10
                                                              : -1;
                if (v < 0 || c > 0x10FFFF) {
                    c = 0;
                    break;
                }
                c = c * (hex ? 16 : 10) + v;
            }
        }
        if (c == 0 || c > 0x10FFFF) {
            out += text[i];
            continue;
        }
        appendUtf16(out, c);
        i = end;
    }
    return out;
}

void escapeInto(u16string& out, u16string_view text, bool attribute) {
    for (char16_t c : text) {
        if (c == u'&') {
            out += u"&amp;";
        } else if (c == u'<') {
            out += u"&lt;";
        } else if (c == u'>') {
            out += u"&gt;";
        } else if (attribute && c == u'"') {
            out += u"&quot;";
        } else {
            out += c;
        }
    }
}

bool lineStarting(u16string_view display) {
    return !isOneOf(display, {u"inline", u"table-cell", u"inline-block", u"none"});
}

class PageStyle : public dom::Style {
  public:
    explicit PageStyle(std::shared_ptr<PageElement> element) : element_(std::move(element)) {}
    u16string display() override { return element_->computed().display; }
    u16string fontSize() override { return element_->computed().fontSize; }
    dom::StyleValue color() override { return element_->computed().color; }
    dom::StyleValue backgroundColor() override { return element_->computed().backgroundColor; }
    u16string whiteSpace() override { return element_->computed().whiteSpace; }

  private:
    std::shared_ptr<PageElement> element_;
};

// A new wrapper around an element on every call, with the element's identity.
class ElementWrapper : public dom::Element {
  public:
    explicit ElementWrapper(std::shared_ptr<PageElement> target) : t_(std::move(target)) {}
    dom::Identity identity() const override { return t_->identity(); }
    u16string tagName() override { return t_->tagName(); }
    std::optional<u16string> innerText() override { return t_->innerText(); }
    std::optional<u16string> outerHtml() override { return t_->outerHtml(); }
    dom::ElementPtr parentElement() override { return t_->parentElement(); }
    dom::DocumentPtr document() override { return t_->document(); }
    dom::NodePtr asNode() override { return t_->asNode(); }
    std::unique_ptr<dom::Style> currentStyle() override { return t_->currentStyle(); }
    std::int32_t offsetLeft() override { return t_->offsetLeft(); }
    std::int32_t offsetTop() override { return t_->offsetTop(); }
    dom::ElementPtr offsetParent() override { return t_->offsetParent(); }
    std::optional<dom::Point> textContainerScroll() override { return t_->textContainerScroll(); }
    std::optional<dom::Point> clientEdge() override { return t_->clientEdge(); }
    std::optional<dom::Point> scroll() override { return t_->scroll(); }
    dom::WindowPtr contentWindow() override { return t_->contentWindow(); }
    bool isWebBrowser() override { return t_->isWebBrowser(); }
    std::optional<dom::Rect> clientBox() override { return t_->clientBox(); }

  private:
    std::shared_ptr<PageElement> t_;
};

}  // namespace

// Identities handed out like proxy addresses: one per element while any
// wrapper of it lives, back to the free list (last freed, first reused) when
// the last one goes.
class IdentitySlots {
  public:
    dom::Identity take(const PageElement* element) {
        auto [it, added] = live_.try_emplace(element, Slot{0, 0});
        if (added) {
            if (free_.empty()) {
                it->second.address = next_;
                next_ += 16;
            } else {
                it->second.address = free_.back();
                free_.pop_back();
            }
        }
        ++it->second.wrappers;
        return dom::Identity(reinterpret_cast<const void*>(it->second.address));
    }
    void give(const PageElement* element) {
        auto it = live_.find(element);
        if (it != live_.end() && --it->second.wrappers == 0) {
            free_.push_back(it->second.address);
            live_.erase(it);
        }
    }

  private:
    struct Slot {
        std::uintptr_t address;
        int wrappers;
    };
    std::unordered_map<const PageElement*, Slot> live_;
    std::vector<std::uintptr_t> free_;
    std::uintptr_t next_ = 0x10000;
};

namespace {

// A wrapper whose identity is a slot, given back when it is destroyed.
class SlotWrapper final : public ElementWrapper {
  public:
    SlotWrapper(std::shared_ptr<PageElement> target, std::shared_ptr<IdentitySlots> slots)
        : ElementWrapper(target),
          slots_(std::move(slots)),
          element_(target.get()),
          identity_(slots_->take(element_)) {}
    ~SlotWrapper() override { slots_->give(element_); }
    dom::Identity identity() const override { return identity_; }

  private:
    std::shared_ptr<IdentitySlots> slots_;
    const PageElement* element_;
    dom::Identity identity_;
};

// The first element below `root`, in document order, for which `stop` holds;
// null when there is none. Iterative, for pages nested arbitrarily deep.
template <typename Stop>
PageElement* firstElement(PageNode* root, Stop stop) {
    std::vector<PageNode*> work;
    if (root) {
        work.push_back(root);
    }
    while (!work.empty()) {
        PageNode* node = work.back();
        work.pop_back();
        if (node->nodeType() != 1) {
            continue;
        }
        auto* element = static_cast<PageElement*>(node);
        if (stop(*element)) {
            return element;
        }
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            work.push_back(it->get());
        }
    }
    return nullptr;
}

}  // namespace

// --- nodes -------------------------------------------------------------------

PageNode::PageNode(int type, u16string name, u16string value)
    : type_(type), name_(std::move(name)), value_(std::move(value)) {}

std::optional<u16string> PageNode::nodeValue() {
    if (type_ == 1 || (parent_ && !parent_->capabilities().value)) {
        return std::nullopt;
    }
    return value_;
}

dom::NodePtr PageNode::firstChild() {
    if (children_.empty()) {
        return nullptr;
    }
    return children_.front();
}

dom::NodePtr PageNode::nextSibling() {
    if (!parent_ || index_ + 1 >= parent_->children_.size()) {
        return nullptr;
    }
    return parent_->children_[index_ + 1];
}

PageElement::PageElement(u16string tag) : PageNode(1, std::move(tag), {}) {}

std::shared_ptr<PageElement> PageElement::self() {
    return std::static_pointer_cast<PageElement>(shared_from_this());
}

dom::ElementPtr PageElement::asElement() {
    if (document_) {
        return document_->wrap(self());
    }
    return self();
}

u16string PageElement::attribute(u16string_view name) const {
    for (const auto& [key, value] : attributes_) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

void PageElement::setBox(Box box) {
    box_ = box;
    hasBox_ = true;
}

std::optional<u16string> PageElement::innerText() {
    if (!capabilities_.innerText) {
        return std::nullopt;
    }
    if (recordedInnerText_) {
        return recordedInnerText_;
    }
    u16string out;
    auto breakLine = [&out] {
        if (!out.empty() && out.back() != u'\n') {
            out += u"\r\n";
        }
    };
    // Pairs of node and whether it is being left rather than entered.
    std::vector<std::pair<PageNode*, bool>> work{{this, false}};
    while (!work.empty()) {
        auto [node, leaving] = work.back();
        work.pop_back();
        if (node->type_ == 3) {
            out += node->value_;
            continue;
        }
        if (node->type_ != 1) {
            continue;
        }
        auto* element = static_cast<PageElement*>(node);
        const u16string& display = element->style_.display;
        if (leaving) {
            if (lineStarting(display)) {
                breakLine();
            }
            continue;
        }
        if (element != this && display == u"none") {
            continue;
        }
        if (element->name_ == u"BR") {
            out += u"\r\n";
            continue;
        }
        if (lineStarting(display)) {
            breakLine();
        }
        work.push_back({element, true});
        for (auto it = element->children_.rbegin(); it != element->children_.rend(); ++it) {
            work.push_back({it->get(), false});
        }
    }
    while (out.size() >= 2 && out.ends_with(u"\r\n")) {
        out.resize(out.size() - 2);
    }
    return out;
}

std::optional<u16string> PageElement::outerHtml() {
    if (!capabilities_.outerHtml) {
        return std::nullopt;
    }
    u16string out;
    std::vector<std::pair<PageNode*, bool>> work{{this, false}};
    while (!work.empty()) {
        auto [node, leaving] = work.back();
        work.pop_back();
        if (node->type_ == 3) {
            escapeInto(out, node->value_, false);
            continue;
        }
        if (node->type_ == 8) {
            out += u"<!--" + node->value_ + u"-->";
            continue;
        }
        auto* element = static_cast<PageElement*>(node);
        if (leaving) {
            out += u"</" + element->name_ + u">";
            continue;
        }
        out += u"<" + element->name_;
        for (const auto& [key, value] : element->attributes_) {
            out += u" " + key + u"=\"";
            escapeInto(out, value, true);
            out += u"\"";
        }
        out += u">";
        if (isVoidTag(element->name_)) {
            continue;
        }
        work.push_back({element, true});
        for (auto it = element->children_.rbegin(); it != element->children_.rend(); ++it) {
            work.push_back({it->get(), false});
        }
    }
    return out;
}

dom::ElementPtr PageElement::parentElement() {
    if (!parent_) {
        return nullptr;
    }
    return document_ ? document_->wrap(parent_->self()) : parent_->self();
}

dom::DocumentPtr PageElement::document() {
    return document_ ? document_->shared_from_this() : nullptr;
}

dom::NodePtr PageElement::asNode() {
    return capabilities_.node ? shared_from_this() : nullptr;
}

std::unique_ptr<dom::Style> PageElement::currentStyle() {
    if (!capabilities_.style) {
        return nullptr;
    }
    return std::make_unique<PageStyle>(self());
}

dom::ElementPtr PageElement::offsetParent() {
    if (!parent_ || name_ == u"BODY" || name_ == u"HTML") {
        return nullptr;
    }
    return document_ ? document_->wrap(parent_->self()) : parent_->self();
}

std::optional<dom::Point> PageElement::textContainerScroll() {
    if (!capabilities_.textContainer || name_ == u"HTML" || isFrameTag(name_)) {
        return std::nullopt;
    }
    return scroll_;
}

std::optional<dom::Point> PageElement::clientEdge() {
    if (!capabilities_.clientEdge) {
        return std::nullopt;
    }
    return border_;
}

std::optional<dom::Point> PageElement::scroll() {
    if (!capabilities_.scroll) {
        return std::nullopt;
    }
    return scroll_;
}

std::optional<dom::Rect> PageElement::clientBox() {
    if (!capabilities_.rect) {
        return std::nullopt;
    }
    // HTML and BODY without a box fill the viewport, as the hit test has it.
    if (!hasBox_) {
        if (!document_ || !(this == document_->root().get() || name_ == u"BODY")) {
            return std::nullopt;
        }
        return dom::Rect{0, 0, document_->viewport.x, document_->viewport.y};
    }
    // Where the hit test places the box: each ancestor's content moves with
    // its box, its border and its scroll position.
    dom::Point at{box_.x, box_.y};
    for (const PageElement* a = parent_; a; a = a->parent_) {
        at.x += a->box_.x + a->border_.x - a->scroll_.x;
        at.y += a->box_.y + a->border_.y - a->scroll_.y;
    }
    return dom::Rect{at.x, at.y, at.x + box_.width, at.y + box_.height};
}

dom::WindowPtr PageElement::contentWindow() {
    if (!capabilities_.frame || !frameWindow_) {
        return nullptr;
    }
    return frameWindow_;
}

bool PageElement::isWebBrowser() {
    return capabilities_.browser && frameWindow_ != nullptr;
}

// --- documents and windows ---------------------------------------------------

PageDocument::~PageDocument() {
    std::vector<std::shared_ptr<PageNode>> work;
    if (root_) {
        work.push_back(std::move(root_));
    }
    while (!work.empty()) {
        std::shared_ptr<PageNode> node = std::move(work.back());
        work.pop_back();
        node->parent_ = nullptr;
        node->document_ = nullptr;
        for (auto& child : node->children_) {
            work.push_back(std::move(child));
        }
        node->children_.clear();
        if (node->type_ == 1) {
            auto* element = static_cast<PageElement*>(node.get());
            if (element->frameWindow_) {
                element->frameWindow_->parent_ = nullptr;
            }
        }
    }
}

dom::ElementPtr PageDocument::wrap(std::shared_ptr<PageElement> element) const {
    if (reusedIdentities && element) {
        if (!slots_) {
            slots_ = std::make_shared<IdentitySlots>();
        }
        return std::make_shared<SlotWrapper>(std::move(element), slots_);
    }
    if (freshWrappers && element) {
        return std::make_shared<ElementWrapper>(std::move(element));
    }
    return element;
}

dom::ElementPtr PageDocument::elementFromPoint(dom::Point p) {
    ++elementFromPointCalls;
    if (!root_ || p.x < 0 || p.y < 0 || p.x >= viewport.x || p.y >= viewport.y) {
        return nullptr;
    }
    struct Item {
        PageElement* element;
        dom::Point origin;  // of the parent's content
        std::size_t depth;
    };
    PageElement* best = nullptr;
    std::size_t bestDepth = 0;
    std::vector<Item> work{{root_.get(), {0, 0}, 0}};
    while (!work.empty()) {
        const Item item = work.back();
        work.pop_back();
        PageElement* e = item.element;
        const dom::Point at{item.origin.x + e->box_.x, item.origin.y + e->box_.y};
        const bool fills = !e->hasBox_ && (e == root_.get() || e->name_ == u"BODY");
        const bool inside = e->hasBox_ && p.x >= at.x && p.y >= at.y &&
                            p.x < at.x + e->box_.width && p.y < at.y + e->box_.height;
        if ((fills || inside) && (!best || item.depth >= bestDepth)) {
            best = e;
            bestDepth = item.depth;
        }
        const dom::Point content{at.x + e->border_.x - e->scroll_.x,
                                 at.y + e->border_.y - e->scroll_.y};
        for (auto it = e->children_.rbegin(); it != e->children_.rend(); ++it) {
            if ((*it)->type_ == 1) {
                work.push_back({static_cast<PageElement*>(it->get()), content, item.depth + 1});
            }
        }
    }
    return best ? wrap(best->self()) : nullptr;
}

std::optional<u16string> PageDocument::url() {
    if (urlFails) {
        return std::nullopt;
    }
    return urlText;
}

std::optional<u16string> PageDocument::title() {
    if (titleFails) {
        return std::nullopt;
    }
    return titleText;
}

dom::ElementPtr PageDocument::documentElement() {
    return rootOffered ? wrap(root_) : nullptr;
}

dom::WindowPtr PageDocument::scriptWindow() {
    return window_ ? window_->shared_from_this() : nullptr;
}

std::optional<std::vector<dom::ElementPtr>> PageDocument::elementsByTagName(const u16string& tag) {
    ++tagSearches;
    if (tagSearchFails) {
        return std::nullopt;
    }
    const u16string wanted = toUpper(tag);
    std::vector<dom::ElementPtr> found;
    firstElement(root_.get(), [&](PageElement& element) {
        if (element.name_ == wanted) {
            found.push_back(element.capabilities_.item ? wrap(element.self()) : nullptr);
        }
        return false;
    });
    return found;
}

std::shared_ptr<PageElement> PageDocument::byId(u16string_view id) const {
    PageElement* found = firstElement(
        root_.get(), [&](PageElement& element) { return element.attribute(u"id") == id; });
    return found ? found->self() : nullptr;
}

dom::WindowPtr PageWindow::parent() {
    if (!parentOffered) {
        return nullptr;
    }
    if (parent_ == this) {
        return shared_from_this();
    }
    return parent_ ? parent_->shared_from_this() : nullptr;
}

void PageWindow::setDocument(std::shared_ptr<PageDocument> document) {
    if (document_) {
        document_->window_ = nullptr;
    }
    document_ = std::move(document);
    if (document_) {
        document_->window_ = this;
    }
}

// --- the markup reader -------------------------------------------------------

class PageBuilder {
  public:
    static std::shared_ptr<PageWindow> window(u16string_view markup, u16string url,
                                              PageWindow* parent, dom::Point viewport);

  private:
    static std::shared_ptr<PageElement> rootOf(std::shared_ptr<PageElement> fragment);
    static void parseInto(PageElement& fragment, u16string_view markup);
    static void finish(PageDocument& document);
    static void applyAttributes(PageElement& element);
};

namespace {

bool isNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'_' || c == u':';
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Where the content of an element of this tag that opened before `from`
// ends: the index of its matching end tag, or the end of the markup.
std::size_t matchingEnd(u16string_view markup, std::size_t from, u16string_view tag) {
    int depth = 1;
    std::size_t i = from;
    while ((i = markup.find(u'<', i)) != u16string_view::npos) {
        const bool closing = i + 1 < markup.size() && markup[i + 1] == u'/';
        const std::size_t nameAt = i + (closing ? 2 : 1);
        std::size_t nameEnd = nameAt;
        while (nameEnd < markup.size() && isNameChar(markup[nameEnd])) {
            ++nameEnd;
        }
        if (toUpper(u16string(markup.substr(nameAt, nameEnd - nameAt))) == tag) {
            depth += closing ? -1 : 1;
            if (depth == 0) {
                return i;
            }
        }
        i = nameEnd;
    }
    return markup.size();
}

}  // namespace

void PageBuilder::parseInto(PageElement& fragment, u16string_view markup) {
    std::vector<PageElement*> open{&fragment};
    auto append = [&open](std::shared_ptr<PageNode> node) {
        open.back()->children_.push_back(std::move(node));
    };
    std::size_t i = 0;
    while (i < markup.size()) {
        if (markup[i] != u'<' || i + 1 >= markup.size() ||
            !(isNameChar(markup[i + 1]) || markup[i + 1] == u'/' || markup[i + 1] == u'!')) {
            std::size_t end = markup.find(u'<', i + 1);
            while (end != u16string_view::npos && end + 1 < markup.size() &&
                   !(isNameChar(markup[end + 1]) || markup[end + 1] == u'/' ||
                     markup[end + 1] == u'!')) {
                end = markup.find(u'<', end + 1);
            }
            if (end == u16string_view::npos) {
                end = markup.size();
            }
            append(
                std::make_shared<PageNode>(3, u"#text", decodeEntities(markup.substr(i, end - i))));
            i = end;
            continue;
        }
        if (markup.substr(i, 4) == u"<!--") {
            std::size_t end = markup.find(u"-->", i + 4);
            end = end == u16string_view::npos ? markup.size() : end;
            append(std::make_shared<PageNode>(8, u"#comment",
                                              u16string(markup.substr(i + 4, end - i - 4))));
            i = std::min(markup.size(), end + 3);
            continue;
        }
        const std::size_t close = markup.find(u'>', i);
        const std::size_t tagEnd = close == u16string_view::npos ? markup.size() : close;
        if (markup[i + 1] == u'!') {
            i = tagEnd + 1;
            continue;
        }
        if (markup[i + 1] == u'/') {
            const u16string name = toUpper(u16string(trim(markup.substr(i + 2, tagEnd - i - 2))));
            for (std::size_t k = open.size(); k-- > 1;) {
                if (open[k]->name_ == name) {
                    open.resize(k);
                    break;
                }
            }
            i = tagEnd + 1;
            continue;
        }
        std::size_t j = i + 1;
        while (j < markup.size() && isNameChar(markup[j])) {
            ++j;
        }
        auto element =
            std::make_shared<PageElement>(toUpper(u16string(markup.substr(i + 1, j - i - 1))));
        bool selfClosing = false;
        while (j < markup.size() && markup[j] != u'>') {
            if (isSpace(markup[j])) {
                ++j;
                continue;
            }
            if (markup[j] == u'/') {
                selfClosing = true;
                ++j;
                continue;
            }
            const std::size_t nameAt = j;
            while (j < markup.size() && !isSpace(markup[j]) && markup[j] != u'=' &&
                   markup[j] != u'/' && markup[j] != u'>') {
                ++j;
            }
            const u16string name = toLower(u16string(markup.substr(nameAt, j - nameAt)));
            u16string value;
            if (j < markup.size() && markup[j] == u'=') {
                ++j;
                if (j < markup.size() && (markup[j] == u'"' || markup[j] == u'\'')) {
                    std::size_t end = markup.find(markup[j], j + 1);
                    end = end == u16string_view::npos ? markup.size() : end;
                    value = decodeEntities(markup.substr(j + 1, end - j - 1));
                    j = std::min(markup.size(), end + 1);
                } else {
                    const std::size_t valueAt = j;
                    while (j < markup.size() && !isSpace(markup[j]) && markup[j] != u'>') {
                        ++j;
                    }
                    value = decodeEntities(markup.substr(valueAt, j - valueAt));
                }
            }
            if (!name.empty()) {
                element->attributes_.emplace_back(name, std::move(value));
            }
        }
        i = std::min(markup.size(), j + 1);
        PageElement* raw = element.get();
        append(std::move(element));
        if (isFrameTag(raw->name_) && !selfClosing) {
            const std::size_t end = matchingEnd(markup, i, raw->name_);
            raw->frameMarkup_ = markup.substr(i, end - i);
            const std::size_t after = markup.find(u'>', end);
            i = after == u16string_view::npos ? markup.size() : after + 1;
            continue;
        }
        if (raw->name_ == u"SCRIPT" || raw->name_ == u"STYLE") {
            const std::size_t end = matchingEnd(markup, i, raw->name_);
            if (end > i) {
                raw->children_.push_back(
                    std::make_shared<PageNode>(3, u"#text", u16string(markup.substr(i, end - i))));
            }
            const std::size_t after = markup.find(u'>', end);
            i = after == u16string_view::npos ? markup.size() : after + 1;
            continue;
        }
        if (!selfClosing && !isVoidTag(raw->name_)) {
            open.push_back(raw);
        }
    }
}

void PageBuilder::applyAttributes(PageElement& element) {
    auto& attributes = element.attributes_;
    u16string computed;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const auto& [name, value] = *it;
        if (name == u"innertext") {
            element.recordedInnerText_ = value;
        } else if (name == u"computed") {
            computed = value;
        } else if (name == u"box") {
            const auto n = numbers(value);
            element.setBox(
                {n[0], n.size() > 1 ? n[1] : 0, n.size() > 2 ? n[2] : 0, n.size() > 3 ? n[3] : 0});
        } else if (name == u"scroll") {
            element.scroll_ = pointOf(value);
        } else if (name == u"border") {
            element.border_ = pointOf(value);
        } else if (name == u"no") {
            Capabilities& c = element.capabilities_;
            std::size_t at = 0;
            while (at <= value.size()) {
                std::size_t end = value.find(u',', at);
                end = end == u16string::npos ? value.size() : end;
                const u16string_view what = trim(u16string_view(value).substr(at, end - at));
                bool* flags[] = {&c.style,         &c.node,       &c.innerText, &c.outerHtml,
                                 &c.textContainer, &c.clientEdge, &c.scroll,    &c.browser,
                                 &c.frame,         &c.item,       &c.value,     &c.rect};
                const u16string_view names[] = {u"style",         u"node",   u"text",   u"html",
                                                u"textcontainer", u"client", u"scroll", u"browser",
                                                u"frame",         u"item",   u"value",  u"rect"};
                for (std::size_t k = 0; k < std::size(names); ++k) {
                    if (what == names[k]) {
                        *flags[k] = false;
                    }
                }
                at = end + 1;
            }
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }

    const PageElement* parent = element.parent_;
    ComputedStyle& style = element.style_;
    style.display = defaultDisplay(element.name_);
    style.fontSize = parent ? parent->style_.fontSize : u"12pt";
    style.color = parent ? parent->style_.color : dom::StyleValue::ofText(u"#000000");
    style.backgroundColor = dom::StyleValue::ofText(u"transparent");
    style.whiteSpace = element.name_ == u"PRE" || element.name_ == u"TEXTAREA" ? u"pre"
                       : parent ? parent->style_.whiteSpace
                                : u"normal";
    // The element's own style, then what a recording says the browser computed.
    const u16string declarations = element.attribute(u"style") + u";" + computed;
    std::size_t at = 0;
    while (at < declarations.size()) {
        std::size_t end = declarations.find(u';', at);
        end = end == u16string::npos ? declarations.size() : end;
        const u16string_view declaration = u16string_view(declarations).substr(at, end - at);
        const std::size_t colon = declaration.find(u':');
        if (colon != u16string_view::npos) {
            const u16string property = toLower(u16string(trim(declaration.substr(0, colon))));
            const u16string value(trim(declaration.substr(colon + 1)));
            if (property == u"display") {
                style.display = value;
            } else if (property == u"font-size") {
                style.fontSize = value;
            } else if (property == u"white-space") {
                style.whiteSpace = value;
            } else if (property == u"color") {
                style.color = dom::StyleValue::ofText(value);
            } else if (property == u"background-color" || property == u"background") {
                style.backgroundColor = dom::StyleValue::ofText(value);
            }
        }
        at = end + 1;
    }
    // The items of a flex or grid container are blocks, whatever they say.
    if (parent &&
        isOneOf(parent->style_.display, {u"flex", u"grid", u"inline-flex", u"inline-grid"})) {
        if (style.display == u"inline" || style.display == u"inline-block") {
            style.display = u"block";
        } else if (style.display.starts_with(u"inline-")) {
            style.display = style.display.substr(7);
        }
    }
}

void PageBuilder::finish(PageDocument& document) {
    std::vector<PageNode*> work{document.root_.get()};
    document.root_->parent_ = nullptr;
    document.root_->index_ = 0;
    while (!work.empty()) {
        PageNode* node = work.back();
        work.pop_back();
        node->document_ = &document;
        for (std::size_t k = 0; k < node->children_.size(); ++k) {
            node->children_[k]->parent_ = static_cast<PageElement*>(node);
            node->children_[k]->index_ = k;
        }
        if (node->type_ != 1) {
            continue;
        }
        auto* element = static_cast<PageElement*>(node);
        applyAttributes(*element);
        if (element->name_ == u"TITLE" && document.titleText.empty()) {
            for (const auto& child : element->children_) {
                document.titleText += child->value_;
            }
        }
        if (isFrameTag(element->name_)) {
            const u16string src = element->attribute(u"src");
            element->frameWindow_ =
                window(element->frameMarkup_, src.empty() ? u"about:blank" : src, document.window_,
                       {element->box_.width, element->box_.height});
            element->frameMarkup_.clear();
        }
        for (auto it = node->children_.rbegin(); it != node->children_.rend(); ++it) {
            work.push_back(it->get());
        }
    }
}

std::shared_ptr<PageElement> PageBuilder::rootOf(std::shared_ptr<PageElement> fragment) {
    std::shared_ptr<PageElement> only;
    int elements = 0;
    for (const auto& child : fragment->children_) {
        if (child->type_ == 1) {
            ++elements;
            only = std::static_pointer_cast<PageElement>(child);
        }
    }
    if (elements == 1 && only->name_ == u"HTML") {
        fragment->children_.clear();
        return only;
    }
    auto html = std::make_shared<PageElement>(u"HTML");
    if (elements == 1 && only->name_ == u"BODY") {
        html->children_.push_back(std::move(only));
        fragment->children_.clear();
        return html;
    }
    auto body = std::make_shared<PageElement>(u"BODY");
    body->children_ = std::move(fragment->children_);
    fragment->children_.clear();
    html->children_.push_back(std::move(body));
    return html;
}

std::shared_ptr<PageWindow> PageBuilder::window(u16string_view markup, u16string url,
                                                PageWindow* parent, dom::Point viewport) {
    auto window = std::make_shared<PageWindow>();
    window->parent_ = parent ? parent : window.get();
    auto document = std::make_shared<PageDocument>();
    document->urlText = std::move(url);
    document->viewport = viewport;
    auto fragment = std::make_shared<PageElement>(u"#fragment");
    parseInto(*fragment, markup);
    document->root_ = rootOf(std::move(fragment));
    window->setDocument(document);
    finish(*document);
    return window;
}

Page Page::parse(std::string_view markup, std::u16string url) {
    Page page;
    page.window_ = PageBuilder::window(utf16(markup), std::move(url), nullptr, {800, 600});
    return page;
}

std::shared_ptr<PageElement> Page::find(std::u16string_view id) const {
    std::vector<PageDocument*> documents{document().get()};
    while (!documents.empty()) {
        PageDocument* document = documents.back();
        documents.pop_back();
        if (auto found = document->byId(id)) {
            return found;
        }
        std::vector<PageNode*> work{document->root().get()};
        while (!work.empty()) {
            PageNode* node = work.back();
            work.pop_back();
            for (const auto& child : node->children()) {
                work.push_back(child.get());
            }
            if (node->nodeType() == 1) {
                const auto& frame = static_cast<PageElement*>(node)->frameWindow();
                if (frame && frame->pageDocument()) {
                    documents.push_back(frame->pageDocument().get());
                }
            }
        }
    }
    return nullptr;
}

std::shared_ptr<PageElement> Page::find(std::string_view id) const {
    return find(utf16(id));
}

std::u16string utf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
        if (extra < 0 || i + extra >= utf8.size()) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        appendUtf16(out, c);
        i += extra + 1;
    }
    return out;
}

}  // namespace tnk::testpage
