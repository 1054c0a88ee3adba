#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string>

#include "support/unique_handles_win32.h"

namespace fernwick {

// The site an object is placed in, and whether the page there may use the object while it runs
// for untrusted callers. The site is held from SetSite until it is replaced, cleared or the lock
// is destroyed; the host holds the object, never the other way round once it clears the site.
// The page is asked for its address at every check, so that a page that navigates away is
// judged again; zone and policy are looked up again whenever that address changes.
class SiteLock {
public:
    void SetSite(IUnknown* site);
    // As IObjectWithSite::GetSite: E_FAIL and a null pointer without a site.
    HRESULT GetSite(REFIID riid, void** site) const;

    bool Sited() const { return static_cast<bool>(site_); }
    // False without a site, for a site that tells no address, in the restricted zone, or where
    // the zone or the machine's policy does not allow the page.
    bool PageAllowed();

private:
    tolk::stdx::UniqueCom<IUnknown> site_;
    std::wstring judgedAddress_;
    bool judgedAllowed_ = false;
};

}  // namespace fernwick
