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

PageVerdict JudgePage(std::wstring_view pageAddress, PageZone zone, const SiteLockPolicy& policy) {
    // A NUL would end the address where the zone is mapped but not where the site is matched.
    if (pageAddress.empty() || pageAddress.find(L'\0') != std::wstring_view::npos) {
        return PageVerdict::NoAddress;
    }
    if (zone == PageZone::Restricted) return PageVerdict::Restricted;
    if (Listed(pageAddress, policy.allowedSites)) return PageVerdict::Listed;
    const bool zoneAllowed =
        zone == PageZone::LocalMachine || zone == PageZone::Intranet || zone == PageZone::Trusted;
    if (!zoneAllowed) return PageVerdict::ZoneRefused;
    return policy.allowZones ? PageVerdict::ZoneAllowed : PageVerdict::ZonesTurnedOff;
}

std::wstring_view ZoneName(PageZone zone) {
    // In the order of PageZone.
    constexpr std::wstring_view kNames[] = {L"Local machine",    L"Local intranet",
                                            L"Trusted sites",    L"Internet",
                                            L"Restricted sites", L"a custom zone"};
    return kNames[static_cast<std::size_t>(zone)];
}

std::wstring_view RuleName(PageVerdict verdict) {
    // In the order of PageVerdict.
    constexpr std::wstring_view kRules[] = {
        L"listed in AllowedSites",
        L"its zone is allowed",
        L"no usable address",
        L"Restricted sites are always refused",
        L"its zone is not allowed and AllowedSites does not list its site",
        L"AllowZones is 0 and AllowedSites does not list its site",
    };
    return kRules[static_cast<std::size_t>(verdict)];
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
