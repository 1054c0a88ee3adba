#include "server/class_table_win32.h"

#include <new>

#include "fernwick.h"
#include "import_picker/import_picker_win32.h"
#include "registry_helper/documentum_registry_helper_win32.h"
#include "resources/resource.h"
#include "server/com_object_win32.h"
#include "server/module_win32.h"

namespace fernwick {
namespace {

ClassEntry classTable[] = {
    {CLSID_DocumentumRegistryHelper, IDR_DOCUMENTUMREGISTRYHELPER,
     &CreateComInstance<CDocumentumRegistryHelper>},
    {CLSID_ImportPicker, IDR_IMPORTPICKER, &CreateComInstance<CImportPicker>},
};

}  // namespace

std::span<ClassEntry> ClassTable() noexcept { return classTable; }

HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    CFernwickModule& module = FernwickModule();

    for (ClassEntry& entry : classTable) {
        if (!IsEqualCLSID(entry.clsid, rclsid)) continue;
        if (!entry.classObject.load(std::memory_order_acquire)) {
            tolk::stdx::CriticalSectionLock lock(module.ObjectTableLock());
            if (!entry.classObject.load(std::memory_order_relaxed)) {
                auto* factory = new (std::nothrow) CachedClassFactory(entry.createInstance);
                if (!factory) return E_OUTOFMEMORY;
                entry.classObject.store(factory, std::memory_order_release);
            }
        }
        return entry.classObject.load(std::memory_order_acquire)->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ReleaseClassObjects() noexcept {
    for (ClassEntry& entry : classTable) {
        if (IUnknown* classObject = entry.classObject.exchange(nullptr)) classObject->Release();
    }
}

}  // namespace fernwick
