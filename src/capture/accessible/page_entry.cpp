#include "capture/accessible/page_entry.h"

#include <string_view>

namespace tnk::acc {

const Facts& Entry::facts() {
    if (!facts_) {
        facts_ = readFacts(*object_);
    }
    return *facts_;
}

const ObjectList& Entry::children() {
    if (!children_) {
        children_ = std::make_shared<const std::vector<ObjectPtr>>(object_->children());
    }
    return children_;
}

const std::u16string& Entry::leafText() {
    if (!leafText_) {
        leafText_ = (isEditableText(facts()) ? object_->value() : object_->name())
                        .value_or(std::u16string());
    }
    return *leafText_;
}

const std::optional<std::u16string>& Entry::textAttributes() {
    if (!textAttributesRead_) {
        textAttributes_ = object_->textAttributes();
        textAttributesRead_ = true;
    }
    return textAttributes_;
}

}  // namespace tnk::acc
