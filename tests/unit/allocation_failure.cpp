#include "tests/unit/allocation_failure.h"

#include <algorithm>
#include <cstdlib>

namespace fernwick::tests {
namespace {

// Allocations still to go until the failing one; 0 while disarmed. The unit tests run on one
// thread, so plain variables serve.
std::size_t allocationsLeft = 0;
bool* failureReached = nullptr;
std::size_t allocatedBytes = 0;

bool FailNow() {
    if (allocationsLeft == 0 || --allocationsLeft != 0) return false;
    *failureReached = true;
    return true;
}

void* Allocate(std::size_t size) noexcept {
    if (FailNow()) return nullptr;
    allocatedBytes += size;
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) noexcept {
    if (FailNow()) return nullptr;
    allocatedBytes += size;
    const auto align = static_cast<std::size_t>(alignment);
    return std::aligned_alloc(align, (std::max<std::size_t>(size, 1) + align - 1) / align * align);
}

void* Required(void* memory) {
    if (!memory) throw std::bad_alloc();
    return memory;
}

}  // namespace

std::size_t AllocatedBytes() { return allocatedBytes; }

AllocationFailure::Armed::Armed(std::size_t n, bool& reached) : reached_(reached) {
    reached_ = false;
    failureReached = &reached_;
    allocationsLeft = n;
}

AllocationFailure::Armed::~Armed() {
    allocationsLeft = 0;
    failureReached = nullptr;
}

}  // namespace fernwick::tests

using fernwick::tests::Allocate;
using fernwick::tests::AllocateAligned;
using fernwick::tests::Required;

void* operator new(std::size_t size) { return Required(Allocate(size)); }
void* operator new[](std::size_t size) { return Required(Allocate(size)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    return Required(AllocateAligned(size, alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return Required(AllocateAligned(size, alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, alignment);
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(memory);
}
