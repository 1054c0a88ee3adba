#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace fernwick {

// Bytes of one open file, read from the start or from a remembered offset.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to size bytes; 0 at the end of the file or on a read error.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // Moves to an absolute byte offset; false when the file cannot be repositioned.
    virtual bool Seek(std::uint64_t offset) = 0;
};

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
