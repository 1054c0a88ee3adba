#include "registry_helper/file_source_win32.h"

#include <windows.h>

#include <memory>
#include <string>

#include "registry_helper/registry_file_path.h"
#include "support/debug_output_win32.h"
#include "support/disk_file_information_win32.h"
#include "support/terminated_text.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

class Win32ByteSource final : public ByteSource {
public:
    explicit Win32ByteSource(tolk::stdx::UniqueFileHandle file) : file_(std::move(file)) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            const DWORD request = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
            DWORD read = 0;
            if (!ReadFile(file_.get(), buffer + total, request, &read, nullptr) || read == 0) break;
            total += read;
        }
        return total;
    }

    bool Seek(std::uint64_t offset) override {
        LARGE_INTEGER distance;
        distance.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(file_.get(), distance, nullptr, FILE_BEGIN) != 0;
    }

private:
    tolk::stdx::UniqueFileHandle file_;
};

void TraceUnopened(std::wstring_view path, DWORD error) {
    tolk::stdx::TraceLine(L"registry file " + std::wstring(path) + L" could not be opened: error " +
                          std::to_wstring(error));
}

// A regular file on a disk, open for reading while other programs may read and write it.
tolk::stdx::UniqueFileHandle OpenDiskFile(std::wstring_view path) {
    tolk::stdx::UniqueFileHandle file(CreateFileW(
        tolk::stdx::TerminatedText(path).get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file && !tolk::stdx::IsOnDisk(file.get())) file.reset();
    if (!file) TraceUnopened(path, GetLastError());
    return file;
}

}  // namespace

bool Win32FileSource::Exists(std::wstring_view path) { return tolk::stdx::IsOnDisk(path); }

std::unique_ptr<ByteSource> Win32FileSource::OpenShared(std::wstring_view path) {
    tolk::stdx::UniqueFileHandle file = OpenDiskFile(path);
    if (!file) return nullptr;
    return std::make_unique<Win32ByteSource>(std::move(file));
}

std::unique_ptr<ByteSource> Win32FileSource::OpenSharedOnLocalDrive(std::wstring_view path) {
    tolk::stdx::UniqueFileHandle file = OpenDiskFile(path);
    if (!file) return nullptr;
    // The same rules as for the path given, without the "\\?\" that the system puts first.
    const std::wstring final = tolk::stdx::FinalPath(file.get());
    constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";
    if (!final.starts_with(kLongPathPrefix)) return nullptr;
    const std::wstring_view finalDrivePath =
        std::wstring_view(final).substr(kLongPathPrefix.size());
    if (!IsPlainDrivePath(finalDrivePath) || IsNetworkDrive(DriveRoot(finalDrivePath))) {
        return nullptr;
    }
    return std::make_unique<Win32ByteSource>(std::move(file));
}

bool Win32FileSource::IsNetworkDrive(std::wstring_view driveRoot) {
    return GetDriveTypeW(tolk::stdx::TerminatedText(driveRoot).get()) == DRIVE_REMOTE;
}

}  // namespace fernwick
