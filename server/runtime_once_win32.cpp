// The C++ runtime linked into Fernwick.dll runs its one-time initialisations (the locale's above
// all) through pthread_once. The static threads library's pthread_once allocates a record for the
// calling thread and a thread-local slot that it never gives back, so each load and unload of the
// DLL would leak them. The DLL is linked with --wrap=pthread_once, which sends those calls here:
// the same contract, kept in the control word alone.
#include <windows.h>

#include <cerrno>

namespace {

// PTHREAD_ONCE_INIT is 0, and 1 marks a completed initialisation, as in the threads library.
constexpr LONG kRunning = 2;
constexpr LONG kDone = 1;

}  // namespace

extern "C" int __wrap_pthread_once(volatile LONG* once, void (*initialize)()) {
    if (!once || !initialize) return EINVAL;
    if (InterlockedCompareExchange(once, kRunning, 0) == 0) {
        initialize();
        InterlockedExchange(once, kDone);
        return 0;
    }
    while (InterlockedCompareExchange(once, kDone, kDone) != kDone) SwitchToThread();
    return 0;
}
