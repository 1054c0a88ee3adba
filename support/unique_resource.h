#pragma once

#include <utility>

namespace tolk::stdx {

// A move-only owner of one handle. Traits name the handle type, its empty value and how to close
// it:
//
//   struct Traits {
//       using Handle = ...;
//       static Handle Empty() noexcept;
//       static void Close(Handle) noexcept;
//   };
//
// get() lends the handle, release() gives it up without closing, reset() closes the current one
// and takes another, put() closes the current one and lends the empty slot to a function that
// creates a handle through an out-parameter. An empty owner closes nothing.
template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle handle) noexcept : handle_(handle) {}
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Handle get() const noexcept { return handle_; }
    // For pointer handles such as COM interfaces: owner->Method() calls through the handle.
    Handle operator->() const noexcept { return handle_; }
    Handle* put() noexcept {
        reset();
        return &handle_;
    }
    explicit operator bool() const noexcept { return handle_ != Traits::Empty(); }

    Handle release() noexcept { return std::exchange(handle_, Traits::Empty()); }
    void reset(Handle handle = Traits::Empty()) noexcept {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::Empty()) Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Empty();
};

}  // namespace tolk::stdx
