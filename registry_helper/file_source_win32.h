#pragma once

#include "registry_helper/file_source.h"

namespace fernwick {

// The real file system as the registry file reader sees it: only a regular file on a disk counts
// as a registry file, so devices, pipes and volumes, which could block a read for ever, count as
// missing. It keeps no state; each open file has an owner of its own.
class Win32FileSource final : public FileSource {
public:
    bool Exists(std::wstring_view path) override;
    // Other programs (the client itself) may hold the file open for reading and writing.
    std::unique_ptr<ByteSource> OpenShared(std::wstring_view path) override;
    // Judges the file that was opened: its final path must be a plain drive path on a drive that
    // is no network drive.
    std::unique_ptr<ByteSource> OpenSharedOnLocalDrive(std::wstring_view path) override;
    bool IsNetworkDrive(std::wstring_view driveRoot) override;
};

}  // namespace fernwick
