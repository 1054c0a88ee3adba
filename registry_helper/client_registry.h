#pragma once

#include <string>
#include <string_view>

#include "registry_helper/local_copy_record.h"
#include "registry_helper/lookup_state.h"
#include "registry_helper/registry_store.h"

namespace fernwick {

// Reads the client's records of downloaded documents from the registry, on behalf of one registry
// helper: every operation works on that helper's LookupState and only ever reads. Each key is
// looked for in the current user's hive first and in the local machine's hive only when the
// current user's lacks it. No key stays open once an operation returns.
class ClientRegistry {
public:
    // Whether a list walk also compares a document's alternate paths.
    enum class AlternatePaths { Ignored, Consulted };

    explicit ClientRegistry(RegistryStore& store) : store_(store) {}

    // Opens a key path under the current user's hive, or else under the local machine's.
    RegistryKey OpenClientKey(std::wstring_view path);

    // Looks a document up by the name of its key in the chosen lists, the edit list first. True
    // when its key opened and has a FileName value. An ID that names no document reads nothing.
    bool FindByObjectId(LookupState& state, std::wstring_view id, ClientLists lists);

    // Looks a document up by the path of its local copy: the edit list by FileName, then the view
    // list by FileName and alternate paths.
    bool FindByFileName(LookupState& state, std::wstring_view name);

    // Walks one list key for a document whose FileName (or one of whose alternate paths, if they
    // are consulted) equals name, ignoring the case of A-Z. Answers the document's own key, or an
    // empty owner; ObjectID is left at the name of the subkey visited last.
    RegistryKey FindRecordKey(LookupState& state, std::wstring_view listPath,
                              AlternatePaths alternatePaths, std::wstring_view name);

    // Fills the cached last connected docbase while it is empty.
    void ReadLastConnectedDocbase(LookupState& state);

private:
    // Per-walk text buffers, reused from one subkey to the next.
    struct WalkBuffers {
        std::wstring storedPath;
        std::wstring alternatesKeyPath;
        std::wstring alternatePaths;
    };

    RegistryKey OpenDocumentKey(std::wstring_view id, ClientLists lists, OpenMode& origin);
    bool AlternatePathsHold(std::wstring_view objectId, std::wstring_view name,
                            WalkBuffers& buffers);
    void ReadDetails(const RegistryKey& documentKey, LocalCopyRecord& record);
    void ReadTextOrEmpty(const RegistryKey& key, std::wstring_view valueName, std::wstring& text);

    RegistryStore& store_;
};

}  // namespace fernwick
