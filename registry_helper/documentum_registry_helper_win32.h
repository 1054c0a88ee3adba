#pragma once

#include <windows.h>
#include <objsafe.h>
#include <oleauto.h>

#include "fernwick.h"
#include "registry_helper/registry_helper.h"
#include "site_lock/site_lock_win32.h"
#include "server/dispatch_win32.h"

namespace fernwick {

// The scriptable registry helper: a thin automation shell over RegistryHelper. Every member
// answers S_OK and reports what it found only in its out-parameters. The object can be
// aggregated and declares itself safe for untrusted callers and data, but serves such callers
// only from the pages its site lock allows: elsewhere every member answers as if nothing were
// found, without reading anything. A caller refused an untrusted option is served as untrusted
// from then on.
class CDocumentumRegistryHelper
    : public ISupportErrorInfo,
      public IObjectSafety,
      public IObjectWithSite,
      public DispatchImpl<IDocumentumRegistryHelper, &IID_IDocumentumRegistryHelper> {
public:
    static constexpr bool kAggregatable = true;

    CDocumentumRegistryHelper();
    virtual ~CDocumentumRegistryHelper() = default;

    HRESULT FinalConstruct() { return S_OK; }
    IUnknown* InterfaceFor(REFIID riid);

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // IObjectSafety
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** site) override;

    // IDocumentumRegistryHelper
    STDMETHODIMP InitFromObjectID(BSTR objectId, VARIANT_BOOL* result) override;
    STDMETHODIMP get_UserName(BSTR* pVal) override;
    STDMETHODIMP get_DomainName(BSTR* pVal) override;
    STDMETHODIMP get_ObjectID(BSTR* pVal) override;
    STDMETHODIMP get_DocbaseName(BSTR* pVal) override;
    STDMETHODIMP get_FileName(BSTR* pVal) override;
    STDMETHODIMP InitFromFileName(BSTR fileName, VARIANT_BOOL* result) override;
    STDMETHODIMP IsOpenForEdit(VARIANT_BOOL* pVal) override;
    STDMETHODIMP IsOpenForView(VARIANT_BOOL* pVal) override;
    STDMETHODIMP InitViewFromObjectID(BSTR objectId, VARIANT_BOOL* retVal) override;
    STDMETHODIMP get_LastConnectedDocBaseName(BSTR* retVal) override;
    STDMETHODIMP InitEditFromObjectID(BSTR objectId, VARIANT_BOOL* retVal) override;
    STDMETHODIMP put_RegistryFile(BSTR path) override;
    STDMETHODIMP get_User(BSTR* pVal) override;
    STDMETHODIMP DetectUcfClientConfigXml(BSTR* pVal) override;

private:
    // The object's identity; QueryInterface through it reaches the wrapper (or the outer object).
    IUnknown* Self() { return static_cast<IDocumentumRegistryHelper*>(this); }
    // S_OK when the object (or its outer object) hands out the interface.
    HRESULT Offers(REFIID riid);

    // Whether the caller counts as untrusted: it enabled an untrusted option, or it asked for one
    // and was refused.
    bool Untrusted() const { return safetyOptions_ != 0 || refusedUntrusted_; }
    // False for an untrusted caller on a page that the site lock does not allow.
    bool Serves();
    // text, or nothing for a caller the object does not serve.
    std::wstring_view Served(const std::wstring& text);

    static constexpr DWORD kSupportedSafety =
        INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

    RegistryHelper helper_;
    DWORD safetyOptions_ = 0;
    bool refusedUntrusted_ = false;
    SiteLock siteLock_;
};

}  // namespace fernwick
