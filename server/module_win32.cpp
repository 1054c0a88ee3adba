#include "server/module_win32.h"

#include "server/class_table_win32.h"

namespace fernwick {

std::wstring ModuleFileName(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A path that fills the buffer may have been cut short.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring CFernwickModule::ModulePath() const { return ModuleFileName(instance_); }

// The lock count rises before a server lock is counted and falls only after one has been taken
// back, so that a concurrent unlock never releases a count that is not there yet.
void CFernwickModule::LockServer() noexcept {
    Lock();
    ++serverLocks_;
}

void CFernwickModule::UnlockServer() noexcept {
    LONG locks = serverLocks_.load();
    while (locks > 0 && !serverLocks_.compare_exchange_weak(locks, locks - 1)) {
    }
    if (locks > 0) Unlock();
}

void CFernwickModule::AddTermFunc(TermEntry& entry) noexcept {
    entry.next = termEntries_.load(std::memory_order_relaxed);
    while (!termEntries_.compare_exchange_weak(entry.next, &entry, std::memory_order_release,
                                               std::memory_order_relaxed)) {
    }
}

void CFernwickModule::Terminate() noexcept {
    TermEntry* entry = termEntries_.exchange(nullptr, std::memory_order_acquire);
    while (entry) {
        TermEntry* const next = entry->next;
        entry->func(entry->argument);
        entry = next;
    }
    ReleaseClassObjects();
}

namespace {

// At namespace scope, not inside FernwickModule(): a function-local static makes the C++ runtime
// allocate its guard's lock and condition on first use, which it never frees when the DLL unloads.
CFernwickModule module;

}  // namespace

CFernwickModule& FernwickModule() noexcept { return module; }

}  // namespace fernwick
