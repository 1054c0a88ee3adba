#pragma once

#include <windows.h>
#include <unknwn.h>

#include "support/unique_resource.h"

// Owners for the Win32 handles and COM interfaces that Fernwick uses. Each closes its handle with
// the function that belongs to it; an empty owner (NULL, INVALID_HANDLE_VALUE for find and file
// handles, TLS_OUT_OF_INDEXES for thread-local slots) closes nothing.
namespace tolk::stdx {

struct HkeyTraits {
    using Handle = HKEY;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle key) noexcept { RegCloseKey(key); }
};
using UniqueHkey = UniqueResource<HkeyTraits>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle find) noexcept { FindClose(find); }
};
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

// A kernel object handle from an API that fails with NULL (OpenProcess, CreateEvent, ...).
struct HandleTraits {
    using Handle = HANDLE;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HandleTraits>;

// A handle from an API that fails with INVALID_HANDLE_VALUE (CreateFile,
// CreateToolhelp32Snapshot).
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle file) noexcept { CloseHandle(file); }
};
using UniqueFileHandle = UniqueResource<FileHandleTraits>;

struct TlsIndexTraits {
    using Handle = DWORD;
    static Handle Empty() noexcept { return TLS_OUT_OF_INDEXES; }
    static void Close(Handle index) noexcept { TlsFree(index); }
};
using UniqueTlsIndex = UniqueResource<TlsIndexTraits>;

template <typename Interface>
struct ComInterfaceTraits {
    using Handle = Interface*;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle object) noexcept { object->Release(); }
};
// Owns one reference to a COM interface.
template <typename Interface>
using UniqueCom = UniqueResource<ComInterfaceTraits<Interface>>;

}  // namespace tolk::stdx
