// The C++ runtime linked into Fernwick.dll runs its one-time initialisations (the locale's above
// all) through pthread_once, and keeps its per-thread state (the exception state, thread_local
// data) under pthread keys. The static threads library behind both allocates a record for each
// calling thread, and a thread-local slot, that it never gives back, so each load and unload of the
// DLL would leak them. The DLL is linked with --wrap for these functions, which sends the runtime's
// calls here: the same contracts on plain Win32 primitives.
//
// A thread's values of all keys sit in one block under one Win32 slot. The blocks are listed, so
// that the block of a thread that ends goes with it and the blocks of threads still running when
// the DLL unloads go at the unload.
//
// The runtime's statically initialised mutexes (the emulated thread-local storage's above all) get
// their lock record from the threads library when first locked, and static storage has no
// destructor to give it back. pthread_mutex_lock is wrapped too, to remember those of this image,
// which are destroyed at unload. The runtime's own teardown, which runs after the DLL's entry
// point, may lock one again and so give it a new record: on 32-bit the unwinder does, to forget
// this image's frame tables. Past the unload, pthread_mutex_unlock destroys such a mutex as it
// frees it.
#include "runtime_shim/runtime_threads_win32.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

// The bounds of this image's static storage, which the linker sets under these names exactly (a
// 32-bit C name would get an underscore in front).
extern "C" char dataStart[] __asm__("__data_start__");
extern "C" char dataEnd[] __asm__("__data_end__");
extern "C" char bssStart[] __asm__("__bss_start__");
extern "C" char bssEnd[] __asm__("__bss_end__");
extern "C" int __real_pthread_mutex_lock(pthread_mutex_t* mutex);
extern "C" int __real_pthread_mutex_unlock(pthread_mutex_t* mutex);

