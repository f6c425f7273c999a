#include <windows.h>

#include <oleacc.h>
#include <servprov.h>

#include <algorithm>
#include <climits>
#include <limits>
#include <vector>

#include "capture/com/ole_value.h"
#include "capture/msaa/ia2.h"
#include "capture/msaa/msaa_page.h"

namespace tnk::msaa {

namespace {

using com::ComPtr;

// A program may claim any number of children; more than this are not
// fetched.
constexpr long kMaxChildren = 100000;
// The end of a text, for the text calls.
constexpr long kTextEnd = -1;

VARIANT childVariant(long childId) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = childId;
    return v;
}

ComPtr<IAccessible> accessibleOf(IDispatch* dispatch) {
    return ComPtr<IDispatch>::share(dispatch).query<IAccessible>();
}

acc::ObjectPtr wrapExtended(ComPtr<IAccessible2> extended);

class MsaaObject final : public acc::Object {
  public:
    MsaaObject(ComPtr<IAccessible> object, ComPtr<IUnknown> id, long childId)
        : object_(std::move(object)), id_(std::move(id)), child_(childId) {}
    // An object whose IAccessible2 is already known (an embedded object of
    // a hypertext): its service provider need not be asked.
    MsaaObject(ComPtr<IAccessible2> extended, ComPtr<IUnknown> id)
        : object_(ComPtr<IAccessible>::share(extended.get())),
          id_(std::move(id)),
          child_(CHILDID_SELF),
          ia2Asked_(true),
          ia2_(std::move(extended)) {}

    dom::Identity identity() const override { return {id_.get(), child_}; }

    std::optional<acc::Role> role() override {
        com::Variant role;
        if (object_->get_accRole(childVariant(child_), role.put()) != S_OK) {
            return std::nullopt;
        }
        if (role.isString()) {
            return acc::Role{0, role.str(), true};
        }
        if (role.get().vt == VT_I4) {
            return acc::Role{role.intPayload(), {}, false};
        }
        return std::nullopt;
    }

    std::optional<std::u16string> name() override {
        com::Bstr name;
        if (object_->get_accName(childVariant(child_), name.put()) != S_OK || !name.get()) {
            return std::nullopt;
        }
        return name.str();
    }

    std::optional<std::u16string> value() override {
        com::Bstr value;
        if (object_->get_accValue(childVariant(child_), value.put()) != S_OK || !value.get()) {
            return std::nullopt;
        }
        return value.str();
    }

    std::uint32_t state() override {
        com::Variant state;
        if (object_->get_accState(childVariant(child_), state.put()) != S_OK ||
            state.get().vt != VT_I4) {
            return 0;
        }
        return static_cast<std::uint32_t>(state.intPayload());
    }

    acc::ObjectPtr parent() override {
        if (child_ != CHILDID_SELF) {
            return wrapObject(object_);
        }
        ComPtr<IDispatch> parent;
        if (object_->get_accParent(parent.put()) != S_OK || !parent) {
            return nullptr;
        }
        return wrapObject(accessibleOf(parent.get()));
    }

    std::vector<acc::ObjectPtr> children() override {
        std::vector<acc::ObjectPtr> list;
        long count = 0;
        if (child_ != CHILDID_SELF || FAILED(object_->get_accChildCount(&count)) || count <= 0) {
            return list;
        }
        count = std::min(count, kMaxChildren);
        std::vector<VARIANT> found(static_cast<std::size_t>(count));
        for (VARIANT& v : found) {
            VariantInit(&v);
        }
        long obtained = 0;
        if (SUCCEEDED(AccessibleChildren(object_.get(), 0, count, found.data(), &obtained))) {
            obtained = std::clamp(obtained, 0L, count);
            list.reserve(static_cast<std::size_t>(obtained));
            for (long i = 0; i < obtained; ++i) {
                const VARIANT& v = found[static_cast<std::size_t>(i)];
                if (v.vt == VT_DISPATCH) {
                    list.push_back(wrapObject(accessibleOf(v.pdispVal)));
                } else if (v.vt == VT_I4) {
                    list.push_back(wrapObject(object_, v.lVal));
                }
            }
        }
        for (VARIANT& v : found) {
            VariantClear(&v);
        }
        return list;
    }

    acc::Hit hitTest(dom::Point screen) override {
        // A simple child has nothing below it; its parent found it.
        if (child_ != CHILDID_SELF) {
            return {acc::Hit::Kind::self, nullptr};
        }
        com::Variant hit;
        const HRESULT result = object_->accHitTest(screen.x, screen.y, hit.put());
        if (FAILED(result)) {
            // An object that cannot hit-test still holds the point.
            return {acc::Hit::Kind::self, nullptr};
        }
        const VARIANT& v = hit.get();
        if (v.vt == VT_I4) {
            if (v.lVal == CHILDID_SELF) {
                return {acc::Hit::Kind::self, nullptr};
            }
            return {acc::Hit::Kind::child, wrapObject(object_, v.lVal)};
        }
        if (v.vt == VT_DISPATCH && v.pdispVal) {
            if (acc::ObjectPtr child = wrapObject(accessibleOf(v.pdispVal))) {
                return {acc::Hit::Kind::child, std::move(child)};
            }
            return {acc::Hit::Kind::self, nullptr};
        }
        return {};
    }

