#pragma once

#include <windows.h>

namespace fernwick {

// When a thread ends: destroys its values of the C++ runtime's thread keys (its exception state
// and thread_local data).
void ReleaseThreadRuntimeState() noexcept;

// At a real unload: destroys the values that every thread still holds, frees the keys, and
// destroys the runtime's static mutexes, also those that the runtime's teardown locks afterwards.
void ReleaseRuntimeThreadKeys() noexcept;

}  // namespace fernwick
