#include "capture/accessible/page_entry.h"

#include <string_view>

namespace tnk::acc {

namespace {

// A stretch of an object's hypertext between its embedded objects: a run of
// text without an object of its own, answering from memory.
class TextPiece final : public Object {
  public:
    // `styled`: a piece of the text split at its attribute runs, which may
    // start where a piece of the whole text does.
    TextPiece(ObjectPtr holder, std::size_t start, bool styled, std::u16string text,
              std::optional<std::u16string> attributes)
        : holder_(std::move(holder)),
          number_(-1 - 2 * static_cast<std::intptr_t>(start) - (styled ? 1 : 0)),
          text_(std::move(text)),
          attributes_(std::move(attributes)) {}

    // Simple children count from 1 and the object itself is 0: a piece
    // takes a number below them, from its place in the text.
    dom::Identity identity() const override { return {holder_->identity().object, number_}; }
    std::optional<Role> role() override { return Role{role::staticText, {}, false}; }
    std::optional<std::u16string> name() override { return text_; }
    std::optional<std::u16string> value() override { return std::nullopt; }
    std::uint32_t state() override { return state::readOnly; }
    ObjectPtr parent() override { return holder_; }
    std::vector<ObjectPtr> children() override { return {}; }
    Hit hitTest(dom::Point) override { return {Hit::Kind::self, nullptr}; }
    std::optional<std::u16string> objectAttributes() override { return std::nullopt; }
    std::optional<std::u16string> textAttributes() override { return attributes_; }

  private:
    ObjectPtr holder_;
    std::intptr_t number_;
    std::u16string text_;
    std::optional<std::u16string> attributes_;
};

// The attributes of the run holding `offset`, advancing `run` past the runs
// that end before it.
const std::u16string* attributesAt(const std::vector<TextRun>& runs, std::size_t& run,
                                   std::size_t offset) {
    while (run < runs.size() && runs[run].end <= offset) {
        ++run;
    }
    return run < runs.size() && runs[run].start <= offset ? &runs[run].attributes : nullptr;
}

}  // namespace

const Facts& Entry::facts() {
    if (!facts_) {
        facts_ = readFacts(*object_);
    }
    return *facts_;
}

ObjectList Entry::hypertextContent(bool styled) {
    // A run of text is a leaf whatever it offers.
    if (isTextRun(facts())) {
        return nullptr;
    }
    if (!hypertext_) {
        hypertext_ = object_->hypertext();
    }
    // An empty text may also stand for children the hypertext cannot name
    // (simple elements): the children tell.
    if (!*hypertext_ || (*hypertext_)->text.empty()) {
        return nullptr;
    }
    const Hypertext& hyper = **hypertext_;
    std::vector<TextRun> runs;
    if (styled) {
        runs = object_->textRuns();
    }
    auto list = std::make_shared<std::vector<ObjectPtr>>();
    std::size_t embedded = 0;
    std::size_t run = 0;
    std::size_t start = 0;
    // Ends the piece of text before `end`, splitting it where the runs do
    // when `styled`.
    auto addText = [&](std::size_t end) {
        while (start < end) {
            std::size_t stop = end;
            const std::u16string* attributes = nullptr;
            if (styled) {
                attributes = attributesAt(runs, run, start);
                if (attributes) {
                    stop = std::min(end, runs[run].end);
                } else if (run < runs.size() && runs[run].start < end) {
                    stop = runs[run].start;
                }
            }
            list->push_back(std::make_shared<TextPiece>(
                object_, start, styled, hyper.text.substr(start, stop - start),
                attributes ? std::optional<std::u16string>(*attributes) : std::nullopt));
            start = stop;
        }
    };
    for (std::size_t i = 0; i < hyper.text.size(); ++i) {
        if (hyper.text[i] != kEmbeddedObject) {
            continue;
        }
        addText(i);
        if (embedded >= hyper.embedded.size() || !hyper.embedded[embedded]) {
            // The text names an object the program did not hand out: the
            // children tell the whole content instead.
            return nullptr;
        }
        list->push_back(hyper.embedded[embedded++]);
        start = i + 1;
    }
    addText(hyper.text.size());
    return list;
}

const ObjectList& Entry::content() {
    if (!content_) {
        content_ = hypertextContent(false);
        if (!content_) {
            content_ = std::make_shared<const std::vector<ObjectPtr>>(object_->children());
        }
    }
    return content_;
}

const ObjectList& Entry::styledContent() {
    if (!styledContent_) {
        styledContent_ = hypertextContent(true);
        if (!styledContent_) {
            styledContent_ = content();
        }
    }
    return styledContent_;
}

const std::u16string& Entry::leafText() {
    if (!leafText_) {
        leafText_ = (isEditableText(facts()) ? object_->value() : object_->name())
                        .value_or(std::u16string());
    }
    return *leafText_;
}

const std::u16string& Entry::readableText() {
    static const std::u16string none;
    return isImage(facts()) ? none : leafText();
}

const std::optional<std::u16string>& Entry::textAttributes() {
    if (!textAttributesRead_) {
        textAttributes_ = object_->textAttributes();
        textAttributesRead_ = true;
    }
    return textAttributes_;
}

const ObjectPtr& Entry::parent() {
    if (!parentRead_) {
        parent_ = object_->parent();
        parentRead_ = true;
    }
    return parent_;
}

const std::optional<dom::Rect>& Entry::location() {
    if (!location_) {
        location_ = object_->location();
    }
    return *location_;
}

EntryPtr EntryCache::entry(const ObjectPtr& object) {
    EntryPtr& slot = entries_[object->identity()];
    if (!slot) {
        slot = std::make_shared<Entry>(object, *this);
    }
    return slot;
}

}  // namespace tnk::acc
