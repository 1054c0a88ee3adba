#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "registry_helper/registry_store.h"

namespace fernwick {

// A registry held in memory, for tests: two hives of keys, each key with values of a type and raw
// data. Key names match without regard to the case of A-Z and subkeys are listed in that folded
// order, as the registry does. A key can be made to refuse opening while its parent still lists
// it, as one whose access is denied.
class MemoryRegistryStore final : public RegistryStore {
public:
    // Registry value types; the store keeps them, reading ignores them.
    enum class ValueType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };

    MemoryRegistryStore();
    ~MemoryRegistryStore() override;

    // Creates the key at path and every missing key above it.
    void AddKey(RegistryHive hive, std::wstring_view path);
    // Sets a value (creating its key) to raw data of a type.
    void SetValue(RegistryHive hive, std::wstring_view keyPath, std::wstring_view valueName,
                  ValueType type, std::vector<std::byte> data);
    // Sets a string value stored the usual way: UTF-16LE with a terminating NUL.
    void SetString(RegistryHive hive, std::wstring_view keyPath, std::wstring_view valueName,
                   std::wstring_view text);
    // The key at path (created if needed) stays listed by its parent but no longer opens.
    void DenyAccess(RegistryHive hive, std::wstring_view path);

    // UTF-16LE bytes of text, without a terminator.
    static std::vector<std::byte> Utf16LeBytes(std::wstring_view text);

    // Keys opened and not yet closed.
    std::size_t OpenKeyCount() const { return openKeys_.size(); }
    // Every open request so far, whether the key opened or not.
    std::size_t OpenRequestCount() const { return openRequests_; }

    RegistryKey OpenKey(RegistryHive hive, std::wstring_view path) override;
    RegistryKey OpenKey(const RegistryKey& parent, std::wstring_view path) override;
    bool SubkeyName(const RegistryKey& key, std::uint32_t index, std::wstring& name) override;
    bool QueryText(const RegistryKey& key, std::wstring_view valueName,
                   std::wstring& text) override;

private:
    struct Key;

    void CloseKey(std::uintptr_t token) noexcept override;
    Key& Root(RegistryHive hive);
    Key& CreatePath(RegistryHive hive, std::wstring_view path);
    RegistryKey Open(Key& start, std::wstring_view path);
    Key* Opened(const RegistryKey& key) const;

    std::unique_ptr<Key> currentUser_;
    std::unique_ptr<Key> localMachine_;
    std::map<std::uintptr_t, Key*> openKeys_;
    std::uintptr_t nextToken_ = 1;
    std::size_t openRequests_ = 0;
};

}  // namespace fernwick
