// Policy entries and page addresses of any shape: reading and matching never crash or hang, and
// a site that names one host and no wildcard matches its own address.
#include <cstddef>
#include <cstdint>
#include <string>

#include "site_lock/site_lock_rule.h"
#include "site_lock/site_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text(data, data + size);
    const std::size_t split = text.find(L'\n');
    const std::wstring entries = text.substr(0, split);
    const std::wstring page = split == std::wstring::npos ? entries : text.substr(split + 1);

    for (const std::wstring& entry : fernwick::MultiStringEntries(entries)) {
        const auto site = fernwick::ParseSitePattern(entry);
        if (!site) continue;
        fernwick::SiteMatches(*site, page);
        const std::wstring own = site->scheme + L"://" + site->host +
                                 (site->port ? L":" + std::to_wstring(*site->port) : L"") + L"/";
        if (!site->anySubdomain && !fernwick::SiteMatches(*site, own)) __builtin_trap();
    }
    fernwick::JudgePage(page, fernwick::PageZone::Internet, {{entries}, false});
    return 0;
}
