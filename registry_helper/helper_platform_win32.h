#pragma once

#include "registry_helper/registry_helper.h"

namespace fernwick {

// The Win32 services that every registry helper object reads through.
const HelperPlatform& Win32HelperPlatform();

}  // namespace fernwick
