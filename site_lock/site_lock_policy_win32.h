#pragma once

#include "site_lock/site_lock_rule.h"

namespace fernwick {

// The machine's site lock policy, from the 64-bit registry view whichever build reads it:
// HKEY_LOCAL_MACHINE\SOFTWARE\Policies\PexanFernwick\SiteLock, values "AllowedSites"
// (REG_MULTI_SZ) and "AllowZones" (REG_DWORD). A missing key or value leaves the default; an
// "AllowedSites" of another type lists nothing, and an "AllowZones" that is not a REG_DWORD turns
// zones off, so that a mistyped policy never allows more than the administrator meant.
SiteLockPolicy ReadSiteLockPolicy();

}  // namespace fernwick
