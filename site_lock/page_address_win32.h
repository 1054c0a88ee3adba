#pragma once

#include <windows.h>
#include <unknwn.h>

#include <optional>
#include <string>

#include "site_lock/site_lock_rule.h"

namespace fernwick {

// The address of the page an object is sited in, asked of the site the two ways hosts answer:
// the browser's location (IServiceProvider to SID_SWebBrowserApp), then the URL of the document
// that contains the object (IOleClientSite::GetContainer). Empty when neither answers.
std::wstring PageAddress(IUnknown* site);

// The zone the machine's Internet security manager places an address in, honouring the zone
// assignments an administrator makes; nothing when it cannot tell.
std::optional<PageZone> ZoneOf(const std::wstring& address);

}  // namespace fernwick
