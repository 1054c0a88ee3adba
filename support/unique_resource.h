#pragma once

#include <utility>

namespace tolk::stdx {

// The empty value of most handle types.
template <typename Handle>
constexpr Handle NullHandle() noexcept {
    return Handle{};
}

// A move-only owner of one handle: Close is the function that closes it, Empty the one that
// names its empty value (null unless told), so that an owner is one line:
//
//   using UniqueHkey = UniqueResource<HKEY, RegCloseKey>;
//
// get() lends the handle, release() gives it up without closing, reset() closes the current one
// and takes another, put() closes the current one and lends the empty slot to a function that
// creates a handle through an out-parameter. An empty owner closes nothing.
template <typename HandleType, auto Close, HandleType (*Empty)() noexcept = NullHandle<HandleType>>
class UniqueResource {
public:
    using Handle = HandleType;

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
    explicit operator bool() const noexcept { return handle_ != Empty(); }

    Handle release() noexcept { return std::exchange(handle_, Empty()); }
    void reset(Handle handle = Empty()) noexcept {
        Handle old = std::exchange(handle_, handle);
        if (old != Empty()) Close(old);
    }

private:
    Handle handle_ = Empty();
};

}  // namespace tolk::stdx
