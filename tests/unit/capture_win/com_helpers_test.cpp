// The COM helpers in-process: references are balanced, BSTR and VARIANT
// follow the OLE Automation rules.
#include <gtest/gtest.h>
#include <windows.h>

#include <ole2.h>

#include "capture/com/com_ptr.h"
#include "capture/com/ole_value.h"
#include "capture/mshtml/mshtml_dom.h"

namespace tnk::com {
namespace {

// Counts its references and offers only IUnknown.
class Counted : public IUnknown {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown) {
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IUnknown*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    ULONG refs = 0;
};

TEST(ComPtr, KeepsReferencesBalanced) {
    Counted object;
    {
        auto shared = ComPtr<IUnknown>::share(&object);
        EXPECT_EQ(object.refs, 1u);
        ComPtr<IUnknown> copy = shared;
        EXPECT_EQ(object.refs, 2u);
        ComPtr<IUnknown> moved = std::move(copy);
        EXPECT_EQ(object.refs, 2u);
        EXPECT_FALSE(copy);
        copy = moved;  // assignment over an empty pointer
        EXPECT_EQ(object.refs, 3u);
        copy = nullptr;
        EXPECT_EQ(object.refs, 2u);

        ComPtr<IUnknown> queried = shared.query<IUnknown>();
        EXPECT_EQ(queried.get(), &object);
        EXPECT_EQ(object.refs, 3u);
        EXPECT_FALSE(shared.query<IDispatch>()) << "not offered: empty, no reference";
        EXPECT_EQ(object.refs, 3u);

        // An out-parameter slot releases what was held before.
        IUnknown** slot = queried.put();
        EXPECT_EQ(object.refs, 2u);
        object.AddRef();
        *slot = &object;
    }
    EXPECT_EQ(object.refs, 0u);
    EXPECT_FALSE(ComPtr<IUnknown>().query<IUnknown>());
}

TEST(OleValue, BstrFollowsAutomationRules) {
    EXPECT_EQ(fromBstr(nullptr), u"") << "a null BSTR is the empty string";
    Bstr empty;
    EXPECT_EQ(empty.str(), u"");

    const std::u16string withNul(u"a\0b", 3);
    Bstr b(withNul);
    EXPECT_EQ(SysStringLen(b.get()), 3u);
    EXPECT_EQ(b.str(), withNul) << "the length, not the first NUL, ends the string";
    Bstr taken = std::move(b);
    EXPECT_EQ(b.get(), nullptr);
    EXPECT_EQ(taken.str(), withNul);
    *taken.put() = SysAllocString(L"next");
    EXPECT_EQ(taken.str(), u"next");
}

TEST(OleValue, VariantReadsTextOrIntegerPayload) {
    Variant untouched;
    EXPECT_FALSE(untouched.isString());
    EXPECT_EQ(untouched.intPayload(), 0);
    EXPECT_EQ(untouched.str(), u"");

    Variant number(0x00FF00);
    EXPECT_EQ(number.get().vt, VT_I4);
    EXPECT_EQ(number.intPayload(), 0x00FF00);

    Variant text;
    VARIANT* v = text.put();
    v->vt = VT_BSTR;
    v->bstrVal = SysAllocString(L"#ff0000");
    EXPECT_TRUE(text.isString());
    EXPECT_EQ(text.str(), u"#ff0000");

    Variant nullText;
    nullText.put()->vt = VT_BSTR;
    EXPECT_EQ(nullText.str(), u"");
}

TEST(MshtmlDom, WrapsNothingAsNull) {
    EXPECT_EQ(mshtml::wrapDocument(nullptr), nullptr);
}

}  // namespace
}  // namespace tnk::com
