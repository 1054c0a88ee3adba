#pragma once

#include <windows.h>

namespace fernwick {

// Writes or removes the component's registration: the AppID script (its result ignored), each
// class's script in table order up to the first failure, then the type library.
HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace fernwick
