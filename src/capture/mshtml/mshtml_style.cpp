#include "capture/com/ole_value.h"
#include "capture/mshtml/mshtml_objects.h"

namespace tnk::mshtml {

namespace {

dom::StyleValue styleValue(const com::Variant& v) {
    return v.isString() ? dom::StyleValue::ofText(v.str())
                        : dom::StyleValue::ofNumber(v.intPayload());
}

}  // namespace

std::u16string Style::display() {
    com::Bstr b;
    style_->get_display(b.put());
    return b.str();
}

std::u16string Style::fontSize() {
    com::Variant v;
    if (FAILED(style_->get_fontSize(v.put()))) {
        return {};
    }
    if (!v.isString() && v.get().vt != VT_EMPTY && v.get().vt != VT_NULL) {
        // A size reported as a number is taken as its text.
        VariantChangeType(v.raw(), v.raw(), 0, VT_BSTR);
    }
    return v.str();
}

dom::StyleValue Style::color() {
    com::Variant v;
    style_->get_color(v.put());
    return styleValue(v);
}

dom::StyleValue Style::backgroundColor() {
    com::Variant v;
    style_->get_backgroundColor(v.put());
    return styleValue(v);
}

std::u16string Style::whiteSpace() {
    // Offered by the third current-style interface only.
    const auto third = style_.query<IHTMLCurrentStyle3>();
    com::Bstr b;
    std::u16string value;
    if (third && SUCCEEDED(third->get_whiteSpace(b.put()))) {
        value = b.str();
    }
    return value.empty() ? u"normal" : value;
}

}  // namespace tnk::mshtml
