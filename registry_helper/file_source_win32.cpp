#include <windows.h>

#include <memory>
#include <string>

#include "registry_helper/file_source.h"
#include "registry_helper/helper_platform_win32.h"
#include "support/disk_file_information_win32.h"
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

class Win32Files final : public FileSource {
public:
    bool Exists(std::wstring_view path) override {
        return tolk::stdx::DiskFileInformation(path).has_value();
    }

    // Other programs (the client itself) may hold the file open for reading and writing.
    std::unique_ptr<ByteSource> OpenShared(std::wstring_view path) override {
        tolk::stdx::UniqueFileHandle file(CreateFileW(
            std::wstring(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file || !tolk::stdx::DiskFileInformation(file.get())) return nullptr;
        return std::make_unique<Win32ByteSource>(std::move(file));
    }

    bool IsNetworkDrive(std::wstring_view driveRoot) override {
        return GetDriveTypeW(std::wstring(driveRoot).c_str()) == DRIVE_REMOTE;
    }
};

// At namespace scope: see FernwickModule().
Win32Files files;

}  // namespace

FileSource& Win32FileSource() { return files; }

}  // namespace fernwick
