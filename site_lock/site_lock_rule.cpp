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
    switch (zone) {
        case PageZone::LocalMachine:
            return L"Local machine";
        case PageZone::Intranet:
            return L"Local intranet";
        case PageZone::Trusted:
            return L"Trusted sites";
        case PageZone::Internet:
            return L"Internet";
        case PageZone::Restricted:
            return L"Restricted sites";
        case PageZone::Custom:
            break;
    }
    return L"a custom zone";
}

std::wstring_view RuleName(PageVerdict verdict) {
    switch (verdict) {
        case PageVerdict::Listed:
            return L"listed in AllowedSites";
        case PageVerdict::ZoneAllowed:
            return L"its zone is allowed";
        case PageVerdict::NoAddress:
            return L"no usable address";
        case PageVerdict::Restricted:
            return L"Restricted sites are always refused";
        case PageVerdict::ZoneRefused:
            return L"its zone is not allowed and AllowedSites does not list its site";
        case PageVerdict::ZonesTurnedOff:
            break;
    }
    return L"AllowZones is 0 and AllowedSites does not list its site";
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
