#pragma once

#include <windows.h>

#include "server/registry_writer_win32.h"

namespace fernwick {

// Registers the type library embedded in Fernwick's file. Machine-wide the system's type library
// registration writes it; for the current user our own registry writer writes the same entries
// (the library, its version, this build's file and every interface that is marshalled from it)
// under HKEY_CURRENT_USER\Software\Classes alone, since the system's registration may write the
// interfaces into the machine's other registry view whatever HKEY_CLASSES_ROOT points at.
HRESULT RegisterTypeLibrary(ClassesScope scope);

// Removes that registration; while the other build is registered in the same scope, only this
// build's own entry of the library. Nothing of ours left to remove is success.
HRESULT UnregisterTypeLibrary(ClassesScope scope, bool otherBuildRegistered);

}  // namespace fernwick