    std::optional<std::u16string> objectAttributes() override {
        IAccessible2* extended = ia2();
        com::Bstr attributes;
        if (!extended || extended->get_attributes(attributes.put()) != S_OK) {
            return std::nullopt;
        }
        return attributes.str();
    }

    std::optional<std::u16string> textAttributes() override {
        IAccessible2* extended = ia2();
        if (!extended) {
            return std::nullopt;
        }
        ComPtr<IAccessibleText> text =
            ComPtr<IAccessible2>::share(extended).query<IAccessibleText>();
        long start = 0;
        long end = 0;
        com::Bstr attributes;
        if (!text || text->get_attributes(0, &start, &end, attributes.put()) != S_OK) {
            return std::nullopt;
        }
        return attributes.str();
    }

    std::optional<acc::Hypertext> hypertext() override {
        IAccessible2* extended = ia2();
        ComPtr<IAccessibleHypertext> links =
            extended ? ComPtr<IAccessible2>::share(extended).query<IAccessibleHypertext>()
                     : nullptr;
        com::Bstr text;
        if (!links || links->get_text(0, kTextEnd, text.put()) != S_OK) {
            return std::nullopt;
        }
        acc::Hypertext found{text.str(), {}};
        textLength_ = found.text.size();
        const auto objects = static_cast<long>(
            std::count(found.text.begin(), found.text.end(), acc::kEmbeddedObject));
        long count = 0;
        if (objects > 0 && (links->get_nHyperlinks(&count) != S_OK || count < objects)) {
            return std::nullopt;
        }
        for (long i = 0; i < std::min(objects, kMaxChildren); ++i) {
            ComPtr<IAccessibleHyperlink> link;
            if (links->get_hyperlink(i, link.put()) != S_OK || !link) {
                return std::nullopt;
            }
            found.embedded.push_back(wrapExtended(link.query<IAccessible2>()));
        }
        return found;
    }

    std::vector<acc::TextRun> textRuns() override {
        std::vector<acc::TextRun> runs;
        IAccessible2* extended = ia2();
        ComPtr<IAccessibleText> text =
            extended ? ComPtr<IAccessible2>::share(extended).query<IAccessibleText>() : nullptr;
        if (!text) {
            return runs;
        }
        // One call per run; a run that does not move on ends the walk.
        long offset = 0;
        const long length = static_cast<long>(std::min<std::size_t>(textLength_, LONG_MAX));
        while (offset < length) {
            long start = 0;
            long end = 0;
            com::Bstr attributes;
            if (text->get_attributes(offset, &start, &end, attributes.put()) != S_OK ||
                end <= offset || start > offset) {
                break;
            }
            runs.push_back(
                {static_cast<std::size_t>(start), static_cast<std::size_t>(end), attributes.str()});
            offset = end;
        }
        return runs;
    }

    std::optional<dom::Rect> location() override {
        long left = 0;
        long top = 0;
        long width = 0;
        long height = 0;
        if (object_->accLocation(&left, &top, &width, &height, childVariant(child_)) != S_OK ||
            width <= 0 || height <= 0) {
            return std::nullopt;
        }
        // Sums of another program's numbers, kept from overflowing.
        const auto edge = [](long start, long size) {
            return static_cast<std::int32_t>(std::min<long long>(
                static_cast<long long>(start) + size, std::numeric_limits<std::int32_t>::max()));
        };
        return dom::Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                         edge(left, width), edge(top, height)};
    }

  private:
    // IAccessible2 through the object's service provider, asked once; simple
    // children never have it.
    IAccessible2* ia2() {
        if (!ia2Asked_) {
            ia2Asked_ = true;
            if (child_ == CHILDID_SELF) {
                if (ComPtr<IServiceProvider> services = object_.query<IServiceProvider>()) {
                    void* out = nullptr;
                    if (SUCCEEDED(services->QueryService(__uuidof(IAccessible),
                                                         __uuidof(IAccessible2), &out)) &&
                        out) {
                        ia2_ = ComPtr<IAccessible2>::attach(static_cast<IAccessible2*>(out));
                    }
                }
            }
        }
        return ia2_.get();
    }

    ComPtr<IAccessible> object_;
    ComPtr<IUnknown> id_;
    long child_;
    bool ia2Asked_ = false;
    ComPtr<IAccessible2> ia2_;
    std::size_t textLength_ = 0;
};

acc::ObjectPtr wrapExtended(ComPtr<IAccessible2> extended) {
    ComPtr<IUnknown> id = extended.query<IUnknown>();
    if (!id) {
        return nullptr;
    }
    return std::make_shared<MsaaObject>(std::move(extended), std::move(id));
}

}  // namespace

acc::ObjectPtr wrapObject(ComPtr<IAccessible> object, long childId) {
    if (!object) {
        return nullptr;
    }
    ComPtr<IUnknown> id = object.query<IUnknown>();
    if (!id) {
        return nullptr;
    }
    return std::make_shared<MsaaObject>(std::move(object), std::move(id), childId);
}

}  // namespace tnk::msaa
