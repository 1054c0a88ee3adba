#include "server/dispatch_win32.h"

#include <oleauto.h>

#include "fernwick.h"
#include "server/module_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

HRESULT LoadLibraryTypeLib(LCID lcid, ITypeLib** library) {
    if (SUCCEEDED(LoadRegTypeLib(LIBID_FernwickLib, 1, 0, lcid, library))) return S_OK;
    const std::wstring path = FernwickModule().ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
}

}  // namespace

HRESULT TypeInfoHolder::GetTypeInfo(LCID lcid, ITypeInfo** info) {
    ITypeInfo* published = info_.load(std::memory_order_acquire);
    if (!published) {
        tolk::stdx::UniqueCom<ITypeLib> library;
        HRESULT result = LoadLibraryTypeLib(lcid, library.put());
        if (FAILED(result)) return result;
        tolk::stdx::UniqueCom<ITypeInfo> loaded;
        result = library->GetTypeInfoOfGuid(iid_, loaded.put());
        if (FAILED(result)) return result;
        if (info_.compare_exchange_strong(published, loaded.get(), std::memory_order_acq_rel)) {
            published = loaded.release();
            FernwickModule().AddTermFunc(release_);
        }
    }
    published->AddRef();
    *info = published;
    return S_OK;
}

bool HoldsItsArrays(const DISPPARAMS& parameters) noexcept {
    return (parameters.cArgs == 0 || parameters.rgvarg) &&
           (parameters.cNamedArgs == 0 || parameters.rgdispidNamedArgs) &&
           parameters.cNamedArgs <= parameters.cArgs;
}

void TypeInfoHolder::Release(void* holder) noexcept {
    auto* self = static_cast<TypeInfoHolder*>(holder);
    if (ITypeInfo* info = self->info_.exchange(nullptr)) info->Release();
}

}  // namespace fernwick
