#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

#include "support/critical_section_win32.h"

namespace fernwick {

// The one module object of the loaded component: its lock count (live objects, extra references
// to cached class objects and server locks), the two locks that guard lazy creation, and the
// list of releases to run at unload.
class CFernwickModule {
public:
    using TermFunc = void (*)(void* argument);

    CFernwickModule() = default;
    CFernwickModule(const CFernwickModule&) = delete;
    CFernwickModule& operator=(const CFernwickModule&) = delete;

    LONG Lock() noexcept { return ++lockCount_; }
    LONG Unlock() noexcept { return --lockCount_; }
    LONG GetLockCount() const noexcept { return lockCount_; }
    // A host's explicit locks (IClassFactory::LockServer). An unlock without a lock of its own to
    // release leaves the count alone, so that it never falls below what live objects hold.
    void LockServer() noexcept;
    void UnlockServer() noexcept;

    // False when a lock could not be set up at load; the class-object lookup then fails.
    bool Initialized() const noexcept {
        return objectTableLock_.Initialized() && typeInfoLock_.Initialized();
    }
    tolk::stdx::CriticalSection& ObjectTableLock() noexcept { return objectTableLock_; }
    tolk::stdx::CriticalSection& TypeInfoLock() noexcept { return typeInfoLock_; }

    HINSTANCE Instance() const noexcept { return instance_; }
    void SetInstance(HINSTANCE instance) noexcept { instance_ = instance; }
    // The full path of the component's file, or empty when the system cannot tell it.
    std::wstring ModulePath() const;

    // Registers a release to run at unload. It cannot fail, so that a caller can publish what it
    // registers first: the list has room for one release per interface type information.
    void AddTermFunc(TermFunc func, void* argument) noexcept;
    // At unload: runs the termination list, then releases the cached class objects.
    void Terminate() noexcept;

private:
    std::atomic<LONG> lockCount_{0};
    std::atomic<LONG> serverLocks_{0};
    tolk::stdx::CriticalSection objectTableLock_;
    tolk::stdx::CriticalSection typeInfoLock_;
    HINSTANCE instance_ = nullptr;
    static constexpr std::size_t kMaxTermFuncs = 8;
    std::array<std::pair<TermFunc, void*>, kMaxTermFuncs> termFuncs_{};
    std::size_t termFuncCount_ = 0;
};

CFernwickModule& FernwickModule() noexcept;

// The full path of a loaded module's file, however long, or empty when the system cannot tell it.
std::wstring ModuleFileName(HMODULE module);

}  // namespace fernwick
