#pragma once

#include <windows.h>

#include "server/registry_writer_win32.h"

namespace fernwick {

// Writes or removes the component's registration in the scope: the AppID script (its result
// ignored), each class's script in table order up to the first failure, then the type library.
// Removal leaves the keys that the 64-bit and the 32-bit build share (ProgIDs, AppID, the type
// library's interface entries) while the other build is still registered in the same scope.
HRESULT RegisterServer(ClassesScope scope);
HRESULT UnregisterServer(ClassesScope scope);

// DllInstall: the command line "user" registers or unregisters for the current user alone; an
// empty one does what DllRegisterServer and DllUnregisterServer do. Others are refused.
HRESULT InstallServer(bool install, const wchar_t* commandLine);

}  // namespace fernwick
