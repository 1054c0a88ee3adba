#include "site_lock/site_pattern.h"

#include <algorithm>

#include "support/ascii_case.h"

namespace fernwick {
namespace {

using tolk::stdx::AsciiToLower;

// The scheme, host and port of an address, before they are checked.
struct Authority {
    std::wstring_view scheme;
    std::wstring_view host;
    std::optional<std::wstring_view> port;
    std::wstring_view rest;  // what follows the port: path, query, fragment
    bool namesUser = false;
};

constexpr bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}
constexpr bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsScheme(std::wstring_view scheme) {
    if (scheme.empty() || !IsAsciiLetter(scheme.front())) return false;
    return std::all_of(scheme.begin(), scheme.end(), [](wchar_t c) {
        return IsAsciiLetter(c) || IsAsciiDigit(c) || c == L'+' || c == L'-' || c == L'.';
    });
}

// A DNS name or an IPv4 address: non-empty labels of letters, digits and hyphens.
bool IsHostName(std::wstring_view host) {
    if (host.empty() || host.front() == L'.' || host.back() == L'.') return false;
    if (host.find(L"..") != std::wstring_view::npos) return false;
    return std::all_of(host.begin(), host.end(), [](wchar_t c) {
        return IsAsciiLetter(c) || IsAsciiDigit(c) || c == L'-' || c == L'.';
    });
}

std::optional<unsigned> PortNumber(std::wstring_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    unsigned port = 0;
    for (const wchar_t c : digits) {
        if (!IsAsciiDigit(c)) return std::nullopt;
        port = port * 10 + static_cast<unsigned>(c - L'0');
    }
    if (port == 0 || port > 65535) return std::nullopt;
    return port;
}

std::optional<unsigned> DefaultPort(std::wstring_view scheme) {
    if (scheme == L"http") return 80;
    if (scheme == L"https") return 443;
    return std::nullopt;
}

std::wstring Lowered(std::wstring_view text) {
    std::wstring lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), AsciiToLower);
    return lowered;
}

// Splits `scheme://[user@]host[:port]rest`; the authority ends at the first `/`, `\`, `?` or `#`.
std::optional<Authority> SplitAddress(std::wstring_view address) {
    const std::size_t separator = address.find(L"://");
    if (separator == std::wstring_view::npos) return std::nullopt;
    Authority parts;
    parts.scheme = address.substr(0, separator);
    std::wstring_view authority = address.substr(separator + 3);
    const std::size_t end = authority.find_first_of(L"/\\?#");
    if (end != std::wstring_view::npos) {
        parts.rest = authority.substr(end);
        authority = authority.substr(0, end);
    }
    if (const std::size_t at = authority.rfind(L'@'); at != std::wstring_view::npos) {
        parts.host = authority.substr(at + 1);
        parts.namesUser = true;
    } else {
        parts.host = authority;
    }
    if (const std::size_t colon = parts.host.find(L':'); colon != std::wstring_view::npos) {
        parts.port = parts.host.substr(colon + 1);
        parts.host = parts.host.substr(0, colon);
    }
    if (!IsScheme(parts.scheme)) return std::nullopt;
    return parts;
}

std::wstring_view Trimmed(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

}  // namespace

std::optional<SitePattern> ParseSitePattern(std::wstring_view entry) {
    entry = Trimmed(entry);
    const auto parts = SplitAddress(entry);
    if (!parts || parts->namesUser || !(parts->rest.empty() || parts->rest == L"/")) {
        return std::nullopt;
    }
    SitePattern site;
    std::wstring_view host = parts->host;
    if (host.starts_with(L"*.")) {
        site.anySubdomain = true;
        host.remove_prefix(2);
    }
    if (!IsHostName(host)) return std::nullopt;
    if (parts->port) {
        site.port = PortNumber(*parts->port);
        if (!site.port) return std::nullopt;
    }
    site.scheme = Lowered(parts->scheme);
    site.host = Lowered(host);
    return site;
}

bool SiteMatches(const SitePattern& site, std::wstring_view pageAddress) {
    const auto parts = SplitAddress(pageAddress);
    if (!parts || !IsHostName(parts->host)) return false;
    const std::wstring scheme = Lowered(parts->scheme);
    const std::wstring host = Lowered(parts->host);
    if (scheme != site.scheme) return false;
    const bool hostMatches =
        site.anySubdomain ? host.size() > site.host.size() + 1 && host.ends_with(site.host) &&
                                host[host.size() - site.host.size() - 1] == L'.'
                          : host == site.host;
    if (!hostMatches) return false;
    std::optional<unsigned> pagePort = DefaultPort(scheme);
    if (parts->port) {
        pagePort = PortNumber(*parts->port);
        if (!pagePort) return false;
    }
    const std::optional<unsigned> sitePort = site.port ? site.port : DefaultPort(scheme);
    // Neither names a port and the scheme has no default one: the same unnamed port.
    if (!sitePort && !parts->port) return true;
    return sitePort && pagePort == sitePort;
}

}  // namespace fernwick
