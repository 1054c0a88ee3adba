#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "registry_helper/local_copy_record.h"

namespace fernwick {

// What one registry helper object remembers between calls: its current record, the walk position
// of the last list walk, the cached last connected docbase and the registry file path. The
// registry lookups and the registry file reader both work on it.
struct LookupState {
    std::uint32_t enumerationPosition = 0;
    LocalCopyRecord current;
    std::wstring lastConnectedDocbase;  // once non-empty, never read again
    std::wstring registryFile;          // empty: registry mode; otherwise file mode

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
