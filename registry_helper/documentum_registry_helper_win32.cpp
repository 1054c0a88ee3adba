#include "registry_helper/documentum_registry_helper_win32.h"

#include <string_view>

#include "registry_helper/helper_platform_win32.h"
#include "server/automation_values_win32.h"
#include "server/com_call_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

template <typename Lookup>
HRESULT Answer(VARIANT_BOOL* result, Lookup&& lookup) {
    return ComCall([&] {
        // Checked before the lookup, which would otherwise change the record for nobody.
        if (!result) return E_POINTER;
        // A lookup that throws still leaves the caller a defined answer.
        *result = VARIANT_FALSE;
        *result = Bool(lookup());
        return S_OK;
    });
}

}  // namespace

CDocumentumRegistryHelper::CDocumentumRegistryHelper() : helper_(Win32HelperPlatform()) {}

IUnknown* CDocumentumRegistryHelper::InterfaceFor(REFIID riid) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDocumentumRegistryHelper) ||
        IsEqualIID(riid, IID_IDispatch)) {
        return static_cast<IDocumentumRegistryHelper*>(this);
    }
    if (IsEqualIID(riid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    if (IsEqualIID(riid, IID_IObjectSafety)) return static_cast<IObjectSafety*>(this);
    if (IsEqualIID(riid, IID_IObjectWithSite)) return static_cast<IObjectWithSite*>(this);
    return nullptr;
}

STDMETHODIMP CDocumentumRegistryHelper::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_IDocumentumRegistryHelper) ? S_OK : S_FALSE;
}

HRESULT CDocumentumRegistryHelper::Offers(REFIID riid) {
    tolk::stdx::UniqueCom<IUnknown> answered;
    return Self()->QueryInterface(riid, reinterpret_cast<void**>(answered.put()));
}

STDMETHODIMP CDocumentumRegistryHelper::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                                                  DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    const HRESULT asked = Offers(riid);
    if (FAILED(asked)) {
        *supported = 0;
        *enabled = 0;
        return asked;
    }
    *supported = kSupportedSafety;
    *enabled = safetyOptions_;
    return S_OK;
}

STDMETHODIMP CDocumentumRegistryHelper::SetInterfaceSafetyOptions(REFIID riid, DWORD mask,
                                                                  DWORD enabled) {
    if (FAILED(Offers(riid))) return E_NOINTERFACE;
    return ComCall([&] {
        const DWORD options = (safetyOptions_ & ~mask) | (mask & enabled);
        // A browser asks before it scripts the object; an object not sited yet is refused at
        // every call instead, until a site that the lock allows is set.
        const bool granted = (mask & ~kSupportedSafety) == 0 &&
                             (options == 0 || !siteLock_.Sited() || siteLock_.PageAllowed());
        if (granted) {
            safetyOptions_ = options;
        } else if (mask & enabled & kSupportedSafety) {
            // A browser may script the object all the same (a zone set to prompt, once the user
            // agrees): the caller stays untrusted for the life of the object.
            refusedUntrusted_ = true;
        }
        helper_.SetRegistryFileScope(Untrusted() ? RegistryFileScope::LocalDrivesOnly
                                                 : RegistryFileScope::AnyPath);
        return granted ? S_OK : E_FAIL;
    });
}

STDMETHODIMP CDocumentumRegistryHelper::SetSite(IUnknown* site) {
    siteLock_.SetSite(site);
    return S_OK;
}

STDMETHODIMP CDocumentumRegistryHelper::GetSite(REFIID riid, void** site) {
    return siteLock_.GetSite(riid, site);
}

bool CDocumentumRegistryHelper::Serves() { return !Untrusted() || siteLock_.PageAllowed(); }

std::wstring_view CDocumentumRegistryHelper::Served(const std::wstring& text) {
    return Serves() ? std::wstring_view(text) : std::wstring_view();
}

STDMETHODIMP CDocumentumRegistryHelper::InitFromObjectID(BSTR objectId, VARIANT_BOOL* result) {
    return Answer(result, [&] { return Serves() && helper_.InitFromObjectID(Text(objectId)); });
}

STDMETHODIMP CDocumentumRegistryHelper::InitEditFromObjectID(BSTR objectId, VARIANT_BOOL* retVal) {
    return Answer(retVal, [&] { return Serves() && helper_.InitEditFromObjectID(Text(objectId)); });
}

STDMETHODIMP CDocumentumRegistryHelper::InitViewFromObjectID(BSTR objectId, VARIANT_BOOL* retVal) {
    return Answer(retVal, [&] { return Serves() && helper_.InitViewFromObjectID(Text(objectId)); });
}

STDMETHODIMP CDocumentumRegistryHelper::InitFromFileName(BSTR fileName, VARIANT_BOOL* result) {
    return Answer(result, [&] { return Serves() && helper_.InitFromFileName(Text(fileName)); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_UserName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(Served(helper_.Current().UserName), pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_DomainName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(Served(helper_.Current().DomainName), pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_ObjectID(BSTR* pVal) {
    return ComCall([&] { return CopyOut(Served(helper_.Current().ObjectID), pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_DocbaseName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(Served(helper_.Current().DocbaseName), pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_FileName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(Served(helper_.Current().FileName), pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_User(BSTR* pVal) {
    return ComCall([&] { return CopyOut(Served(helper_.Current().User), pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::IsOpenForEdit(VARIANT_BOOL* pVal) {
    return Answer(pVal, [&] { return Serves() && helper_.IsOpenForEdit(); });
}

STDMETHODIMP CDocumentumRegistryHelper::IsOpenForView(VARIANT_BOOL* pVal) {
    return Answer(pVal, [&] { return Serves() && helper_.IsOpenForView(); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_LastConnectedDocBaseName(BSTR* retVal) {
    return ComCall([&] {
        return CopyOut(Serves() ? helper_.LastConnectedDocBaseName() : std::wstring(), retVal);
    });
}

STDMETHODIMP CDocumentumRegistryHelper::put_RegistryFile(BSTR path) {
    return ComCall([&] {
        if (Serves()) helper_.SetRegistryFile(Text(path));
        return S_OK;
    });
}

STDMETHODIMP CDocumentumRegistryHelper::DetectUcfClientConfigXml(BSTR* pVal) {
    return ComCall([&] {
        return CopyOut(Serves() ? helper_.DetectUcfClientConfigXml() : std::wstring(), pVal);
    });
}

}  // namespace fernwick
