#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>

#include "server/module_state_win32.h"

namespace fernwick {

// Runs the body of an export or an automation member under the module state guard and keeps
// every exception inside the component: running out of memory becomes E_OUTOFMEMORY, anything
// else E_UNEXPECTED. After a failure the thread holds no error object: the objects tell callers
// (ISupportErrorInfo) to look for one, and one left by an earlier call would describe another
// failure.
template <typename Body>
HRESULT ComCall(Body&& body) noexcept {
    HRESULT result;
    try {
        ModuleStateGuard guard;
        result = body();
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    } catch (...) {
        result = E_UNEXPECTED;
    }
    if (FAILED(result)) SetErrorInfo(0, nullptr);
    return result;
}

}  // namespace fernwick
