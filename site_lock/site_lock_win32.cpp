#include "site_lock/site_lock_win32.h"

#include <string>

#include "site_lock/site_lock_policy_win32.h"
#include "site_lock/site_lock_rule.h"
#include "support/debug_output_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::TraceLine;

// Whether one address may use the object, telling the debugger why not.
bool AddressAllowed(const std::wstring& address, const SiteLockPolicy& policy) {
    const std::optional<PageZone> zone = ZoneOf(address);
    if (!zone) {
        TraceLine(L"site lock: page " + address + L" refused: its zone could not be told");
        return false;
    }
    const PageVerdict verdict = JudgePage(address, *zone, policy);
    if (!Allows(verdict)) {
        TraceLine(L"site lock: page " + address + L", zone " + std::wstring(ZoneName(*zone)) +
                  L", refused: " + std::wstring(RuleName(verdict)));
    }
    return Allows(verdict);
}

// Every address the site tells must be allowed: in a frame, the object's own document and the
// browser's top-level page.
bool Judge(const std::optional<PageAddresses>& addresses) {
    if (!addresses) {
        TraceLine(L"site lock: refused: the object has no site");
        return false;
    }
    if (addresses->document.empty() && addresses->topLevel.empty()) {
        TraceLine(L"site lock: refused: the site tells no page address");
        return false;
    }
    const SiteLockPolicy policy = ReadSiteLockPolicy();
    bool allowed = true;
    for (const std::wstring* address : {&addresses->document, &addresses->topLevel}) {
        if (!address->empty()) allowed = AddressAllowed(*address, policy) && allowed;
    }
    return allowed;
}

}  // namespace

tolk::stdx::UniqueCom<IUnknown> SiteLock::Held() const {
    if (site_) site_->AddRef();
    return tolk::stdx::UniqueCom<IUnknown>(site_.get());
}

void SiteLock::SetSite(IUnknown* site) {
    if (site) site->AddRef();
    // The old site is let go last, in case its release reaches back into the object.
    tolk::stdx::UniqueCom<IUnknown> old(site_.release());
    site_.reset(site);
    judged_ = false;
}

HRESULT SiteLock::GetSite(REFIID riid, void** site) const {
    if (!site) return E_POINTER;
    *site = nullptr;
    const tolk::stdx::UniqueCom<IUnknown> held = Held();
    if (!held) return E_FAIL;
    return held->QueryInterface(riid, site);
}

bool SiteLock::PageAllowed() {
    const tolk::stdx::UniqueCom<IUnknown> held = Held();
    std::optional<PageAddresses> addresses;
    if (held) addresses = PageAddressesOf(held.get());
    // A site that cleared or replaced itself while it answered told the addresses of a page the
    // object is no longer in; the next call judges the new one.
    if (site_.get() != held.get()) return false;
    if (!judged_ || judgedAddresses_ != addresses) {
        // Cleared first, so that a judgement cut short by a failed copy leaves no verdict.
        judged_ = false;
        judgedAllowed_ = Judge(addresses);
        judgedAddresses_ = std::move(addresses);
        judged_ = true;
    }
    return judgedAllowed_;
}

}  // namespace fernwick
