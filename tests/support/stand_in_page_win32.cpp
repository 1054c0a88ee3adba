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
#include <cstring>
#include <initializer_list>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace fernwick::tests {
namespace {

struct StandIn;

struct PageState {
    std::wstring document;
    std::wstring topLevel;
    long references = 0;
    std::optional<PageCall> clearDuring;
    IObjectWithSite* clearing = nullptr;  // the object to clear the site from, not held
    bool closed = false;                  // the page is gone; the last release frees its objects
    StandInPage::Objects* objects = nullptr;
    StandIn* browser = nullptr;
    StandIn* container = nullptr;
};

// One stand-in object: its function table first, as an interface pointer expects.
struct StandIn {
    const void* table;
    PageState* page;
    std::vector<IID> offers;
    StandIn* handsOn = nullptr;  // answers for another object: the container for its document
    std::optional<PageCall> queryCall = std::nullopt;  // what its QueryInterface counts as

    bool Offers(REFIID riid) const {
        return IsEqualIID(riid, IID_IUnknown) ||
               std::any_of(offers.begin(), offers.end(),
                           [&](const IID& iid) { return IsEqualIID(iid, riid); });
    }
};

StandIn* Of(void* self) { return static_cast<StandIn*>(self); }

// The page's objects stay alive through this only while the caller holds one of them.
void Answering(StandIn* object, PageCall call) {
    PageState* page = object->page;
    if (page->clearDuring != call || !page->clearing) return;
    IObjectWithSite* clearing = std::exchange(page->clearing, nullptr);
    clearing->lpVtbl->SetSite(clearing, nullptr);
}

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
    if (object->queryCall) Answering(object, *object->queryCall);
    if (object->Offers(riid)) return Hand(object, out);
    if (object->handsOn && object->handsOn->Offers(riid)) return Hand(object->handsOn, out);
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

HRESULT CopyAddress(const std::wstring& address, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(address.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE LocationUrl(IWebBrowser2* self, BSTR* out) {
    Answering(Of(self), PageCall::LocationUrl);
    return CopyAddress(Of(self)->page->topLevel, out);
}

HRESULT STDMETHODCALLTYPE DocumentUrl(IHTMLDocument2* self, BSTR* out) {
    Answering(Of(self), PageCall::DocumentUrl);
    return CopyAddress(Of(self)->page->document, out);
}

long alivePages = 0;

}  // namespace

struct StandInPage::Objects {
    PageState page;
    StandIn browser{&BrowserTable(),
                    &page,
                    {IID_IDispatch, IID_IWebBrowser, IID_IWebBrowserApp, IID_IWebBrowser2}};
    StandIn document{
        &DocumentTable(), &page, {IID_IDispatch, IID_IHTMLDocument, IID_IHTMLDocument2}};
    StandIn container{&ContainerTable(),
                      &page,
                      {IID_IParseDisplayName, IID_IOleContainer},
                      &document,
                      PageCall::ContainerQuery};
    StandIn clientSite{&ClientSiteTable(), &page, {IID_IOleClientSite}};
    StandIn site;

    static HRESULT STDMETHODCALLTYPE QueryService(IServiceProvider* self, REFGUID service,
                                                  REFIID riid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        Answering(Of(self), PageCall::QueryService);
        if (!IsEqualGUID(service, SID_SWebBrowserApp)) return E_NOINTERFACE;
        StandIn* browser = Of(self)->page->browser;
        return QueryInterfaceOf<IWebBrowser2>(reinterpret_cast<IWebBrowser2*>(browser), riid, out);
    }

    static HRESULT STDMETHODCALLTYPE GetContainer(IOleClientSite* self, IOleContainer** out) {
        if (!out) return E_POINTER;
        Answering(Of(self), PageCall::GetContainer);
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
    static const IOleClientSiteVtbl& ClientSiteTable() {
        static const IOleClientSiteVtbl table = [] {
            auto filled = UnknownTable<IOleClientSite, IOleClientSiteVtbl>();
            filled.GetContainer = GetContainer;
            return filled;
        }();
        return table;
    }
    // The site as the route offers it; with both routes, its client site is a second object.
    StandIn Site(AddressRoute route) {
        static const IServiceProviderVtbl services = [] {
            auto filled = UnknownTable<IServiceProvider, IServiceProviderVtbl>();
            filled.QueryService = QueryService;
            return filled;
        }();
        static const IUnknownVtbl bare = UnknownTable<IUnknown, IUnknownVtbl>();
        switch (route) {
            case AddressRoute::Browser:
                return {&services, &page, {IID_IServiceProvider}, nullptr, PageCall::SiteQuery};
            case AddressRoute::Both:
                return {&services, &page, {IID_IServiceProvider}, &clientSite, PageCall::SiteQuery};
            case AddressRoute::Document:
                return {
                    &ClientSiteTable(), &page, {IID_IOleClientSite}, nullptr, PageCall::SiteQuery};
            case AddressRoute::None:
                break;
        }
        return {&bare, &page, {}, nullptr, PageCall::SiteQuery};
    }
};

StandInPage::StandInPage(AddressRoute route, std::wstring address)
    : StandInPage(route, address, address) {}

StandInPage::StandInPage(AddressRoute route, std::wstring document, std::wstring topLevel)
    : objects_(std::make_unique<Objects>()) {
    objects_->page.document = std::move(document);
    objects_->page.topLevel = std::move(topLevel);
    objects_->page.objects = objects_.get();
    objects_->page.browser = &objects_->browser;
    objects_->page.container = &objects_->container;
    objects_->site = objects_->Site(route);
    ++alivePages;
}

namespace {

// Overwritten before the memory goes back, so that a call through a pointer the caller no
// longer owns fails at once instead of finding the objects as they were.
void Free(StandInPage::Objects* objects) {
    objects->~Objects();
    std::memset(static_cast<void*>(objects), 0xDD, sizeof *objects);
    ::operator delete(objects);
    --alivePages;
}

}  // namespace

// Objects still referenced outlive the page until their last release, as COM objects do.
StandInPage::~StandInPage() {
    if (objects_->page.references == 0) {
        --alivePages;
        return;
    }
    objects_->page.closed = true;
    objects_.release();
}

IUnknown* StandInPage::Site() const { return reinterpret_cast<IUnknown*>(&objects_->site); }

void StandInPage::Navigate(std::wstring address) {
    objects_->page.document = address;
    objects_->page.topLevel = std::move(address);
}

long StandInPage::References() const { return objects_->page.references; }

void StandInPage::ClearSiteDuring(PageCall call, IObjectWithSite* object) {
    objects_->page.clearDuring = call;
    objects_->page.clearing = object;
}

long StandInPage::Alive() { return alivePages; }

}  // namespace fernwick::tests
