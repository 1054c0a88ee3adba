#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "support/unique_resource.h"

// Owners for OLE Automation data: strings, safe arrays and variants.
namespace tolk::stdx {

using UniqueBstr = UniqueResource<BSTR, SysFreeString>;
using UniqueSafeArray = UniqueResource<SAFEARRAY*, SafeArrayDestroy>;

// A move-only VARIANT that is cleared when it goes out of scope. get() lends it, put() clears it
// and lends it to a function that fills an out-parameter, release() hands the value over and
// leaves VT_EMPTY behind, reset() clears it or takes over another value.
class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&value_); }
    explicit UniqueVariant(const VARIANT& adopted) noexcept : value_(adopted) {}
    UniqueVariant(UniqueVariant&& other) noexcept : value_(other.release()) {}
    UniqueVariant& operator=(UniqueVariant&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { VariantClear(&value_); }

    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }
    VARIANT* operator->() noexcept { return &value_; }
    const VARIANT* operator->() const noexcept { return &value_; }
    VARIANT* put() noexcept {
        reset();
        return &value_;
    }

    VARIANT release() noexcept {
        VARIANT value = value_;
        VariantInit(&value_);
        return value;
    }
    void reset() noexcept {
        VariantClear(&value_);
        VariantInit(&value_);
    }
    void reset(const VARIANT& adopted) noexcept {
        VariantClear(&value_);
        value_ = adopted;
    }

private:
    VARIANT value_;
};

}  // namespace tolk::stdx
