#pragma once

#include <windows.h>

#include <atomic>
#include <span>

#include "server/class_factory_win32.h"

namespace fernwick {

// One creatable class. The table's order is the order of registration, unregistration and
// lookup.
struct ClassEntry {
    const CLSID& clsid;
    UINT registryScript;  // resource id of the class's "REGISTRY" script
    InstanceCreator createInstance;
    std::atomic<IUnknown*> classObject{nullptr};  // created on first request, kept until unload
};

std::span<ClassEntry> ClassTable() noexcept;

// The class object of rclsid asked for riid: created once, under the object-table lock. ppv is not
// null; DllGetClassObject checks it and empties it on failure.
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
void ReleaseClassObjects() noexcept;

}  // namespace fernwick
