#include "registry_helper/documentum_registry_helper_win32.h"

#include <string_view>

#include "registry_helper/helper_platform_win32.h"
#include "server/com_call_win32.h"

namespace fernwick {
namespace {

// A null BSTR is the empty string.
std::wstring_view Text(BSTR text) { return {text, SysStringLen(text)}; }

VARIANT_BOOL Bool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

HRESULT CopyOut(std::wstring_view text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

template <typename Lookup>
HRESULT Answer(VARIANT_BOOL* result, Lookup&& lookup) {
    return ComCall([&] {
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
    return nullptr;
}

STDMETHODIMP CDocumentumRegistryHelper::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_IDocumentumRegistryHelper) ? S_OK : S_FALSE;
}

STDMETHODIMP CDocumentumRegistryHelper::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                                                  DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    IUnknown* answered = nullptr;
    const HRESULT asked = Self()->QueryInterface(riid, reinterpret_cast<void**>(&answered));
    if (FAILED(asked)) {
        *supported = 0;
        *enabled = 0;
        return asked;
    }
    answered->Release();
    *supported = kSupportedSafety;
    *enabled = safetyOptions_;
    return S_OK;
}

STDMETHODIMP CDocumentumRegistryHelper::SetInterfaceSafetyOptions(REFIID riid, DWORD mask,
                                                                  DWORD enabled) {
    IUnknown* answered = nullptr;
    if (FAILED(Self()->QueryInterface(riid, reinterpret_cast<void**>(&answered)))) {
        return E_NOINTERFACE;
    }
    answered->Release();
    if (mask & ~kSupportedSafety) return E_FAIL;
    safetyOptions_ = (safetyOptions_ & ~mask) | (mask & enabled);
    helper_.SetRegistryFileScope(safetyOptions_ != 0 ? RegistryFileScope::LocalDrivesOnly
                                                     : RegistryFileScope::AnyPath);
    return S_OK;
}

STDMETHODIMP CDocumentumRegistryHelper::InitFromObjectID(BSTR objectId, VARIANT_BOOL* result) {
    return Answer(result, [&] { return helper_.InitFromObjectID(Text(objectId)); });
}

STDMETHODIMP CDocumentumRegistryHelper::InitEditFromObjectID(BSTR objectId, VARIANT_BOOL* retVal) {
    return Answer(retVal, [&] { return helper_.InitEditFromObjectID(Text(objectId)); });
}

STDMETHODIMP CDocumentumRegistryHelper::InitViewFromObjectID(BSTR objectId, VARIANT_BOOL* retVal) {
    return Answer(retVal, [&] { return helper_.InitViewFromObjectID(Text(objectId)); });
}

STDMETHODIMP CDocumentumRegistryHelper::InitFromFileName(BSTR fileName, VARIANT_BOOL* result) {
    return Answer(result, [&] { return helper_.InitFromFileName(Text(fileName)); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_UserName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(helper_.Current().UserName, pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_DomainName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(helper_.Current().DomainName, pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_ObjectID(BSTR* pVal) {
    return ComCall([&] { return CopyOut(helper_.Current().ObjectID, pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_DocbaseName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(helper_.Current().DocbaseName, pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_FileName(BSTR* pVal) {
    return ComCall([&] { return CopyOut(helper_.Current().FileName, pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::get_User(BSTR* pVal) {
    return ComCall([&] { return CopyOut(helper_.Current().User, pVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::IsOpenForEdit(VARIANT_BOOL* pVal) {
    *pVal = Bool(helper_.IsOpenForEdit());
    return S_OK;
}

STDMETHODIMP CDocumentumRegistryHelper::IsOpenForView(VARIANT_BOOL* pVal) {
    *pVal = Bool(helper_.IsOpenForView());
    return S_OK;
}

STDMETHODIMP CDocumentumRegistryHelper::get_LastConnectedDocBaseName(BSTR* retVal) {
    return ComCall([&] { return CopyOut(helper_.LastConnectedDocBaseName(), retVal); });
}

STDMETHODIMP CDocumentumRegistryHelper::put_RegistryFile(BSTR path) {
    return ComCall([&] {
        helper_.SetRegistryFile(Text(path));
        return S_OK;
    });
}

STDMETHODIMP CDocumentumRegistryHelper::DetectUcfClientConfigXml(BSTR* pVal) {
    return ComCall([&] { return CopyOut(helper_.DetectUcfClientConfigXml(), pVal); });
}

}  // namespace fernwick
