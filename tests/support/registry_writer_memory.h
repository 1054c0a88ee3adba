#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "server/registry_writer.h"

namespace fernwick {

// A registry held in memory, for exercising registration without Windows. Key and value names
// match without regard to ASCII case, as in the registry.
class MemoryRegistryWriter final : public RegistryWriter {
public:
    std::int32_t CreateKey(RegistryRoot root, std::wstring_view path) override;
    std::int32_t SetString(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                           std::wstring_view data) override;
    std::int32_t DeleteValue(RegistryRoot root, std::wstring_view path,
                             std::wstring_view name) override;
    std::int32_t DeleteTree(RegistryRoot root, std::wstring_view path) override;
    bool KeyExists(RegistryRoot root, std::wstring_view path) override;
    bool HasSubkeys(RegistryRoot root, std::wstring_view path) override;

    // Every key as "root-number:path", in sorted order; handy for comparing whole registries.
    std::vector<std::wstring> KeyPaths() const;
    std::optional<std::wstring> Value(RegistryRoot root, std::wstring_view path,
                                      std::wstring_view name) const;
    // Makes every later write answer this Win32 error, as a registry that refuses access does.
    void RefuseWrites(std::int32_t error) { refusal_ = error; }

private:
    struct Key {
        std::wstring path;
        std::map<std::wstring, std::pair<std::wstring, std::wstring>> values;  // folded name
    };
    static std::wstring Id(RegistryRoot root, std::wstring_view path);

    std::map<std::wstring, Key> keys_;  // by Id()
    std::int32_t refusal_ = 0;
};

}  // namespace fernwick
