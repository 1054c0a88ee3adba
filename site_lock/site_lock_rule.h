#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fernwick {

// The security zone a browser places a page in.
enum class PageZone { LocalMachine, Intranet, Trusted, Internet, Restricted, Custom };

// What an administrator sets for the whole machine. Without a policy, pages in the local
// machine, intranet and trusted zones may use the helper.
struct SiteLockPolicy {
    std::vector<std::wstring> allowedSites;  // entries as the administrator wrote them
    bool allowZones = true;
};

// What the rule says of a page, and for a refusal which part of it refused.
enum class PageVerdict {
    Listed,          // the policy lists the page's site
    ZoneAllowed,     // local machine, intranet or trusted zone, with zones allowed
    NoAddress,       // an empty address, or one with a NUL in it
    Restricted,      // the restricted zone, listed or not
    ZoneRefused,     // the Internet or a custom zone, and the site is not listed
    ZonesTurnedOff,  // an allowed zone, but the policy leaves only listed sites
};

// Whether a page may script the registry helper while it runs with safety options enabled: never
// from the restricted zone or without an address; a listed site in any other zone; otherwise only
// the local machine, intranet and trusted zones, and those only while the policy allows zones.
// Malformed entries match nothing.
PageVerdict JudgePage(std::wstring_view pageAddress, PageZone zone, const SiteLockPolicy& policy);

constexpr bool Allows(PageVerdict verdict) {
    return verdict == PageVerdict::Listed || verdict == PageVerdict::ZoneAllowed;
}

// Names for the debugger output, as a person who sets zones and policies knows them.
std::wstring_view ZoneName(PageZone zone);
std::wstring_view RuleName(PageVerdict verdict);

// The strings of a REG_MULTI_SZ value's data, up to the first empty one (the list's end); a last
// string without its terminating NUL still counts.
std::vector<std::wstring> MultiStringEntries(std::wstring_view data);

}  // namespace fernwick
