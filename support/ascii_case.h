#pragma once

#include <string_view>

namespace tolk::stdx {

// Case folding for names and paths that the client and the registry compare without regard to
// case: only the ASCII letters A to Z fold, whatever the locale, so that no other character (an
// accented capital, say) ever equals a different one.
constexpr wchar_t AsciiToLower(wchar_t c) noexcept {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

constexpr bool AsciiEqualsIgnoreCase(std::wstring_view a, std::wstring_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiToLower(a[i]) != AsciiToLower(b[i])) return false;
    }
    return true;
}

}  // namespace tolk::stdx
