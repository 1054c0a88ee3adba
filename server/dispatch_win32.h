#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace fernwick {

// The type information of one dual interface, loaded once from the registered type library (or,
// where that cannot be loaded, from the library embedded in Fernwick.dll) and kept until unload,
// together with the interface's member names for the common one-name lookup.
class TypeInfoHolder {
public:
    explicit constexpr TypeInfoHolder(const IID& iid) : iid_(iid) {}

    // An added reference to the interface's type information.
    HRESULT GetTypeInfo(LCID lcid, ITypeInfo** info);
    HRESULT GetIDsOfNames(LCID lcid, LPOLESTR* names, UINT count, DISPID* ids);

private:
    HRESULT Load(LCID lcid);
    static void Release(void* holder) noexcept;

    const IID& iid_;
    std::atomic<ITypeInfo*> info_{nullptr};
    std::vector<std::pair<std::wstring, DISPID>> names_;
};

// IDispatch of a dual interface, served from its type information: every call is forwarded to
// ITypeInfo, which invokes the interface's own methods, so the DISPIDs are those of the library.
template <typename Interface, const IID* InterfaceId>
class DispatchImpl : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return holder_.GetTypeInfo(lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        return holder_.GetIDsOfNames(lcid, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* parameters,
                        VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* info = nullptr;
        const HRESULT loaded = holder_.GetTypeInfo(lcid, &info);
        if (FAILED(loaded)) return loaded;
        const HRESULT invoked = info->Invoke(static_cast<Interface*>(this), member, flags,
                                             parameters, result, exception, argumentError);
        info->Release();
        return invoked;
    }

private:
    static inline TypeInfoHolder holder_{*InterfaceId};
};

}  // namespace fernwick
