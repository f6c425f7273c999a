#include "capture/com/ole_value.h"

namespace tnk::com {

std::u16string fromBstr(BSTR b) {
    if (!b) {
        return {};
    }
    const UINT n = SysStringLen(b);
    return std::u16string(reinterpret_cast<const char16_t*>(b), n);
}

Bstr::Bstr(const std::u16string& s)
    : b_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()),
                           static_cast<UINT>(s.size()))) {}

Bstr& Bstr::operator=(Bstr&& o) noexcept {
    if (this != &o) {
        reset();
        b_ = std::exchange(o.b_, nullptr);
    }
    return *this;
}

void Bstr::reset() {
    if (BSTR b = std::exchange(b_, nullptr)) {
        SysFreeString(b);
    }
}

std::u16string Bstr::str() const {
    return fromBstr(b_);
}

std::u16string Variant::str() const {
    return isString() ? fromBstr(v_.bstrVal) : std::u16string();
}

}  // namespace tnk::com
