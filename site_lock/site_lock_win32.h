#pragma once

#include <windows.h>
#include <unknwn.h>

#include <optional>

#include "site_lock/page_address_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {

// The site an object is placed in, and whether the page there may use the object while it runs
// for untrusted callers. The site is held from SetSite until it is replaced, cleared or the lock
// is destroyed; the host holds the object, never the other way round once it clears the site.
// Every call into the site goes through a reference of the lock's own, since a site may clear
// itself from the object while it answers. The page is asked for its addresses at every check,
// so that a page that navigates away is judged again; zone and policy are looked up again
// whenever those addresses change. A refusal is written to the debugger output once per change.
class SiteLock {
public:
    void SetSite(IUnknown* site);
    // As IObjectWithSite::GetSite: E_FAIL and a null pointer without a site.
    HRESULT GetSite(REFIID riid, void** site) const;

    bool Sited() const { return static_cast<bool>(site_); }
    // False without a site, for a site that tells no address, for a site that is replaced while
    // it answers, and unless every address the site tells is one the zone or the machine's policy
    // allows (never one in the restricted zone).
    bool PageAllowed();

private:
    tolk::stdx::UniqueCom<IUnknown> Held() const;

    tolk::stdx::UniqueCom<IUnknown> site_;
    // The addresses last judged (none for a missing site) and the verdict on them.
    bool judged_ = false;
    std::optional<PageAddresses> judgedAddresses_;
    bool judgedAllowed_ = false;
};

}  // namespace fernwick
