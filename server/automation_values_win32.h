#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>

namespace fernwick {

// The text of a BSTR argument; a null BSTR is the empty string.
inline std::wstring_view Text(BSTR text) noexcept { return {text, SysStringLen(text)}; }

inline VARIANT_BOOL Bool(bool value) noexcept { return value ? VARIANT_TRUE : VARIANT_FALSE; }

inline HRESULT CopyOut(bool value, VARIANT_BOOL* out) noexcept {
    if (!out) return E_POINTER;
    *out = Bool(value);
    return S_OK;
}

// Hands the caller a fresh copy of text, an allocated BSTR even when it is empty.
inline HRESULT CopyOut(std::wstring_view text, BSTR* out) noexcept {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace fernwick
