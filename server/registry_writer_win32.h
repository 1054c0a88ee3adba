#pragma once

#include <windows.h>

#include <string>

#include "server/registry_writer.h"
#include "support/unique_handles_win32.h"

namespace fernwick {

// Where the keys of HKEY_CLASSES_ROOT are written: machine-wide, or for the current user alone
// under HKEY_CURRENT_USER\Software\Classes, which Windows merges into that user's view of
// HKEY_CLASSES_ROOT.
enum class ClassesScope { Machine, User };

// The braced text of a GUID, as registry keys name it.
std::wstring GuidText(REFGUID guid);

// The registry writer over advapi32. View is 0 for the caller's own registry view, or
// KEY_WOW64_32KEY / KEY_WOW64_64KEY to open keys in the other one.
class Win32RegistryWriter final : public RegistryWriter {
public:
    explicit Win32RegistryWriter(ClassesScope scope = ClassesScope::Machine, REGSAM view = 0)
        : scope_(scope), view_(view) {}

    std::int32_t CreateKey(RegistryRoot root, std::wstring_view path) override;
    std::int32_t SetString(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                           std::wstring_view data) override;
    std::int32_t DeleteValue(RegistryRoot root, std::wstring_view path,
                             std::wstring_view name) override;
    std::int32_t DeleteTree(RegistryRoot root, std::wstring_view path) override;
    bool KeyExists(RegistryRoot root, std::wstring_view path) override;
    bool HasSubkeys(RegistryRoot root, std::wstring_view path) override;

private:
    struct Location {
        HKEY root;
        std::wstring path;
    };
    Location Locate(RegistryRoot root, std::wstring_view path) const;
    LSTATUS OpenKey(RegistryRoot root, std::wstring_view path, REGSAM access,
                    tolk::stdx::UniqueHkey& key) const;

    ClassesScope scope_;
    REGSAM view_;
};

}  // namespace fernwick
