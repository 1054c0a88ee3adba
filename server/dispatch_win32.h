#pragma once

#include <windows.h>
#include <oaidl.h>

#include <algorithm>
#include <atomic>

#include "server/com_call_win32.h"
#include "server/module_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {

// The type information of one dual interface, loaded on first use from the registered type
// library (or, where that cannot be loaded, from the library embedded in Fernwick.dll). Threads
// that race to load it publish with one compare-exchange: the first keeps its copy, the others
// release theirs. The published copy is released at a real unload only.
class TypeInfoHolder {
public:
    explicit constexpr TypeInfoHolder(const IID& iid) : iid_(iid) {}

    // An added reference to the interface's type information. May throw std::bad_alloc.
    HRESULT GetTypeInfo(LCID lcid, ITypeInfo** info);

private:
    static void Release(void* holder) noexcept;

    const IID& iid_;
    std::atomic<ITypeInfo*> info_{nullptr};
    TermEntry release_{&TypeInfoHolder::Release, this};
};

// True when every count of the arguments has its array, and no more arguments are named than
// passed: the type information reads the arrays as far as the counts say.
bool HoldsItsArrays(const DISPPARAMS& parameters) noexcept;

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
        return ComCall([&] { return holder_.GetTypeInfo(lcid, info); });
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        // The type information reads the first name whatever the count, and reads every name.
        if (count == 0 || std::find(names, names + count, nullptr) != names + count) {
            return E_INVALIDARG;
        }
        return WithTypeInfo(
            lcid, [&](ITypeInfo* info) { return info->GetIDsOfNames(names, count, ids); });
    }
    STDMETHODIMP Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* parameters,
                        VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!parameters) return E_POINTER;
        if (!HoldsItsArrays(*parameters)) return E_INVALIDARG;
        return WithTypeInfo(lcid, [&](ITypeInfo* info) {
            return info->Invoke(static_cast<Interface*>(this), member, flags, parameters, result,
                                exception, argumentError);
        });
    }

private:
    template <typename Call>
    HRESULT WithTypeInfo(LCID lcid, Call&& call) {
        return ComCall([&] {
            tolk::stdx::UniqueCom<ITypeInfo> info;
            const HRESULT loaded = holder_.GetTypeInfo(lcid, info.put());
            return FAILED(loaded) ? loaded : call(info.get());
        });
    }

    static inline TypeInfoHolder holder_{*InterfaceId};
};

}  // namespace fernwick
