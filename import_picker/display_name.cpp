#include "import_picker/display_name.h"

#include <cwctype>

namespace fernwick {

std::wstring_view DisplayNameOf(std::wstring_view path) noexcept {
    std::wstring_view name = path;
    const std::size_t lastBackslash = path.rfind(L'\\');
    if (lastBackslash != std::wstring_view::npos && lastBackslash >= 1) {
        name = path.substr(lastBackslash + 1);
    }
    const auto isSpace = [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
    while (!name.empty() && isSpace(name.front())) name.remove_prefix(1);
    while (!name.empty() && isSpace(name.back())) name.remove_suffix(1);
    return name;
}

std::wstring GetDisplayName(std::wstring_view path) { return std::wstring(DisplayNameOf(path)); }

}  // namespace fernwick
