#pragma once

#include <memory>
#include <string_view>

#include "support/byte_source.h"

namespace fernwick {

using tolk::stdx::ByteSource;

// The file system as the registry file reader sees it.
class FileSource {
public:
    virtual ~FileSource() = default;
    // True when the path names an existing regular file or directory. Devices, pipes and volumes
    // count as missing, and are answered without waiting on them.
    virtual bool Exists(std::wstring_view path) = 0;
    // Opens a regular file for reading while other programs may read and write it; null on
    // failure and for anything else, whose reads might never return.
    virtual std::unique_ptr<ByteSource> OpenShared(std::wstring_view path) = 0;
    // The same, but null also for a file that does not lie on a local drive once every link on the
    // way to it is followed. Without network drives unless told, every file does.
    virtual std::unique_ptr<ByteSource> OpenSharedOnLocalDrive(std::wstring_view path) {
        return OpenShared(path);
    }
    // True when the drive with this root ("C:\") reaches other machines. Without network drives
    // unless told.
    virtual bool IsNetworkDrive(std::wstring_view /*driveRoot*/) { return false; }
};

}  // namespace fernwick
