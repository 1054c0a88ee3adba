#pragma once

#include "registry_helper/directory_source.h"

namespace fernwick {

// The real file system: the profile folder from SHGetSpecialFolderPathW, directory searches
// with FindFirstFileW and FindNextFileW, and a folder's identity from its volume serial number
// and file index. It keeps no state; each search owns its find handle.
class Win32DirectorySource final : public DirectorySource {
public:
    std::optional<std::wstring> ProfileFolder() override;
    std::unique_ptr<DirectorySearch> StartSearch(std::wstring_view pattern) override;
    std::optional<DirectoryIdentity> Identify(std::wstring_view folder) override;
};

}  // namespace fernwick
