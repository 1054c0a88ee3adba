#pragma once

#include <windows.h>
#include <unknwn.h>

#include <optional>
#include <string>

#include "site_lock/site_lock_rule.h"

namespace fernwick {

// The addresses of the page an object is sited in, asked of the site the two ways hosts answer:
// the URL of the document that contains the object (IOleClientSite::GetContainer) and the
// location of the browser's top-level page (IServiceProvider to SID_SWebBrowserApp). The two
// differ in a frame. A route that does not answer, or answers with nothing, leaves its address
// empty. The caller holds a reference on the site for the length of the call.
struct PageAddresses {
    std::wstring document;
    std::wstring topLevel;

    bool operator==(const PageAddresses&) const = default;
};
PageAddresses PageAddressesOf(IUnknown* site);

// The zone the machine's Internet security manager places an address in, honouring the zone
// assignments an administrator makes; nothing when it cannot tell.
std::optional<PageZone> ZoneOf(const std::wstring& address);

}  // namespace fernwick
