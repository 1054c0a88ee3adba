#pragma once

#include <cstddef>
#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fernwick {

// One entry of a directory listing.
struct DirectoryEntry {
    std::wstring_view name;  // valid until the search moves on or ends
    bool isDirectory = false;
    bool isLink = false;  // a link (symbolic link, junction, mount point) may lead anywhere
    std::uint64_t lastWriteSeconds = 0;  // last-write time in whole seconds
};

// What tells one directory from another however it is reached: a directory met again through
// a link has the same identity.
struct DirectoryIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;

    auto operator<=>(const DirectoryIdentity&) const = default;
};

// A running directory search; destroying it ends the search.
class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;
    // The next entry in the order the file system lists them; false when there is none left.
    virtual bool Next(DirectoryEntry& entry) = 0;
};

// The file system as the configuration file finder sees it: the user's profile folder and
// directory searches. The Windows build reads the real ones; tests use an in-memory tree.
class DirectorySource {
public:
    // Longer patterns are refused without a search.
    static constexpr std::size_t kMaxPatternLength = 259;

    virtual ~DirectorySource() = default;
    // The user's profile folder, or nothing when it cannot be had.
    virtual std::optional<std::wstring> ProfileFolder() = 0;
    // Starts a search over a pattern such as "C:\folder\*.*"; null when the folder is absent or
    // unreadable, or the pattern is too long.
    virtual std::unique_ptr<DirectorySearch> StartSearch(std::wstring_view pattern) = 0;
    // The identity of a folder ("C:\folder"); nothing when the system does not give one.
    virtual std::optional<DirectoryIdentity> Identify(std::wstring_view folder) = 0;
};

}  // namespace fernwick
