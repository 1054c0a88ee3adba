#pragma once

#include "server/registry_writer.h"

namespace fernwick {

// The registry writer over advapi32.
class Win32RegistryWriter final : public RegistryWriter {
public:
    std::int32_t CreateKey(RegistryRoot root, std::wstring_view path) override;
    std::int32_t SetString(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                           std::wstring_view data) override;
    std::int32_t DeleteValue(RegistryRoot root, std::wstring_view path,
                             std::wstring_view name) override;
    std::int32_t DeleteTree(RegistryRoot root, std::wstring_view path) override;
    bool KeyExists(RegistryRoot root, std::wstring_view path) override;
    bool HasSubkeys(RegistryRoot root, std::wstring_view path) override;
};

}  // namespace fernwick
