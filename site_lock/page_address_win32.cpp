#include "site_lock/page_address_win32.h"

#include <exdisp.h>
#include <mshtml.h>
#include <ole2.h>
#include <servprov.h>
#include <shlguid.h>
#include <urlmon.h>

#include "server/automation_values_win32.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;

// A host may answer S_OK and still hand out nothing.
std::wstring Answered(HRESULT result, const UniqueBstr& address) {
    if (FAILED(result) || !address) return {};
    return std::wstring(Text(address.get()));
}

std::wstring BrowserLocation(IUnknown* site) {
    UniqueCom<IServiceProvider> services;
    if (FAILED(site->QueryInterface(IID_PPV_ARGS(services.put()))) || !services) return {};
    UniqueCom<IWebBrowser2> browser;
    if (FAILED(services->QueryService(SID_SWebBrowserApp, IID_PPV_ARGS(browser.put()))) ||
        !browser) {
        return {};
    }
    UniqueBstr location;
    return Answered(browser->get_LocationURL(location.put()), location);
}

std::wstring DocumentUrl(IUnknown* site) {
    UniqueCom<IOleClientSite> clientSite;
    if (FAILED(site->QueryInterface(IID_PPV_ARGS(clientSite.put()))) || !clientSite) return {};
    UniqueCom<IOleContainer> container;
    if (FAILED(clientSite->GetContainer(container.put())) || !container) return {};
    UniqueCom<IHTMLDocument2> document;
    if (FAILED(container->QueryInterface(IID_PPV_ARGS(document.put()))) || !document) return {};
    UniqueBstr url;
    return Answered(document->get_URL(url.put()), url);
}

}  // namespace

PageAddresses PageAddressesOf(IUnknown* site) {
    return PageAddresses{DocumentUrl(site), BrowserLocation(site)};
}

std::optional<PageZone> ZoneOf(const std::wstring& address) {
    UniqueCom<IInternetSecurityManager> manager;
    if (FAILED(CoCreateInstance(CLSID_InternetSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(manager.put())))) {
        return std::nullopt;
    }
    DWORD zone = URLZONE_INVALID;
    if (FAILED(manager->MapUrlToZone(address.c_str(), &zone, 0))) return std::nullopt;
    switch (zone) {
        case URLZONE_LOCAL_MACHINE:
            return PageZone::LocalMachine;
        case URLZONE_INTRANET:
            return PageZone::Intranet;
        case URLZONE_TRUSTED:
            return PageZone::Trusted;
        case URLZONE_INTERNET:
            return PageZone::Internet;
        case URLZONE_UNTRUSTED:
            return PageZone::Restricted;
        default:
            return PageZone::Custom;
    }
}

}  // namespace fernwick
