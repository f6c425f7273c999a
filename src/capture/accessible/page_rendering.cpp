// The text and the markup of an accessible subtree, made in one walk.
#include <algorithm>
#include <string_view>
#include <vector>

#include "capture/accessible/attributes.h"
#include "capture/accessible/page_entry.h"

namespace tnk::acc {

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

bool endsWithLineBreak(const std::u16string& text) {
    return text.size() >= 2 && std::u16string_view(text).substr(text.size() - 2) == kLineBreak;
}

// Text with the line rules of block-like objects: a line break is due where
// one starts or ends, and is written before the next text unless the text
// is empty or already ends with one.
class TextJoiner {
  public:
    void breakLine() { due_ = true; }
    void append(std::u16string_view part) {
        if (part.empty()) {
            return;
        }
        if (due_ && !text_.empty() && !endsWithLineBreak(text_)) {
            text_ += kLineBreak;
        }
        due_ = false;
        text_ += part;
    }
    std::size_t size() const { return text_.size(); }
    std::u16string take() { return std::move(text_); }

  private:
    std::u16string text_;
    bool due_ = false;
};

void appendEscapedText(std::u16string& html, std::u16string_view text) {
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                html += u"&amp;";
                break;
            case u'<':
                html += u"&lt;";
                break;
            case u'>':
                html += u"&gt;";
                break;
            case u'\u00A0':
                html += u"&nbsp;";
                break;
            default:
                html += c;
        }
    }
}

void appendQuoted(std::u16string& html, std::u16string_view name, std::u16string_view value) {
    html += u' ';
    html += name;
    html += u"=\"";
    for (char16_t c : value) {
        if (c == u'&') {
            html += u"&amp;";
        } else if (c == u'"') {
            html += u"&quot;";
        } else {
            html += c;
        }
    }
    html += u'"';
}

void appendAttribute(std::u16string& html, std::u16string_view name,
                     const std::optional<std::u16string>& attributes) {
    if (!attributes) {
        return;
    }
    const auto value = attributeValue(*attributes, name);
    if (value && !value->empty()) {
        appendQuoted(html, name, *value);
    }
}

std::u16string alternativeText(std::u16string_view text) {
    std::u16string attribute;
    if (!text.empty()) {
        appendQuoted(attribute, u"alt", text);
    }
    return attribute;
}

// A tag as a program gives it may hold anything; the markup keeps it
// readable and well formed.
std::u16string markupTag(const std::u16string& tag) {
    std::u16string name;
    for (char16_t c : tag) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u':' ||
                           c == u'.' || c == u'#';
        name += plain ? c : u'_';
    }
    return name.empty() ? u"object" : name;
}

// Cuts a text that ran past its limit, never between the two halves of a
// surrogate pair.
void cutTo(std::u16string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return;
    }
    if (limit > 0 && text[limit - 1] >= 0xD800 && text[limit - 1] <= 0xDBFF) {
        --limit;
    }
    text.resize(limit);
}

// The line being written, as far as the boxes of the objects on it tell:
// it starts where the object that began it does, and is no taller than the
// shortest of them. Boxes are asked only of objects whose place the program
// does not tell otherwise.
class Line {
  public:
    // `depth`: where the object stands among the open objects of the walk.
    void start(const EntryPtr& starter, std::size_t depth, std::size_t written) {
        starter_ = starter;
        bottom_.reset();
        placed(starter, depth, written);
    }
    // Whether an object that may or may not start a line of its own stays on
    // this one: its top is level with the line's (a list's bullet on its
    // item's line, the items of a menu laid out in a row), not below it nor
    // above it (a column beside the one before). Inside the latest placed
    // object, one that follows text written there starts a line, as a block
    // after inline content does: the container's top says nothing about
    // where that text sits.
    template <typename Open>
    bool continuedBy(const EntryPtr& object, const Open& open, std::size_t written) {
        const bool insideLast = lastDepth_ < open.size() && open[lastDepth_].entry == last_;
        if (insideLast && written > writtenAtLast_) {
            return false;
        }
        const auto& line = starter_ ? starter_->location() : std::nullopt;
        const auto& box = object->location();
        if (!line || !box) {
            return false;
        }
        const std::int32_t bottom = std::min(bottom_.value_or(line->bottom), box->bottom);
        const std::int32_t half = (bottom - line->top) / 2;
        if (box->top <= line->top - half || box->top >= line->top + half) {
            return false;
        }
        bottom_ = bottom;
        placed(object, open.size(), written);
        return true;
    }

