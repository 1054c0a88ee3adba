#include "support/disk_file_information_win32.h"

#include <string>

#include "support/terminated_text.h"
#include "support/unique_handles_win32.h"

namespace tolk::stdx {
namespace {

UniqueFileHandle OpenForNoAccess(std::wstring_view path) {
    return UniqueFileHandle(CreateFileW(
        TerminatedText(path).get(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

bool IsOnDisk(HANDLE file) {
    FILE_BASIC_INFO basic;
    return GetFileType(file) == FILE_TYPE_DISK &&
           GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic);
}

std::wstring FinalPath(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        // The length asked for counts the terminating NUL.
        path.resize(length);
    }
}

bool IsOnDisk(std::wstring_view path) {
    const UniqueFileHandle entry = OpenForNoAccess(path);
    return entry && IsOnDisk(entry.get());
}

std::optional<BY_HANDLE_FILE_INFORMATION> DiskFileInformation(std::wstring_view path) {
    const UniqueFileHandle entry = OpenForNoAccess(path);
    BY_HANDLE_FILE_INFORMATION information;
    if (!entry || !IsOnDisk(entry.get()) ||
        !GetFileInformationByHandle(entry.get(), &information)) {
        return std::nullopt;
    }
    return information;
}

}  // namespace tolk::stdx
