#include "support/disk_file_information_win32.h"

#include "support/terminated_text.h"
#include "support/unique_handles_win32.h"

namespace tolk::stdx {

std::optional<BY_HANDLE_FILE_INFORMATION> DiskFileInformation(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information)) {
        return std::nullopt;
    }
    return information;
}

std::optional<BY_HANDLE_FILE_INFORMATION> DiskFileInformation(std::wstring_view path) {
    const UniqueFileHandle entry(CreateFileW(
        TerminatedText(path).get(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!entry) return std::nullopt;
    return DiskFileInformation(entry.get());
}

}  // namespace tolk::stdx
