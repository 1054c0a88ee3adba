// The stand-in objects fill only the members an object asks of its page; the C form of the
// interfaces lets the rest stay empty instead of spelling out every member of a browser and a
// document.
#define CINTERFACE

#include "tests/support/stand_in_page_win32.h"

#include <exdisp.h>
#include <mshtml.h>
#include <ole2.h>
#include <servprov.h>
#include <shlguid.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace fernwick::tests {
namespace {

struct StandIn;

struct PageState {
    std::wstring address;
    long references = 0;
    bool closed = false;  // the page is gone; the last release frees its objects
    StandInPage::Objects* objects = nullptr;
    StandIn* browser = nullptr;
    StandIn* container = nullptr;
};

// One stand-in object: its function table first, as an interface pointer expects.
struct StandIn {
    const void* table;
    PageState* page;
    std::vector<IID> offers;
    StandIn* handsOnDocument = nullptr;  // the container answers for the document it holds

    bool Offers(REFIID riid) const {
        return IsEqualIID(riid, IID_IUnknown) ||
               std::any_of(offers.begin(), offers.end(),
                           [&](const IID& iid) { return IsEqualIID(iid, riid); });
    }
};

StandIn* Of(void* self) { return static_cast<StandIn*>(self); }

HRESULT Hand(StandIn* object, void** out) {
    ++object->page->references;
    *out = object;
    return S_OK;
}

template <typename Interface>
HRESULT STDMETHODCALLTYPE QueryInterfaceOf(Interface* self, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    StandIn* object = Of(self);
    if (object->Offers(riid)) return Hand(object, out);
    if (object->handsOnDocument && object->handsOnDocument->Offers(riid)) {
        return Hand(object->handsOnDocument, out);
    }
    return E_NOINTERFACE;
}

template <typename Interface>
ULONG STDMETHODCALLTYPE AddRefOf(Interface* self) {
    return static_cast<ULONG>(++Of(self)->page->references);
}

void Free(StandInPage::Objects* objects);

template <typename Interface>
ULONG STDMETHODCALLTYPE ReleaseOf(Interface* self) {
    PageState* page = Of(self)->page;
    const long remaining = --page->references;
    if (remaining == 0 && page->closed) Free(page->objects);
    return static_cast<ULONG>(remaining);
}

template <typename Interface, typename Table>
Table UnknownTable() {
    Table table{};
    table.QueryInterface = QueryInterfaceOf<Interface>;
    table.AddRef = AddRefOf<Interface>;
    table.Release = ReleaseOf<Interface>;
    return table;
}

HRESULT CopyAddress(void* self, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(Of(self)->page->address.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE LocationUrl(IWebBrowser2* self, BSTR* out) {
    return CopyAddress(self, out);
}

HRESULT STDMETHODCALLTYPE DocumentUrl(IHTMLDocument2* self, BSTR* out) {
    return CopyAddress(self, out);
}

}  // namespace

struct StandInPage::Objects {
    PageState page;
    StandIn browser{&BrowserTable(),
                    &page,
                    {IID_IDispatch, IID_IWebBrowser, IID_IWebBrowserApp, IID_IWebBrowser2}};
    StandIn document{
        &DocumentTable(), &page, {IID_IDispatch, IID_IHTMLDocument, IID_IHTMLDocument2}};
    StandIn container{
        &ContainerTable(), &page, {IID_IParseDisplayName, IID_IOleContainer}, &document};
    StandIn site;

    static HRESULT STDMETHODCALLTYPE QueryService(IServiceProvider* self, REFGUID service,
                                                  REFIID riid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualGUID(service, SID_SWebBrowserApp)) return E_NOINTERFACE;
        StandIn* browser = Of(self)->page->browser;
        return QueryInterfaceOf<IWebBrowser2>(reinterpret_cast<IWebBrowser2*>(browser), riid, out);
    }

    static HRESULT STDMETHODCALLTYPE GetContainer(IOleClientSite* self, IOleContainer** out) {
        if (!out) return E_POINTER;
        return Hand(Of(self)->page->container, reinterpret_cast<void**>(out));
    }

    static const IWebBrowser2Vtbl& BrowserTable() {
        static const IWebBrowser2Vtbl table = [] {
            auto filled = UnknownTable<IWebBrowser2, IWebBrowser2Vtbl>();
            filled.get_LocationURL = LocationUrl;
            return filled;
        }();
        return table;
    }
    static const IHTMLDocument2Vtbl& DocumentTable() {
        static const IHTMLDocument2Vtbl table = [] {
            auto filled = UnknownTable<IHTMLDocument2, IHTMLDocument2Vtbl>();
            filled.get_URL = DocumentUrl;
            return filled;
        }();
        return table;
    }
    static const IOleContainerVtbl& ContainerTable() {
        static const IOleContainerVtbl table = UnknownTable<IOleContainer, IOleContainerVtbl>();
        return table;
    }
    static const void* SiteTable(AddressRoute route) {
        static const IServiceProviderVtbl services = [] {
            auto filled = UnknownTable<IServiceProvider, IServiceProviderVtbl>();
            filled.QueryService = QueryService;
            return filled;
        }();
        static const IOleClientSiteVtbl clientSite = [] {
            auto filled = UnknownTable<IOleClientSite, IOleClientSiteVtbl>();
            filled.GetContainer = GetContainer;
            return filled;
        }();
        static const IUnknownVtbl bare = UnknownTable<IUnknown, IUnknownVtbl>();
        switch (route) {
            case AddressRoute::Browser:
                return &services;
            case AddressRoute::Document:
                return &clientSite;
            case AddressRoute::None:
                break;
        }
        return &bare;
    }
    static std::vector<IID> SiteOffers(AddressRoute route) {
        switch (route) {
            case AddressRoute::Browser:
                return {IID_IServiceProvider};
            case AddressRoute::Document:
                return {IID_IOleClientSite};
            case AddressRoute::None:
                break;
        }
        return {};
    }
};

StandInPage::StandInPage(AddressRoute route, std::wstring address)
    : objects_(std::make_unique<Objects>()) {
    objects_->page.address = std::move(address);
    objects_->page.objects = objects_.get();
    objects_->page.browser = &objects_->browser;
    objects_->page.container = &objects_->container;
    objects_->site =
        StandIn{Objects::SiteTable(route), &objects_->page, Objects::SiteOffers(route)};
}

namespace {

void Free(StandInPage::Objects* objects) { delete objects; }

}  // namespace

// Objects still referenced outlive the page until their last release, as COM objects do.
StandInPage::~StandInPage() {
    if (objects_->page.references == 0) return;
    objects_->page.closed = true;
    objects_.release();
}

IUnknown* StandInPage::Site() const { return reinterpret_cast<IUnknown*>(&objects_->site); }

void StandInPage::Navigate(std::wstring address) { objects_->page.address = std::move(address); }

long StandInPage::References() const { return objects_->page.references; }

}  // namespace fernwick::tests
