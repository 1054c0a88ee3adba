#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/unique_resource.h"

namespace fernwick {

class RegistryStore;

// The two hives that the client's entries are read from.
enum class RegistryHive { CurrentUser, LocalMachine };

// A key as a store hands it out: the store that closes it and the store's own token for it.
struct OpenRegistryKey {
    RegistryStore* store = nullptr;
    std::uintptr_t token = 0;

    bool operator==(const OpenRegistryKey&) const = default;
};

void CloseRegistryKey(OpenRegistryKey key) noexcept;

// Owns one open key and closes it through the store that opened it.
using RegistryKey = tolk::stdx::UniqueResource<OpenRegistryKey, CloseRegistryKey>;

// Read access to the registry: open a key, name a subkey by index, query a value as text, close a
// key. The Windows build reads the live registry; tests use an in-memory store.
//
// Every key comes back in an owner, so no key outlives the lookup that opened it. Nothing here
// reports an error: a key that does not open is an empty owner, a subkey or value that cannot be
// read is false, and an out-parameter is left as it was whenever false is answered.
class RegistryStore {
public:
    // Subkey names are read into a buffer of this many characters; the registry limits key names
    // to 255, so no name is ever cut.
    static constexpr std::size_t kNameBufferChars = 2048;

    virtual ~RegistryStore() = default;

    // Opens path (relative, components separated by "\") below a hive, with read access.
    virtual RegistryKey OpenKey(RegistryHive hive, std::wstring_view path) = 0;
    // Opens path below an open key, with read access.
    virtual RegistryKey OpenKey(const RegistryKey& parent, std::wstring_view path) = 0;
    // Writes the name of the subkey at a 0-based index into name; false when there is no such
    // subkey or the listing fails.
    virtual bool SubkeyName(const RegistryKey& key, std::uint32_t index, std::wstring& name) = 0;
    // Writes a value's data as text into text, by the rule of AssignValueText; false when the
    // value is absent, too large or unreadable.
    virtual bool QueryText(const RegistryKey& key, std::wstring_view valueName,
                           std::wstring& text) = 0;

protected:
    RegistryKey Adopt(std::uintptr_t token) { return RegistryKey(OpenRegistryKey{this, token}); }

private:
    friend void CloseRegistryKey(OpenRegistryKey key) noexcept;
    virtual void CloseKey(std::uintptr_t token) noexcept = 0;
};

inline void CloseRegistryKey(OpenRegistryKey key) noexcept { key.store->CloseKey(key.token); }

}  // namespace fernwick