  private:
    void placed(const EntryPtr& object, std::size_t depth, std::size_t written) {
        last_ = object;
        lastDepth_ = depth;
        writtenAtLast_ = written;
    }

    EntryPtr starter_;
    std::optional<std::int32_t> bottom_;
    // The latest object on the line whose place is known.
    EntryPtr last_;
    std::size_t lastDepth_ = 0;
    std::size_t writtenAtLast_ = 0;
};

struct Level {
    EntryPtr entry;
    std::u16string tag;  // empty for a bare text run
    bool visible = true;
    bool block = false;
    std::size_t next = 0;
    bool lastWasCell = false;
};

}  // namespace

dom::Rendering render(const EntryPtr& root, const dom::RenderLimits& limits) {
    TextJoiner text;
    std::u16string html;
    std::vector<Level> open;
    Line line;

    // Writes the start of `entry` and, for a leaf, all of it; gives whether
    // its children are to be visited.
    auto enter = [&](const EntryPtr& entry, Level* parent) {
        const Facts& facts = entry->facts();
        const bool visible = (!parent || parent->visible) && !isInvisible(facts);
        Flow flow = flowOf(facts);
        if (visible && flow == Flow::block && !hasDisplay(facts)) {
            const bool inLine = line.continuedBy(entry, open, text.size());
            entry->place(inLine);
            if (inLine) {
                flow = Flow::inline_;
            }
        }
        if (visible && flow == Flow::block) {
            text.breakLine();
            line.start(entry, open.size(), text.size());
        }
        if (parent) {
            if (visible && flow == Flow::cell && parent->lastWasCell) {
                text.append(u"\t");
            }
            parent->lastWasCell = flow == Flow::cell;
        }
        const bool leaf = entry->isLeaf();
        Level level{entry, {}, visible, flow == Flow::block};
        if (!(leaf && isTextRun(facts))) {
            level.tag = markupTag(tagOf(facts));
            html += u'<';
            html += level.tag;
            appendAttribute(html, u"id", facts.attributes);
            appendAttribute(html, u"class", facts.attributes);
            html += u'>';
        }
        if (!leaf) {
            open.push_back(std::move(level));
            return;
        }
        if (visible) {
            text.append(entry->readableText());
        }
        if (isImage(facts)) {
            // Its markup has the text as an attribute, as the page's has.
            html.insert(html.size() - 1, alternativeText(entry->leafText()));
        } else {
            appendEscapedText(html, entry->leafText());
        }
        if (!level.tag.empty()) {
            html += u"</" + level.tag + u'>';
        }
        if (level.block && visible) {
            text.breakLine();
        }
    };

    dom::Rendering result;
    EntryCache& cache = root->cache();
    WalkBudget budget;
    budget.take();
    enter(root, nullptr);
    while (!open.empty()) {
        if (limits.stopped()) {
            result.stopped = true;
            return result;
        }
        if (text.size() >= limits.textChars || html.size() >= limits.markupChars) {
            result.textCut = result.markupCut = true;
            break;
        }
        Level& level = open.back();
        const ObjectList& children = level.entry->content();
        if (level.next < children->size() && open.size() < kMaxWalkDepth &&
            html.size() < kMaxWalkChars && budget.take()) {
            const ObjectPtr& child = (*children)[level.next++];
            if (child) {
                enter(cache.entry(child), &level);
            }
            continue;
        }
        html += u"</" + level.tag + u'>';
        if (level.block && level.visible) {
            text.breakLine();
        }
        open.pop_back();
    }
    result.text = text.take();
    result.html = std::move(html);
    if (result.text.size() > limits.textChars || result.html.size() > limits.markupChars) {
        result.textCut = result.markupCut = true;
    }
    cutTo(result.text, limits.textChars);
    cutTo(result.html, limits.markupChars);
    return result;
}

}  // namespace tnk::acc
