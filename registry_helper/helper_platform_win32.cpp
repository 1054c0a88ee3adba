#include "registry_helper/helper_platform_win32.h"

#include "registry_helper/directory_source_win32.h"
#include "registry_helper/registry_store_win32.h"

namespace fernwick {

HelperPlatform Win32HelperPlatform() {
    static Win32RegistryStore registry;
    static Win32DirectorySource directories;
    return {registry, directories, Win32FileSource()};
}

}  // namespace fernwick
