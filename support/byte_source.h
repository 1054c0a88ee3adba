#pragma once

#include <cstddef>
#include <cstdint>

namespace tolk::stdx {

// Bytes of one open file, read from the start or from a remembered offset.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to size bytes; fewer only at the end of the file, 0 there or on a read error.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // Moves to an absolute byte offset; false when the file cannot be repositioned.
    virtual bool Seek(std::uint64_t offset) = 0;
};

}  // namespace tolk::stdx
