#pragma once

#include <windows.h>

#include <new>

#include "server/module_state_win32.h"

namespace fernwick {

// Runs the body of an export or an automation member under the module state guard and keeps
// every exception inside the component: running out of memory becomes E_OUTOFMEMORY, anything
// else E_UNEXPECTED.
template <typename Body>
HRESULT ComCall(Body&& body) noexcept {
    try {
        ModuleStateGuard guard;
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace fernwick
