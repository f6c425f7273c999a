#pragma once

#include <windows.h>

#include <ole2.h>

#include <utility>

namespace tnk::com {

// Owns one counted reference to a COM interface: released when the pointer
// is reset, overwritten or destroyed.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already owns (an out-parameter).
    static ComPtr attach(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Adds a reference of its own.
    static ComPtr share(T* p) {
        if (p) {
            p->AddRef();
        }
        return attach(p);
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) {
            p_->AddRef();
        }
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For out-parameters: releases what is held and hands out the slot.
    T** put() {
        reset();
        return &p_;
    }

    // The same object through another interface; null if not offered.
    template <class U>
    ComPtr<U> query() const {
        ComPtr<U> r;
        if (p_) {
            void* out = nullptr;
            if (SUCCEEDED(p_->QueryInterface(__uuidof(U), &out)) && out) {
                r = ComPtr<U>::attach(static_cast<U*>(out));
            }
        }
        return r;
    }

  private:
    T* p_ = nullptr;
};

}  // namespace tnk::com