namespace {

// PTHREAD_ONCE_INIT is 0, and 1 marks a completed initialisation, as in the threads library.
constexpr LONG kRunning = 2;
constexpr LONG kDone = 1;

// The runtime makes a key or two (exception state, thread_local data) and never deletes them.
constexpr unsigned kMaxKeys = 8;
// A destructor may set values again; as POSIX allows, that is followed up a few times only.
constexpr int kDestructorRounds = 4;

using Destructor = void (*)(void*);

struct ThreadValues {
    void* values[kMaxKeys];
    ThreadValues* previous;
    ThreadValues* next;
};

// Guards the keys, the list of blocks and the remembered mutexes: a slim lock, which needs neither
// setting up nor tearing down.
SRWLOCK lock = SRWLOCK_INIT;
Destructor destructors[kMaxKeys];
unsigned keyCount = 0;
DWORD valuesSlot = TLS_OUT_OF_INDEXES;
ThreadValues* threads = nullptr;

constexpr std::size_t kMaxStaticMutexes = 16;
pthread_mutex_t* staticMutexes[kMaxStaticMutexes];
std::size_t staticMutexCount = 0;
bool unloaded = false;

class ExclusiveLock {
public:
    ExclusiveLock() noexcept { AcquireSRWLockExclusive(&lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
};

ThreadValues* OwnValues() noexcept {
    return valuesSlot == TLS_OUT_OF_INDEXES ? nullptr
                                            : static_cast<ThreadValues*>(TlsGetValue(valuesSlot));
}

// Later keys first: the thread_local destructors run before the storage they live in goes.
void DestroyValues(ThreadValues& thread) noexcept {
    for (int round = 0; round < kDestructorRounds; ++round) {
        bool destroyed = false;
        for (unsigned key = kMaxKeys; key-- > 0;) {
            void* value = std::exchange(thread.values[key], nullptr);
            if (value && destructors[key]) {
                destructors[key](value);
                destroyed = true;
            }
        }
        if (!destroyed) return;
    }
}

void Unlist(ThreadValues& thread) noexcept {
    const ExclusiveLock locked;
    (thread.previous ? thread.previous->next : threads) = thread.next;
    if (thread.next) thread.next->previous = thread.previous;
}

void Free(ThreadValues* thread) noexcept { HeapFree(GetProcessHeap(), 0, thread); }

// The values of a thread that is not running the DLL's code, in the list's first block.
ThreadValues* TakeFirstListed() noexcept {
    const ExclusiveLock locked;
    ThreadValues* first = threads;
    if (first) {
        threads = first->next;
        if (threads) threads->previous = nullptr;
    }
    return first;
}

class LastErrorKept {
public:
    LastErrorKept() noexcept : lastError_(GetLastError()) {}
    ~LastErrorKept() { SetLastError(lastError_); }
    LastErrorKept(const LastErrorKept&) = delete;
    LastErrorKept& operator=(const LastErrorKept&) = delete;

private:
    const DWORD lastError_;
};

bool Within(const void* address, const char* start, const char* end) noexcept {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    return at >= reinterpret_cast<std::uintptr_t>(start) &&
           at < reinterpret_cast<std::uintptr_t>(end);
}

bool InStaticStorageOfThisImage(const void* address) noexcept {
    return Within(address, dataStart, dataEnd) || Within(address, bssStart, bssEnd);
}

// A mutex in this image's static storage, still as its initialiser left it: the threads library
// allocates its record at the first lock.
bool IsStaticMutexOfThisImage(const pthread_mutex_t* mutex) noexcept {
    if (!InStaticStorageOfThisImage(mutex)) return false;
    const pthread_mutex_t value = *mutex;
    return value == PTHREAD_MUTEX_INITIALIZER || value == PTHREAD_RECURSIVE_MUTEX_INITIALIZER ||
           value == PTHREAD_ERRORCHECK_MUTEX_INITIALIZER;
}

void RememberStaticMutex(pthread_mutex_t* mutex) noexcept {
    const ExclusiveLock locked;
    const auto remembered = std::span(staticMutexes, staticMutexCount);
    if (std::find(remembered.begin(), remembered.end(), mutex) != remembered.end()) return;
    if (staticMutexCount < kMaxStaticMutexes) staticMutexes[staticMutexCount++] = mutex;
}

}  // namespace

namespace fernwick {

void ReleaseThreadRuntimeState() noexcept {
    ThreadValues* own = OwnValues();
    if (!own) return;
    DestroyValues(*own);
    TlsSetValue(valuesSlot, nullptr);
    Unlist(*own);
    Free(own);
}

void ReleaseRuntimeThreadKeys() noexcept {
    ReleaseThreadRuntimeState();
    // The other threads that still hold values run no code of the DLL any more.
    while (ThreadValues* thread = TakeFirstListed()) {
        DestroyValues(*thread);
        Free(thread);
    }
    if (valuesSlot != TLS_OUT_OF_INDEXES) TlsFree(valuesSlot);
    valuesSlot = TLS_OUT_OF_INDEXES;
    keyCount = 0;
    for (pthread_mutex_t* mutex : std::span(staticMutexes, staticMutexCount)) {
        pthread_mutex_destroy(mutex);
    }
    staticMutexCount = 0;
    unloaded = true;
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

int __wrap_pthread_key_create(unsigned* key, Destructor destroy) {
    const ExclusiveLock locked;
    if (keyCount == kMaxKeys) return EAGAIN;
    if (valuesSlot == TLS_OUT_OF_INDEXES) {
        valuesSlot = TlsAlloc();
        if (valuesSlot == TLS_OUT_OF_INDEXES) return EAGAIN;
    }
    destructors[keyCount] = destroy;
    *key = keyCount++;
    return 0;
}

// The runtime asks for its exception state inside catch blocks: the caller's last error stays.
void* __wrap_pthread_getspecific(unsigned key) {
    const LastErrorKept lastError;
    ThreadValues* own = OwnValues();
    return own && key < kMaxKeys ? own->values[key] : nullptr;
}

int __wrap_pthread_setspecific(unsigned key, const void* value) {
    if (key >= kMaxKeys) return EINVAL;
    const LastErrorKept lastError;
    ThreadValues* own = OwnValues();
    if (!own) {
        if (!value) return 0;
        own = static_cast<ThreadValues*>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ThreadValues)));
        if (!own) return ENOMEM;
        if (!TlsSetValue(valuesSlot, own)) {
            Free(own);
            return ENOMEM;
        }
        const ExclusiveLock locked;
        own->next = threads;
        if (threads) threads->previous = own;
        threads = own;
    }
    own->values[key] = const_cast<void*>(value);
    return 0;
}

int __wrap_pthread_mutex_lock(pthread_mutex_t* mutex) {
    if (IsStaticMutexOfThisImage(mutex)) RememberStaticMutex(mutex);
    return __real_pthread_mutex_lock(mutex);
}

int __wrap_pthread_mutex_unlock(pthread_mutex_t* mutex) {
    const int result = __real_pthread_mutex_unlock(mutex);
    if (unloaded && InStaticStorageOfThisImage(mutex)) pthread_mutex_destroy(mutex);
    return result;
}

}  // extern "C"
