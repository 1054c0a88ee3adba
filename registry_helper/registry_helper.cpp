#include "registry_helper/registry_helper.h"

#include "registry_helper/client_registry.h"
#include "registry_helper/config_file_finder.h"
#include "registry_helper/registry_file_reader.h"

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
        return RegistryFileReader(state_, platform_.files).FindByObjectId(objectId, lists);
    }
    return ClientRegistry(platform_.registry).FindByObjectId(state_, objectId, lists);
}

bool RegistryHelper::InitFromFileName(std::wstring_view fileName) {
    if (InFileMode()) {
        return RegistryFileReader(state_, platform_.files).FindByFileName(fileName);
    }
    return ClientRegistry(platform_.registry).FindByFileName(state_, fileName);
}

std::wstring RegistryHelper::LastConnectedDocBaseName() {
    // One cache serves both modes: a name found by either is kept for the life of the object.
    if (InFileMode()) {
        RegistryFileReader(state_, platform_.files).ReadLastConnectedDocbase();
    } else {
        ClientRegistry(platform_.registry).ReadLastConnectedDocbase(state_);
    }
    return state_.lastConnectedDocbase;
}

std::wstring RegistryHelper::DetectUcfClientConfigXml() const {
    return ConfigFileFinder(platform_.directories).Find();
}

}  // namespace fernwick
