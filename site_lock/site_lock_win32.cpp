#include "site_lock/site_lock_win32.h"

#include "site_lock/page_address_win32.h"
#include "site_lock/site_lock_policy_win32.h"
#include "site_lock/site_lock_rule.h"

namespace fernwick {

void SiteLock::SetSite(IUnknown* site) {
    if (site) site->AddRef();
    site_.reset(site);
    judgedAddress_.clear();
    judgedAllowed_ = false;
}

HRESULT SiteLock::GetSite(REFIID riid, void** site) const {
    if (!site) return E_POINTER;
    *site = nullptr;
    if (!site_) return E_FAIL;
    return site_->QueryInterface(riid, site);
}

bool SiteLock::PageAllowed() {
    const std::wstring address = PageAddress(site_.get());
    if (address.empty()) return false;
    if (address != judgedAddress_) {
        const auto zone = ZoneOf(address);
        const bool allowed = zone && fernwick::PageAllowed(address, *zone, ReadSiteLockPolicy());
        // Cleared first: an empty address is never judged, so a failed copy leaves no verdict.
        judgedAddress_.clear();
        judgedAllowed_ = allowed;
        judgedAddress_ = address;
    }
    return judgedAllowed_;
}

}  // namespace fernwick
