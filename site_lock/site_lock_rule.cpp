#include "site_lock/site_lock_rule.h"

#include <algorithm>

#include "site_lock/site_pattern.h"

namespace fernwick {
namespace {

bool Listed(std::wstring_view pageAddress, const std::vector<std::wstring>& allowedSites) {
    return std::any_of(allowedSites.begin(), allowedSites.end(), [&](const std::wstring& entry) {
        const auto site = ParseSitePattern(entry);
        return site && SiteMatches(*site, pageAddress);
    });
}

}  // namespace

bool PageAllowed(std::wstring_view pageAddress, PageZone zone, const SiteLockPolicy& policy) {
    // A NUL would end the address where the zone is mapped but not where the site is matched.
    if (pageAddress.empty() || pageAddress.find(L'\0') != std::wstring_view::npos) return false;
    if (zone == PageZone::Restricted) return false;
    if (Listed(pageAddress, policy.allowedSites)) return true;
    const bool zoneAllowed =
        zone == PageZone::LocalMachine || zone == PageZone::Intranet || zone == PageZone::Trusted;
    return policy.allowZones && zoneAllowed;
}

std::vector<std::wstring> MultiStringEntries(std::wstring_view data) {
    std::vector<std::wstring> entries;
    while (!data.empty()) {
        const std::size_t end = std::min(data.find(L'\0'), data.size());
        if (end == 0) break;
        entries.emplace_back(data.substr(0, end));
        data.remove_prefix(std::min(end + 1, data.size()));
    }
    return entries;
}

}  // namespace fernwick
