#pragma once

#include <windows.h>

namespace fernwick {

// At a real unload: destroys the unloading thread's values of the C++ runtime's thread keys (its
// exception state and thread_local data) and frees the keys.
void ReleaseRuntimeThreadKeys() noexcept;

}  // namespace fernwick
