// The C++ runtime linked into Fernwick.dll runs its one-time initialisations (the locale's above
// all) through pthread_once, and keeps its per-thread exception state under a pthread key. The
// static threads library behind both allocates a record for each calling thread, and a
// thread-local slot, that it never gives back, so each load and unload of the DLL would leak them.
// The DLL is linked with --wrap for these functions, which sends the runtime's calls here: the same
// contracts on plain Win32 primitives that allocate nothing.
#include "server/runtime_threads_win32.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <span>

namespace {

// PTHREAD_ONCE_INIT is 0, and 1 marks a completed initialisation, as in the threads library.
constexpr LONG kRunning = 2;
constexpr LONG kDone = 1;

// The runtime makes a key or two (exception state, thread_local data) and never deletes them.
struct ThreadKey {
    DWORD index;
    void (*destroy)(void*);
};
ThreadKey threadKeys[8];
LONG threadKeyCount = 0;

}  // namespace

namespace fernwick {

void ReleaseRuntimeThreadKeys() noexcept {
    const LONG count = std::min<LONG>(threadKeyCount, std::size(threadKeys));
    for (const ThreadKey& key : std::span(threadKeys, count)) {
        if (key.index == TLS_OUT_OF_INDEXES) continue;
        void* value = TlsGetValue(key.index);
        TlsSetValue(key.index, nullptr);
        if (value && key.destroy) key.destroy(value);
        TlsFree(key.index);
    }
    threadKeyCount = 0;
}

}  // namespace fernwick

extern "C" {

int __wrap_pthread_once(volatile LONG* once, void (*initialize)()) {
    if (!once || !initialize) return EINVAL;
    if (InterlockedCompareExchange(once, kRunning, 0) == 0) {
        try {
            initialize();
        } catch (...) {
            // As std::call_once requires: a throwing initialisation leaves it to the next caller.
            InterlockedExchange(once, 0);
            throw;
        }
        InterlockedExchange(once, kDone);
        return 0;
    }
    while (InterlockedCompareExchange(once, kDone, kDone) != kDone) SwitchToThread();
    return 0;
}

// Values are not destroyed when a thread ends: the threads library never got to either, since
// Fernwick turns off the thread notifications that would run its destructors. Only the unloading
// thread's values are, by ReleaseRuntimeThreadKeys.
int __wrap_pthread_key_create(unsigned* key, void (*destroy)(void*)) {
    const LONG slot = InterlockedIncrement(&threadKeyCount) - 1;
    if (slot >= LONG{std::size(threadKeys)}) return EAGAIN;
    const DWORD index = TlsAlloc();
    threadKeys[slot] = {index, destroy};
    if (index == TLS_OUT_OF_INDEXES) return EAGAIN;
    *key = index;
    return 0;
}

// The runtime asks for its exception state inside catch blocks: the caller's last error stays.
void* __wrap_pthread_getspecific(unsigned key) {
    const DWORD lastError = GetLastError();
    void* value = TlsGetValue(key);
    SetLastError(lastError);
    return value;
}

int __wrap_pthread_setspecific(unsigned key, const void* value) {
    return TlsSetValue(key, const_cast<void*>(value)) ? 0 : EINVAL;
}

}  // extern "C"
