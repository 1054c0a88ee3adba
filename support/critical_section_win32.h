#pragma once

#include <windows.h>

namespace tolk::stdx {

// A critical section that knows whether it could be initialised, and a scope that holds it.
class CriticalSection {
public:
    CriticalSection() noexcept
        : initialized_(InitializeCriticalSectionAndSpinCount(&section_, 0)) {}
    ~CriticalSection() {
        if (initialized_) DeleteCriticalSection(&section_);
    }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    bool Initialized() const noexcept { return initialized_; }
    void Enter() noexcept { EnterCriticalSection(&section_); }
    void Leave() noexcept { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
    bool initialized_;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& section) noexcept : section_(section) {
        section_.Enter();
    }
    ~CriticalSectionLock() { section_.Leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& section_;
};

}  // namespace tolk::stdx
