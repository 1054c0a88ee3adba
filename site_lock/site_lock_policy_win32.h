#pragma once

#include <windows.h>

#include "site_lock/site_lock_rule.h"

namespace fernwick {

// The machine's site lock policy, from the 64-bit registry view whichever build reads it:
// HKEY_LOCAL_MACHINE\SOFTWARE\Policies\PexanFernwick\SiteLock, values "AllowedSites"
// (REG_MULTI_SZ) and "AllowZones" (REG_DWORD). A missing key or value leaves the default; an
// "AllowedSites" of another type lists nothing, and an "AllowZones" that is not a REG_DWORD turns
// zones off, so that a mistyped policy never allows more than the administrator meant.
SiteLockPolicy ReadSiteLockPolicy();

// Where the policy is read, as the administrative template resources/policy/PexanFernwick.admx
// writes it.
inline constexpr wchar_t kSiteLockPolicyKey[] = L"SOFTWARE\\Policies\\PexanFernwick\\SiteLock";
inline constexpr wchar_t kAllowedSitesValue[] = L"AllowedSites";
inline constexpr DWORD kAllowedSitesType = REG_MULTI_SZ;
inline constexpr wchar_t kAllowZonesValue[] = L"AllowZones";
inline constexpr DWORD kAllowZonesType = REG_DWORD;

}  // namespace fernwick
