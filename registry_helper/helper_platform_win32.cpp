#include "registry_helper/helper_platform_win32.h"

#include "registry_helper/directory_source_win32.h"
#include "registry_helper/file_source_win32.h"
#include "registry_helper/registry_store_win32.h"

namespace fernwick {
namespace {

// At namespace scope: see FernwickModule().
Win32RegistryStore registry;
Win32DirectorySource directories;
Win32FileSource files;

}  // namespace

HelperPlatform Win32HelperPlatform() { return {registry, directories, files}; }

}  // namespace fernwick
