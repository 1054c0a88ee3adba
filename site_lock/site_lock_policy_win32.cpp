#include "site_lock/site_lock_policy_win32.h"

#include <windows.h>

#include <string>

#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

bool ReadAllowZones(HKEY key) {
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS status = RegQueryValueExW(key, kAllowZonesValue, nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    return status == ERROR_SUCCESS && type == kAllowZonesType && size == sizeof(value) &&
           value != 0;
}

// The value's units, read again while it grows between the two calls.
std::wstring ReadMultiString(HKEY key, const wchar_t* name) {
    std::wstring units;
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != kAllowedSitesType) {
            return {};
        }
        units.resize(size / sizeof(wchar_t) + 1);
        size = static_cast<DWORD>(units.size() * sizeof(wchar_t));
        const LSTATUS status = RegQueryValueExW(key, name, nullptr, &type,
                                                reinterpret_cast<BYTE*>(units.data()), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || type != kAllowedSitesType) return {};
        units.resize(size / sizeof(wchar_t));
        return units;
    }
}

}  // namespace

SiteLockPolicy ReadSiteLockPolicy() {
    SiteLockPolicy policy;
    tolk::stdx::UniqueHkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSiteLockPolicyKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      key.put()) != ERROR_SUCCESS) {
        return policy;
    }
    policy.allowZones = ReadAllowZones(key.get());
    policy.allowedSites = MultiStringEntries(ReadMultiString(key.get(), kAllowedSitesValue));
    return policy;
}

}  // namespace fernwick
