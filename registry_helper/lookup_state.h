#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "registry_helper/local_copy_record.h"

namespace fernwick {

// Which registry files a helper reads. While it serves an untrusted page it reads only files on
// local drives, and answers a missing file as one without a match, so that the page learns
// nothing about what exists on the machine.
enum class RegistryFileScope { AnyPath, LocalDrivesOnly };

// True when an object ID can name a document: it is not empty and holds neither a NUL, which
// would cut the key name short, nor a backslash, which would name another key.
bool NamesADocument(std::wstring_view objectId);

// What one registry helper object remembers between calls: its current record, the walk position
// of the last list walk, the cached last connected docbase and the registry file path. The
// registry lookups and the registry file reader both work on it.
struct LookupState {
    std::uint32_t enumerationPosition = 0;
    LocalCopyRecord current;
    std::wstring lastConnectedDocbase;  // once non-empty, never read again
    std::wstring registryFile;          // empty: registry mode; otherwise file mode
    RegistryFileScope registryFileScope = RegistryFileScope::AnyPath;

    // ObjectID = id, FileName = "", details cleared.
    void StartObjectIdQuery(std::wstring_view id);
    // FileName = name, ObjectID = "", details cleared.
    void StartFileNameQuery(std::wstring_view name);
    // Makes a complete record found in a registry file the current one; ObjectID and FileName are
    // taken only where the current ones are empty.
    void AdoptRecord(const LocalCopyRecord& record);

private:
    void ClearDetails();
};

}  // namespace fernwick
