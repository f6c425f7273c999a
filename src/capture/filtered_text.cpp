#include "capture/filtered_text.h"

#include <utility>

#include "capture/capture_engine.h"

namespace tnk {

namespace {

// Climbs to the document's root no further than this: past it the
// background counts as unknown and the text stays.
constexpr int kMaxAncestors = 4096;

bool isCellTag(std::u16string_view name) {
    return name == u"TD" || name == u"TH";
}

}  // namespace

std::int32_t CaptureEngine::parseColor(const dom::StyleValue& value) {
    if (!value.isString) {
        return value.number;
    }
    const std::u16string_view text = value.text;
    if (!text.empty() && text[0] == u'#') {
        return hashDigits(text);
    }
    return namedColor(text).value_or(0xFFFFFF);
}

bool CaptureEngine::sameColor(const dom::StyleValue& a, const dom::StyleValue& b) {
    return parseColor(a) == parseColor(b);
}

CssColor FilteredWalk::backdropAbove(dom::Element& element) {
    // Translucent backgrounds on the way up, nearest first, laid over the
    // first opaque one.
    std::vector<CssColor> layers;
    CssColor base = CssColor::opaque(0xFFFFFF);
    dom::ElementPtr at = element.parentElement();
    for (int steps = 0; at; ++steps) {
        const std::unique_ptr<dom::Style> style = at->currentStyle();
        if (!style || steps == kMaxAncestors) {
            base = {};
            break;
        }
        const CssColor background = readCssColor(style->backgroundColor());
        if (background.kind != CssColor::Kind::transparent && !background.isOpaque() &&
            background.kind != CssColor::Kind::unreadable) {
            layers.push_back(background);
        } else if (background.kind != CssColor::Kind::transparent) {
            base = background;
            break;
        }
        at = at->parentElement();
    }
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        base = paintedOver(*it, base);
    }
    return base;
}

bool FilteredWalk::enter(dom::Element& element, Level& at, Level& inner, TextLayout& layout) {
    inner = Level{};
    const std::unique_ptr<dom::Style> style = element.currentStyle();
    if (!style) {
        return false;
    }
    const std::u16string display = style->display();
    if (display == u"none") {
        return false;
    }
    // The box opens before the other rules: an element skipped for its size
    // or colour still takes its place in the layout.
    const TextLayout::Box box = layout.begin(display);
    const auto skip = [&] {
        layout.end(box);
        return false;
    };
    if (layout.tidy()) {
        inner.whiteSpace = whiteSpaceOf(style->whiteSpace());
    }
    const std::u16string fontSize = style->fontSize();
    if (!fontSize.empty() && fontSize[0] == u'0') {
        return skip();
    }
    const CssColor color = readCssColor(style->color());
    const CssColor background = readCssColor(style->backgroundColor());
    if (!background.isOpaque() && background.kind != CssColor::Kind::unreadable && !at.backdrop) {
        at.backdrop = backdropAbove(element);
    }
    inner.backdrop = paintedOver(background, at.backdrop.value_or(background));
    // Text in the colour behind it is the element's own text only: a child
    // of another colour shows.
    inner.hidden = invisibleOn(color, *inner.backdrop);
    const dom::NodePtr node = element.asNode();
    inner.node = node ? node->firstChild() : nullptr;
    if (!inner.node) {
        return skip();
    }
    at.box = box;
    return true;
}

bool FilteredWalk::visit(dom::Node& node, Level& at, Level& inner, TextLayout& layout) {
    if (node.nodeType() == 3) {
        if (!at.hidden) {
            if (const auto value = node.nodeValue()) {
                layout.text(*value, at.whiteSpace);
            }
        }
        return false;
    }
    const std::u16string name = node.nodeName();
    if (name == u"BR") {
        layout.lineBreak();
        return false;
    }
    // An empty cell still takes its column in tidy text.
    if (!node.hasChildNodes() && !(layout.tidy() && isCellTag(name))) {
        return false;
    }
    const dom::ElementPtr element = node.asElement();
    return element && enter(*element, at, inner, layout);
}

void FilteredWalk::walkFrom(Level first, TextLayout& layout) {
    levels_.clear();
    levels_.push_back(std::move(first));
    Level inner;
    while (!levels_.empty() && !(stop_ && stop_->load(std::memory_order_relaxed))) {
        if (visit(*levels_.back().node, levels_.back(), inner, layout)) {
            levels_.push_back(std::exchange(inner, Level{}));
            continue;
        }
        while (!levels_.empty()) {
            if (dom::NodePtr next = levels_.back().node->nextSibling()) {
                levels_.back().node = std::move(next);
                break;
            }
            levels_.pop_back();
            if (!levels_.empty()) {
                layout.end(std::exchange(levels_.back().box, TextLayout::Box::none));
            }
        }
    }
    // A walk that gave way lets go of the nodes it still held.
    levels_.clear();
}

void FilteredWalk::complete(bool entered, Level& top, Level& inner, TextLayout& layout) {
    if (entered) {
        walkFrom(std::move(inner), layout);
        layout.end(top.box);
    }
    layout.finish();
}

void FilteredWalk::element(dom::Element& element, std::u16string& text, bool tidy) {
    TextLayout layout(text, tidy);
    Level top;
    Level inner;
    complete(enter(element, top, inner, layout), top, inner, layout);
}

void FilteredWalk::node(dom::Node& node, std::u16string& text, bool tidy) {
    TextLayout layout(text, tidy);
    Level top;
    Level inner;
    complete(visit(node, top, inner, layout), top, inner, layout);
}

void CaptureEngine::filteredText(dom::Element& element, std::u16string& text) {
    walk_.element(element, text, tidyText_);
}

void CaptureEngine::appendNodeText(dom::Node& node, std::u16string& text) {
    walk_.node(node, text, tidyText_);
}

}  // namespace tnk
