#include "registry_helper/registry_helper.h"

#include "registry_helper/client_registry.h"
#include "registry_helper/config_file_finder.h"
#include "registry_helper/registry_file_reader.h"

namespace fernwick {

template <typename Query>
auto RegistryHelper::Transact(Query&& query) {
    LookupTransaction transaction(state_);
    auto answer = query(state_);
    transaction.Commit();
    return answer;
}

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
    return Transact([&](LookupState& state) {
        if (InFileMode()) {
            return RegistryFileReader(state, platform_.files).FindByObjectId(objectId, lists);
        }
        return ClientRegistry(platform_.registry).FindByObjectId(state, objectId, lists);
    });
}

bool RegistryHelper::InitFromFileName(std::wstring_view fileName) {
    return Transact([&](LookupState& state) {
        if (InFileMode()) {
            return RegistryFileReader(state, platform_.files).FindByFileName(fileName);
        }
        return ClientRegistry(platform_.registry).FindByFileName(state, fileName);
    });
}

std::wstring RegistryHelper::LastConnectedDocBaseName() {
    // One cache serves both modes: a name found by either is kept for the life of the object.
    return Transact([&](LookupState& state) {
        if (InFileMode()) {
            RegistryFileReader(state, platform_.files).ReadLastConnectedDocbase();
        } else {
            ClientRegistry(platform_.registry).ReadLastConnectedDocbase(state);
        }
        return state.lastConnectedDocbase;
    });
}

std::wstring RegistryHelper::DetectUcfClientConfigXml() const {
    return ConfigFileFinder(platform_.directories).Find();
}

}  // namespace fernwick
