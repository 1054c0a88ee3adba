#include "support/disk_file_information_win32.h"

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
