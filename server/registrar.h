#pragma once

#include <cstdint>

#include "server/registry_script.h"
#include "server/registry_writer.h"

namespace fernwick {

enum class RegistrarMode { Register, Unregister };

// Runs a parsed registry script against the registry. Register: every key is opened or created,
// ForceRemove keys are first deleted with their subtree. Unregister: NoRemove keys stay and only
// their listed contents are processed, ForceRemove keys go with their subtree, other keys go once
// nothing but foreign values remains in them. Answers 0 or the first Win32 error, at which it
// stops.
std::int32_t RunRegistryScript(const RegistryScript& script, RegistrarMode mode,
                               RegistryWriter& writer);

// The part of a script that the 64-bit and the 32-bit build each keep in their own registry view:
// the class keys under CLSID. Everything else (ProgIDs, the AppID) lies where both builds share it.
RegistryScript PerViewPart(const RegistryScript& script);

}  // namespace fernwick
