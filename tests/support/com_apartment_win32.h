#pragma once

#include <windows.h>
#include <objbase.h>

namespace fernwick {

// Makes this thread a single-threaded apartment for the object's lifetime.
class ComApartment {
public:
    ComApartment() noexcept : entered_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(entered_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT Entered() const noexcept { return entered_; }

private:
    HRESULT entered_;
};

}  // namespace fernwick
