#include "registry_helper/directory_source_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cwchar>

#include "support/disk_file_information_win32.h"
#include "support/terminated_text.h"
#include "support/unique_handles_win32.h"

namespace fernwick {

namespace {

constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;

std::uint64_t WholeSeconds(const FILETIME& time) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks / kFileTimeTicksPerSecond;
}

class Win32DirectorySearch final : public DirectorySearch {
public:
    Win32DirectorySearch(tolk::stdx::UniqueFindHandle find, const WIN32_FIND_DATAW& first)
        : find_(std::move(find)), data_(first) {}

    bool Next(DirectoryEntry& entry) override {
        // FindFirstFileW already delivered the first entry.
        if (!firstPending_ && !FindNextFileW(find_.get(), &data_)) return false;
        firstPending_ = false;
        entry.name = std::wstring_view(data_.cFileName, wcsnlen(data_.cFileName, MAX_PATH));
        entry.isDirectory = (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isLink = (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.lastWriteSeconds = WholeSeconds(data_.ftLastWriteTime);
        return true;
    }

private:
    tolk::stdx::UniqueFindHandle find_;
    WIN32_FIND_DATAW data_;
    bool firstPending_ = true;
};

}  // namespace

std::optional<std::wstring> Win32DirectorySource::ProfileFolder() {
    std::array<wchar_t, MAX_PATH> buffer{};
    if (!SHGetSpecialFolderPathW(nullptr, buffer.data(), CSIDL_PROFILE, FALSE)) return {};
    return std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
}

std::unique_ptr<DirectorySearch> Win32DirectorySource::StartSearch(std::wstring_view pattern) {
    // Refused here rather than left to the system, which may accept longer patterns.
    if (pattern.size() > kMaxPatternLength) return nullptr;
    WIN32_FIND_DATAW first;
    tolk::stdx::UniqueFindHandle find(
        FindFirstFileW(tolk::stdx::TerminatedText(pattern).get(), &first));
    if (!find) return nullptr;
    return std::make_unique<Win32DirectorySearch>(std::move(find), first);
}

std::optional<DirectoryIdentity> Win32DirectorySource::Identify(std::wstring_view folder) {
    const auto information = tolk::stdx::DiskFileInformation(folder);
    if (!information) return std::nullopt;
    return DirectoryIdentity{information->dwVolumeSerialNumber,
                             (static_cast<std::uint64_t>(information->nFileIndexHigh) << 32) |
                                 information->nFileIndexLow};
}

}  // namespace fernwick
