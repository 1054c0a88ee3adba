// The five entry points that Fernwick.dll exports, and its library entry point.
#include <windows.h>

#include "runtime_shim/runtime_threads_win32.h"
#include "server/class_table_win32.h"
#include "server/com_call_win32.h"
#include "server/module_win32.h"
#include "server/registration_win32.h"

using fernwick::ComCall;
using fernwick::FernwickModule;

// Frees the C++ runtime's emergency exception buffer. The runtime is linked into this DLL, so
// nothing else frees it when the DLL is unloaded.
namespace __gnu_cxx {
void __freeres() noexcept;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            FernwickModule().SetInstance(instance);
            break;
        case DLL_THREAD_DETACH:
            // A host that makes a thread per request would otherwise grow with every thread
            // that ever caught an exception in here.
            fernwick::ReleaseThreadRuntimeState();
            break;
        case DLL_PROCESS_DETACH:
            // When the whole process ends, other libraries may already be gone: only a real
            // unload (FreeLibrary) releases cached class objects, type information and the
            // runtime's own buffers, so that a host that loads Fernwick again and again does not
            // grow.
            if (!reserved) {
                FernwickModule().Terminate();
                fernwick::ReleaseRuntimeThreadKeys();
                __gnu_cxx::__freeres();
            }
            break;
        default:
            break;
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return FernwickModule().GetLockCount() > 0 ? S_FALSE : S_OK; }

// Whatever the lookup's own failure, a caller is told only that this DLL gives no class object for
// the request, the one answer hosts test for when they probe a DLL for a class. CoCreateInstance
// asks for IClassFactory, which every class object answers, so E_NOINTERFACE could reach only
// callers that ask a class object for another interface; running out of memory can arise only at
// a class's first request, and the next request tries again.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    const HRESULT result = ComCall([&] { return fernwick::GetClassObject(rclsid, riid, ppv); });
    if (SUCCEEDED(result)) return result;
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() {
    return ComCall([] { return fernwick::RegisterServer(fernwick::ClassesScope::Machine); });
}

STDAPI DllUnregisterServer() {
    return ComCall([] { return fernwick::UnregisterServer(fernwick::ClassesScope::Machine); });
}

// regsvr32 /n /i:user registers for the current user alone, regsvr32 /u /n /i:user removes that.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    return ComCall([&] { return fernwick::InstallServer(install, commandLine); });
}
