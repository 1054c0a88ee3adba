#pragma once

#include <istream>
#include <memory>

#include "support/byte_source.h"
#include "support/utf8_text_buffer.h"

namespace tolk::stdx {

// A wide input stream over the bytes of one open file, decoded as UTF-8 through utf8Locale. Its
// exception mask stays empty: a malformed byte turns the stream bad.
class Utf8TextStream : public std::wistream {
public:
    explicit Utf8TextStream(std::unique_ptr<ByteSource> bytes);

    Utf8TextBuffer& Buffer() { return buffer_; }

private:
    std::unique_ptr<ByteSource> bytes_;
    Utf8TextBuffer buffer_;
};

}  // namespace tolk::stdx
