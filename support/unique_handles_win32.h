#pragma once

#include <windows.h>
#include <unknwn.h>

#include "support/unique_resource.h"

// Owners for the Win32 handles and COM interfaces that Fernwick uses. Each closes its handle with
// the function that belongs to it; an empty owner (NULL, INVALID_HANDLE_VALUE for find and file
// handles, TLS_OUT_OF_INDEXES for thread-local slots) closes nothing.
namespace tolk::stdx {

// The empty values that are not null.
inline HANDLE InvalidHandleValue() noexcept { return INVALID_HANDLE_VALUE; }
inline DWORD TlsOutOfIndexes() noexcept { return TLS_OUT_OF_INDEXES; }

template <typename Interface>
void ReleaseInterface(Interface* object) noexcept {
    object->Release();
}

using UniqueHkey = UniqueResource<HKEY, RegCloseKey>;
using UniqueFindHandle = UniqueResource<HANDLE, FindClose, InvalidHandleValue>;
// A kernel object handle from an API that fails with NULL (OpenProcess, CreateEvent, ...).
using UniqueHandle = UniqueResource<HANDLE, CloseHandle>;
// A handle from an API that fails with INVALID_HANDLE_VALUE (CreateFile,
// CreateToolhelp32Snapshot).
using UniqueFileHandle = UniqueResource<HANDLE, CloseHandle, InvalidHandleValue>;
using UniqueTlsIndex = UniqueResource<DWORD, TlsFree, TlsOutOfIndexes>;
// Owns one reference to a COM interface.
template <typename Interface>
using UniqueCom = UniqueResource<Interface*, ReleaseInterface<Interface>>;

}  // namespace tolk::stdx
