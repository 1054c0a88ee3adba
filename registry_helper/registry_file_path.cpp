#include "registry_helper/registry_file_path.h"

#include "support/ascii_case.h"

namespace fernwick {
namespace {

using tolk::stdx::AsciiEqualsIgnoreCase;
using tolk::stdx::AsciiToLower;

bool IsSeparator(wchar_t unit) { return unit == L'\\' || unit == L'/'; }

// COM and LPT take a digit; Windows also counts the superscripts one to three.
bool IsDevicePortNumber(wchar_t unit) {
    return (unit >= L'0' && unit <= L'9') || unit == L'\u00B9' || unit == L'\u00B2' ||
           unit == L'\u00B3';
}

// Windows reads a device name into the last name of a path whatever extension or stream follows
// it and however many spaces trail it.
bool IsDeviceName(std::wstring_view path) {
    std::wstring_view name = path.substr(path.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.find_first_of(L".:"));
    while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
    for (const std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (AsciiEqualsIgnoreCase(name, device)) return true;
    }
    const std::wstring_view port = name.substr(0, 3);
    return name.size() == 4 &&
           (AsciiEqualsIgnoreCase(port, L"COM") || AsciiEqualsIgnoreCase(port, L"LPT")) &&
           IsDevicePortNumber(name[3]);
}

}  // namespace

bool IsPlainDrivePath(std::wstring_view path) {
    const bool drive = path.size() >= 3 && AsciiToLower(path[0]) >= L'a' &&
                       AsciiToLower(path[0]) <= L'z' && path[1] == L':' && IsSeparator(path[2]);
    return drive && !IsDeviceName(path);
}

std::wstring DriveRoot(std::wstring_view path) { return {path[0], L':', L'\\'}; }

}  // namespace fernwick
