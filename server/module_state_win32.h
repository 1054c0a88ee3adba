#pragma once

#include <windows.h>

namespace fernwick {

// Makes Fernwick's own module the one that dialog templates, bitmaps and the application name are
// loaded from, for the length of one export or automation call, and restores the caller's module
// on return. Calls nest: an inner guard restores what the outer one set.
class ModuleStateGuard {
public:
    ModuleStateGuard() noexcept;
    ~ModuleStateGuard();
    ModuleStateGuard(const ModuleStateGuard&) = delete;
    ModuleStateGuard& operator=(const ModuleStateGuard&) = delete;

private:
    HINSTANCE previous_;
};

// The module that resources are loaded from on this thread: Fernwick's own inside a guarded call.
HINSTANCE ResourceModule() noexcept;

}  // namespace fernwick
