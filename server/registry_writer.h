#pragma once

#include <cstdint>
#include <string_view>

#include "server/registry_script.h"

namespace fernwick {

// Write access to the registry for self-registration. Paths are relative to the root and use
// backslashes; an empty value name is the key's default value. Operations answer 0 on success and
// a Win32 error code otherwise; deleting what is already absent succeeds.
class RegistryWriter {
public:
    virtual ~RegistryWriter() = default;
    virtual std::int32_t CreateKey(RegistryRoot root, std::wstring_view path) = 0;
    virtual std::int32_t SetString(RegistryRoot root, std::wstring_view path,
                                   std::wstring_view name, std::wstring_view data) = 0;
    virtual std::int32_t DeleteValue(RegistryRoot root, std::wstring_view path,
                                     std::wstring_view name) = 0;
    // Deletes the key with every subkey and value below it.
    virtual std::int32_t DeleteTree(RegistryRoot root, std::wstring_view path) = 0;
    virtual bool KeyExists(RegistryRoot root, std::wstring_view path) = 0;
    virtual bool HasSubkeys(RegistryRoot root, std::wstring_view path) = 0;
};

}  // namespace fernwick
