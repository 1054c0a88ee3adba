#include "registry_helper/registry_helper.h"

#include "registry_helper/client_registry.h"
#include "registry_helper/config_file_finder.h"

namespace fernwick {

bool RegistryHelper::InitFromObjectID(std::wstring_view objectId) {
    return FindByObjectId(objectId, ClientLists::EditAndView);
}

bool RegistryHelper::InitEditFromObjectID(std::wstring_view objectId) {
    return FindByObjectId(objectId, ClientLists::EditOnly);
}

bool RegistryHelper::InitViewFromObjectID(std::wstring_view objectId) {
    return FindByObjectId(objectId, ClientLists::ViewOnly);
}

bool RegistryHelper::FindByObjectId(std::wstring_view objectId, ClientLists lists) {
    if (InFileMode()) {
        // File mode comes with issue 3; until then a registry file finds nothing.
        return false;
    }
    return ClientRegistry(platform_.registry).FindByObjectId(state_, objectId, lists);
}

bool RegistryHelper::InitFromFileName(std::wstring_view fileName) {
    if (InFileMode()) {
        // File mode comes with issue 3; until then a registry file finds nothing.
        return false;
    }
    return ClientRegistry(platform_.registry).FindByFileName(state_, fileName);
}

std::wstring RegistryHelper::LastConnectedDocBaseName() {
    // File mode comes with issue 3; until then it answers whatever the cache holds.
    if (!InFileMode()) ClientRegistry(platform_.registry).ReadLastConnectedDocbase(state_);
    return state_.lastConnectedDocbase;
}

std::wstring RegistryHelper::DetectUcfClientConfigXml() const {
    return ConfigFileFinder(platform_.directories).Find();
}

}  // namespace fernwick
