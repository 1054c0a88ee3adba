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
    if (!info_.load(std::memory_order_acquire)) {
        const HRESULT loaded = Load(lcid);
        if (FAILED(loaded)) return loaded;
    }
    ITypeInfo* loaded = info_.load(std::memory_order_acquire);
    loaded->AddRef();
    *info = loaded;
    return S_OK;
}

HRESULT TypeInfoHolder::GetIDsOfNames(LCID lcid, LPOLESTR* names, UINT count, DISPID* ids) {
    ITypeInfo* info = nullptr;
    const HRESULT loaded = GetTypeInfo(lcid, &info);
    if (FAILED(loaded)) return loaded;
    const tolk::stdx::UniqueCom<ITypeInfo> release(info);
    if (count == 1 && names && names[0] && ids) {
        for (const auto& [name, id] : names_) {
            if (name == names[0]) {
                ids[0] = id;
                return S_OK;
            }
        }
    }
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoHolder::Load(LCID lcid) {
    tolk::stdx::CriticalSectionLock lock(FernwickModule().TypeInfoLock());
    if (info_.load(std::memory_order_relaxed)) return S_OK;

    ITypeLib* library = nullptr;
    const HRESULT loaded = LoadLibraryTypeLib(lcid, &library);
    if (FAILED(loaded)) return loaded;
    const tolk::stdx::UniqueCom<ITypeLib> releaseLibrary(library);
    ITypeInfo* info = nullptr;
    const HRESULT found = library->GetTypeInfoOfGuid(iid_, &info);
    if (FAILED(found)) return found;

    TYPEATTR* attributes = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
        for (UINT index = 0; index < attributes->cFuncs; ++index) {
            FUNCDESC* function = nullptr;
            if (FAILED(info->GetFuncDesc(index, &function))) continue;
            BSTR name = nullptr;
            if (SUCCEEDED(
                    info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr))) {
                const tolk::stdx::UniqueBstr ownedName(name);
                names_.emplace_back(std::wstring(name, SysStringLen(name)), function->memid);
            }
            info->ReleaseFuncDesc(function);
        }
        info->ReleaseTypeAttr(attributes);
    }
    FernwickModule().AddTermFunc(&TypeInfoHolder::Release, this);
    info_.store(info, std::memory_order_release);
    return S_OK;
}

void TypeInfoHolder::Release(void* holder) noexcept {
    auto* self = static_cast<TypeInfoHolder*>(holder);
    if (ITypeInfo* info = self->info_.exchange(nullptr)) info->Release();
    self->names_.clear();
}

}  // namespace fernwick
