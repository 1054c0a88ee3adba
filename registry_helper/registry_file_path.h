#pragma once

#include <string>
#include <string_view>

namespace fernwick {

// True when an untrusted page may have a registry file read from this path: a fully qualified
// path on a drive ("C:\..." or "C:/..."), whose last name is not one of the device names that
// Windows knows in every folder (CON, NUL, COM1 and the like). UNC paths, device and namespace
// paths ("\\.\...", "\\?\...") and relative paths never are. Whether the drive is a network
// drive is a question for the file source.
bool IsPlainDrivePath(std::wstring_view path);

// The root of the drive of a path that IsPlainDrivePath accepts, such as "C:\".
std::wstring DriveRoot(std::wstring_view path);

}  // namespace fernwick
