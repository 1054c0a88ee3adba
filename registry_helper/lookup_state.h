#pragma once

#include <cstdint>
#include <optional>
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
    friend class LookupTransaction;

    // Empties the record and the walk position for a new query. During a transaction the first
    // query moves the record it replaces into the transaction.
    void StartRecord() noexcept;

    std::optional<LocalCopyRecord>* replacedRecord_ = nullptr;
};

// Runs one lookup on a LookupState in place, so that a lookup copies nothing of what the state
// holds, and puts back what the lookup changed unless it is committed: the record that it
// replaced (kept by move), the walk position, and the docbase cache if the lookup filled it. A
// lookup changes nothing else.
class LookupTransaction {
public:
    explicit LookupTransaction(LookupState& state) noexcept;
    ~LookupTransaction();
    LookupTransaction(const LookupTransaction&) = delete;
    LookupTransaction& operator=(const LookupTransaction&) = delete;

    void Commit() noexcept { committed_ = true; }

private:
    LookupState& state_;
    std::optional<LocalCopyRecord> replacedRecord_;
    const std::uint32_t enumerationPosition_;
    const bool cacheWasEmpty_;
    bool committed_ = false;
};

}  // namespace fernwick
