#pragma once

// A browser page as an object sited in it sees it: a site that tells the page's address the way
// a host chooses, and the browser or document behind it. Every reference handed out is counted,
// so a test can see what the sited object still holds.
#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <string>

namespace fernwick::tests {

enum class AddressRoute {
    Browser,   // IServiceProvider, SID_SWebBrowserApp, IWebBrowser2::get_LocationURL
    Document,  // IOleClientSite::GetContainer, IHTMLDocument2::get_URL
    None,      // a site that offers neither
};

class StandInPage {
public:
    StandInPage(AddressRoute route, std::wstring address);
    ~StandInPage();
    StandInPage(const StandInPage&) = delete;
    StandInPage& operator=(const StandInPage&) = delete;

    // The site to hand to IObjectWithSite::SetSite; the page keeps it alive.
    IUnknown* Site() const;
    void Navigate(std::wstring address);
    // References that others hold on the site, browser, container and document.
    long References() const;

    struct Objects;

private:
    std::unique_ptr<Objects> objects_;
};

}  // namespace fernwick::tests
