#include "support/utf8_text_stream.h"

#include <utility>

#include "support/utf8_locale.h"

namespace tolk::stdx {

Utf8TextStream::Utf8TextStream(std::unique_ptr<ByteSource> bytes)
    : std::wistream(nullptr), bytes_(std::move(bytes)), buffer_(*bytes_) {
    rdbuf(&buffer_);
    imbue(utf8Locale);
}

}  // namespace tolk::stdx
