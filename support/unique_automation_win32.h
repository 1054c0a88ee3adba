#pragma once

#include <windows.h>
#include <oleauto.h>

#include "support/unique_resource.h"

// Owners for OLE Automation data: safe arrays and variants.
namespace tolk::stdx {

struct SafeArrayTraits {
    using Handle = SAFEARRAY*;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle array) noexcept { SafeArrayDestroy(array); }
};
using UniqueSafeArray = UniqueResource<SafeArrayTraits>;

// A VARIANT that is cleared when it goes out of scope.
class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&value_); }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }

private:
    VARIANT value_;
};

}  // namespace tolk::stdx
