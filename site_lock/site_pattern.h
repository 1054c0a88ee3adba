#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fernwick {

// A site an administrator lets use the registry helper: `scheme://host` with an optional
// `:port`, where a host that begins with `*.` stands for every subdomain of the rest (not for
// the rest itself). Schemes and hosts compare without regard to ASCII case. Without a port the
// pattern matches only the scheme's default port.
struct SitePattern {
    std::wstring scheme;  // lower case
    std::wstring host;    // lower case, without the `*.`
    bool anySubdomain = false;
    std::optional<unsigned> port;
};

// The pattern an entry names, or nothing when the entry is malformed: no `://`, a user name, a
// path (beyond a single `/`), a query, an empty or invalid host label, a `*` anywhere but at the
// start, or a port outside 1..65535. Spaces and tabs around the entry are ignored.
std::optional<SitePattern> ParseSitePattern(std::wstring_view entry);

// Whether the page at pageAddress (a full URL) belongs to the site. An address whose scheme,
// host or port cannot be read belongs to no site.
bool SiteMatches(const SitePattern& site, std::wstring_view pageAddress);

}  // namespace fernwick
