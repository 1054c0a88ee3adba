#pragma once

#include <windows.h>

#include "registry_helper/registry_store.h"

namespace fernwick {

// The live Windows registry, read with RegOpenKeyExW, RegEnumKeyExW and RegQueryValueExW. It
// keeps no state: every buffer belongs to the call, so one instance serves every thread.
class Win32RegistryStore final : public RegistryStore {
public:
    RegistryKey OpenKey(RegistryHive hive, std::wstring_view path) override;
    RegistryKey OpenKey(const RegistryKey& parent, std::wstring_view path) override;
    bool SubkeyName(const RegistryKey& key, std::uint32_t index, std::wstring& name) override;
    bool QueryText(const RegistryKey& key, std::wstring_view valueName,
                   std::wstring& text) override;

private:
    RegistryKey OpenBelow(HKEY parent, std::wstring_view path);
    void CloseKey(std::uintptr_t token) noexcept override;
};

}  // namespace fernwick
