#include "server/module_state_win32.h"

#include "server/module_win32.h"

namespace fernwick {
namespace {

thread_local HINSTANCE currentResourceModule = nullptr;

}  // namespace

ModuleStateGuard::ModuleStateGuard() noexcept : previous_(currentResourceModule) {
    currentResourceModule = FernwickModule().Instance();
}

ModuleStateGuard::~ModuleStateGuard() { currentResourceModule = previous_; }

HINSTANCE ResourceModule() noexcept {
    return currentResourceModule ? currentResourceModule : FernwickModule().Instance();
}

}  // namespace fernwick
