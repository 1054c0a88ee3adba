#pragma once

#include "registry_helper/registry_helper.h"

namespace fernwick {

// What a registry helper reads through on Windows: the live registry, the real directory search
// and the real file system. The services keep no state, so every helper object shares them.
HelperPlatform Win32HelperPlatform();

}  // namespace fernwick
