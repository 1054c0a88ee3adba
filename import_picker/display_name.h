#pragma once

#include <string>
#include <string_view>

namespace fernwick {

// The name a list row shows for a path: the text after the last backslash, unless that backslash
// is the path's first character (then the whole path), with surrounding white space stripped.
// C:\Docs\report.xml gives report.xml, \report.xml stays as it is, C:\Docs\ gives an empty name.
std::wstring GetDisplayName(std::wstring_view path);
// The same name as a view into path; allocates nothing and cannot throw, so that the list's sort
// callback can use it inside the system's sort.
std::wstring_view DisplayNameOf(std::wstring_view path) noexcept;

}  // namespace fernwick
