#pragma once

// A browser page as an object sited in it sees it: a site that tells the page's address the way
// a host chooses, and the browser or document behind it. Every reference handed out is counted,
// so a test can see what the sited object still holds.
#include <windows.h>
#include <ocidl.h>
#include <unknwn.h>

#include <memory>
#include <string>

namespace fernwick::tests {

enum class AddressRoute {
    Browser,   // IServiceProvider, SID_SWebBrowserApp, IWebBrowser2::get_LocationURL
    Document,  // IOleClientSite::GetContainer, IHTMLDocument2::get_URL
    Both,      // both: the document's own address and the browser's top-level one
    None,      // a site that offers neither
};

// The calls an object makes of the page it is sited in.
enum class PageCall {
    SiteQuery,
    QueryService,
    LocationUrl,
    GetContainer,
    ContainerQuery,
    DocumentUrl
};

class StandInPage {
public:
    // A page whose document and browser tell one address, or in a frame, the document its own
    // and the browser the top-level page's.
    StandInPage(AddressRoute route, std::wstring address);
    StandInPage(AddressRoute route, std::wstring document, std::wstring topLevel);
    ~StandInPage();
    StandInPage(const StandInPage&) = delete;
    StandInPage& operator=(const StandInPage&) = delete;

    // The site to hand to IObjectWithSite::SetSite; the page keeps it alive.
    IUnknown* Site() const;
    void Navigate(std::wstring address);
    // References that others hold on the site, browser, container and document.
    long References() const;
    // The page clears itself from the object (SetSite(NULL)) the first time it answers call; the
    // object is not held. Once the page is destroyed, its last release overwrites its memory.
    void ClearSiteDuring(PageCall call, IObjectWithSite* object);
    // Pages whose objects have not been released yet.
    static long Alive();

    struct Objects;

private:
    std::unique_ptr<Objects> objects_;
};

}  // namespace fernwick::tests
