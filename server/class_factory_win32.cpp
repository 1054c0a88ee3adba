#include "server/class_factory_win32.h"

#include "server/com_call_win32.h"
#include "server/module_win32.h"

namespace fernwick {

STDMETHODIMP CachedClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CachedClassFactory::AddRef() {
    const ULONG count = ++references_;
    if (count == 2) FernwickModule().Lock();
    return count;
}

STDMETHODIMP_(ULONG) CachedClassFactory::Release() {
    const ULONG count = --references_;
    if (count == 0) {
        delete this;
    } else if (count == 1) {
        FernwickModule().Unlock();
    }
    return count;
}

STDMETHODIMP CachedClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return ComCall([&] { return creator_(outer, riid, ppv); });
}

STDMETHODIMP CachedClassFactory::LockServer(BOOL lock) {
    if (lock) {
        FernwickModule().LockServer();
    } else {
        FernwickModule().UnlockServer();
    }
    return S_OK;
}

}  // namespace fernwick
