#pragma once

#include <string>
#include <string_view>

#include "registry_helper/local_copy_record.h"
#include "registry_helper/lookup_state.h"

namespace fernwick {

class RegistryStore;
class DirectorySource;
class FileSource;

// The platform services a registry helper reads through. The Windows build passes the Win32
// implementations; tests pass in-memory ones.
struct HelperPlatform {
    RegistryStore& registry;
    DirectorySource& directories;
    FileSource& files;
};

// The logic of the scriptable registry helper: it owns the current record and hands each query to
// the client registry lookup (registry mode) or to the registry file reader (file mode, while a
// registry file is set). The COM class is a thin shell over it. A query that fails (running out of
// memory throws std::bad_alloc) leaves the object as it was before the call.
class RegistryHelper {
public:
    explicit RegistryHelper(const HelperPlatform& platform) : platform_(platform) {}

    bool InitFromObjectID(std::wstring_view objectId);
    bool InitEditFromObjectID(std::wstring_view objectId);
    bool InitViewFromObjectID(std::wstring_view objectId);
    bool InitFromFileName(std::wstring_view fileName);

    const LocalCopyRecord& Current() const { return state_.current; }
    bool IsOpenForEdit() const { return state_.current.Origin == OpenMode::Edit; }
    bool IsOpenForView() const { return state_.current.Origin == OpenMode::View; }

    std::wstring LastConnectedDocBaseName();
    void SetRegistryFile(std::wstring_view path) { state_.registryFile = path; }
    // Narrowed while the helper serves an untrusted page.
    void SetRegistryFileScope(RegistryFileScope scope) { state_.registryFileScope = scope; }
    std::wstring DetectUcfClientConfigXml() const;

private:
    bool InFileMode() const { return !state_.registryFile.empty(); }
    bool FindByObjectId(std::wstring_view objectId, ClientLists lists);
    // Runs query on the state in a transaction that is committed only once the query answered.
    template <typename Query>
    auto Transact(Query&& query);

    HelperPlatform platform_;
    LookupState state_;
};

}  // namespace fernwick
