#pragma once

#include <windows.h>

#include <ole2.h>

#include <cstdint>
#include <string>
#include <utility>

namespace tnk::com {

// Owns a BSTR by the OLE Automation rules: freed with SysFreeString, and a
// null BSTR reads as the empty string.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const std::u16string& s);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept;
    ~Bstr() { reset(); }

    void reset();
    BSTR get() const { return b_; }
    // For out-parameters: frees what is held and hands out the slot.
    BSTR* put() {
        reset();
        return &b_;
    }
    std::u16string str() const;

  private:
    BSTR b_ = nullptr;
};

// Owns a VARIANT: initialised empty, cleared with VariantClear.
class Variant {
  public:
    // The whole union starts zeroed, so the integer payload of a variant that
    // a callee left untouched reads as 0.
    Variant() : v_{} { VariantInit(&v_); }
    explicit Variant(std::int32_t i) : Variant() {
        v_.vt = VT_I4;
        v_.lVal = i;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }

    // For out-parameters: clears what is held, payload included, so that a
    // callee that sets only the type leaves no stale value behind.
    VARIANT* put() {
        VariantClear(&v_);
        v_ = VARIANT{};
        VariantInit(&v_);
        return &v_;
    }
    const VARIANT& get() const { return v_; }
    // In-place access (e.g. converting the value where it stands).
    VARIANT* raw() { return &v_; }
    bool isString() const { return v_.vt == VT_BSTR; }
    // The string of a VT_BSTR variant (a null BSTR is empty); empty otherwise.
    std::u16string str() const;
    // The 32-bit integer payload, whatever the type (0 for an empty variant).
    std::int32_t intPayload() const { return v_.lVal; }

  private:
    VARIANT v_;
};

std::u16string fromBstr(BSTR b);

}  // namespace tnk::com
