#pragma once

#include <cstddef>
#include <new>

namespace fernwick::tests {

// Fault injection for the native unit tests: this executable replaces the global operator new
// (every form), which counts what it hands out and otherwise stays inert until an
// AllocationFailure runs an operation. Then the n-th
// allocation that the operation asks for fails: the throwing forms throw std::bad_alloc, the
// nothrow forms answer null. Only that one fails; later ones succeed again.
class AllocationFailure {
public:
    explicit AllocationFailure(std::size_t n) : n_(n) {}

    // Runs the operation with its n-th allocation failing; true when it ended in std::bad_alloc.
    // Any other exception escapes, the failure disarmed.
    template <typename Operation>
    bool Run(Operation&& operation) {
        const Armed armed(n_, reached_);
        try {
            operation();
        } catch (const std::bad_alloc&) {
            return true;
        }
        return false;
    }
    // Whether the operation asked for an n-th allocation.
    bool Reached() const { return reached_; }
    std::size_t Index() const { return n_; }

private:
    class Armed {
    public:
        Armed(std::size_t n, bool& reached);
        ~Armed();
        Armed(const Armed&) = delete;
        Armed& operator=(const Armed&) = delete;

    private:
        bool& reached_;
    };

    std::size_t n_;
    bool reached_ = false;
};

// Bytes that the replaced operator new has handed out since the program started.
std::size_t AllocatedBytes();

// Calls attempt(failure) for n = 1, 2, ... with an AllocationFailure for n, until the attempt's
// operation completes without reaching its n-th allocation; answers how many allocations that
// complete run made, the operation's allocation points.
template <typename Attempt>
std::size_t CountAllocationPoints(Attempt&& attempt) {
    for (std::size_t n = 1;; ++n) {
        AllocationFailure failure(n);
        attempt(failure);
        if (!failure.Reached()) return n - 1;
    }
}

}  // namespace fernwick::tests
