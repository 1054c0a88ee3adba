#pragma once

#include "registry_helper/registry_helper.h"

namespace fernwick {

// The Win32 file source of the registry file reader, defined beside that reader.
FileSource& Win32FileSource();

// What a registry helper reads through on Windows: the live registry, the real directory search
// and the Win32 file source. The services keep no state, so every helper object shares them.
HelperPlatform Win32HelperPlatform();

}  // namespace fernwick
