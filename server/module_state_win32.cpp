#include "server/module_state_win32.h"

#include "server/module_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

// A Win32 slot, not thread_local: the C++ runtime's thread-local storage allocates on every thread
// that touches it and keeps that memory when the DLL unloads. Without a slot, no call changes the
// module (the component's own stays the one resources come from).
const tolk::stdx::UniqueTlsIndex currentResourceModule(TlsAlloc());

HINSTANCE CurrentResourceModule() noexcept {
    if (!currentResourceModule) return nullptr;
    return static_cast<HINSTANCE>(TlsGetValue(currentResourceModule.get()));
}

void SetCurrentResourceModule(HINSTANCE module) noexcept {
    if (currentResourceModule) TlsSetValue(currentResourceModule.get(), module);
}

}  // namespace

ModuleStateGuard::ModuleStateGuard() noexcept : previous_(CurrentResourceModule()) {
    SetCurrentResourceModule(FernwickModule().Instance());
}

ModuleStateGuard::~ModuleStateGuard() { SetCurrentResourceModule(previous_); }

HINSTANCE ResourceModule() noexcept {
    const HINSTANCE current = CurrentResourceModule();
    return current ? current : FernwickModule().Instance();
}

}  // namespace fernwick
