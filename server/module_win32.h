#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "support/critical_section_win32.h"

namespace fernwick {

// One release to run at unload. Its owner keeps it in static storage and links it in once, so
// the termination list has no capacity to run out of and adding to it can neither fail nor
// allocate.
struct TermEntry {
    void (*func)(void* argument) noexcept;
    void* argument;
    TermEntry* next = nullptr;
};

// The one module object of the loaded component: its lock count (live objects, extra references
// to cached class objects and server locks), the lock that guards the lazy creation of class
// objects, and the list of releases to run at unload.
class CFernwickModule {
public:
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

    tolk::stdx::CriticalSection& ObjectTableLock() noexcept { return objectTableLock_; }

    HINSTANCE Instance() const noexcept { return instance_; }
    void SetInstance(HINSTANCE instance) noexcept { instance_ = instance; }
    // The full path of the component's file, or empty when the system cannot tell it.
    std::wstring ModulePath() const;

    // Links a release in, to run at unload; entries run in the reverse order of linking. It cannot
    // fail, so that a caller can publish what it registers first. An entry is linked at most once
    // before the list runs.
    void AddTermFunc(TermEntry& entry) noexcept;
    // At unload: runs the termination list, then releases the cached class objects.
    void Terminate() noexcept;

private:
    std::atomic<LONG> lockCount_{0};
    std::atomic<LONG> serverLocks_{0};
    tolk::stdx::CriticalSection objectTableLock_;
    HINSTANCE instance_ = nullptr;
    std::atomic<TermEntry*> termEntries_{nullptr};
};

CFernwickModule& FernwickModule() noexcept;

// The full path of a loaded module's file, however long, or empty when the system cannot tell it.
std::wstring ModuleFileName(HMODULE module);

}  // namespace fernwick
