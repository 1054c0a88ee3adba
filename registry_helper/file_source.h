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
    // True when the path names an existing file or directory.
    virtual bool Exists(std::wstring_view path) = 0;
    // Opens a file for reading while other programs may read and write it; null on failure.
    virtual std::unique_ptr<ByteSource> OpenShared(std::wstring_view path) = 0;
};

}  // namespace fernwick
