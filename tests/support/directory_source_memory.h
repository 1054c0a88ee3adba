#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "registry_helper/directory_source.h"

namespace fernwick {

// A tree of folders and files held in memory, for tests. Paths are absolute with "\" between
// names ("C:\Users\tester"), matched without regard to the case of A-Z. A listing gives "." and
// ".." first and then the entries in the order they were added. A folder can be made unreadable,
// and a link can lead to any folder, so that links can loop. A folder's identity is its place in
// memory, the same through every link.
class MemoryDirectorySource final : public DirectorySource {
public:
    MemoryDirectorySource();
    ~MemoryDirectorySource() override;

    // No profile folder until one is set.
    void SetProfileFolder(std::wstring path) { profileFolder_ = std::move(path); }
    // Creates the folder and every missing folder above it.
    void AddFolder(std::wstring_view path);
    // Adds a file (creating its folders) with its last-write time in seconds.
    void AddFile(std::wstring_view path, std::uint64_t lastWriteSeconds);
    // Adds a link, listed as a folder, that leads to the target folder (both created if needed).
    void AddLink(std::wstring_view path, std::wstring_view target);
    // The folder (created if needed) stays listed by its parent but its own search fails.
    void DenyListing(std::wstring_view path);

    // Searches started and not yet ended.
    std::size_t OpenSearchCount() const { return openSearches_; }
    // Searches started in all.
    std::size_t SearchesStarted() const { return searchesStarted_; }

    std::optional<std::wstring> ProfileFolder() override { return profileFolder_; }
    std::unique_ptr<DirectorySearch> StartSearch(std::wstring_view pattern) override;
    std::optional<DirectoryIdentity> Identify(std::wstring_view folder) override;

private:
    struct Folder;
    class Search;

    Folder& CreateFolder(std::wstring_view path);
    Folder* FindFolder(std::wstring_view path);

    std::optional<std::wstring> profileFolder_;
    std::unique_ptr<Folder> root_;
    std::size_t openSearches_ = 0;
    std::size_t searchesStarted_ = 0;
};

}  // namespace fernwick
