#pragma once

#include <cstdint>
#include <cwchar>
#include <exception>
#include <locale>
#include <memory>
#include <optional>
#include <streambuf>
#include <string_view>

#include "support/byte_source.h"

namespace tolk::stdx {

// Wide text read from a byte source through the imbued locale's conversion facet, the way the
// registry file reader needs it:
// - the units converted ahead of a malformed byte are delivered first; the facet's exception then
//   comes out of the next read, which the owning stream turns into its bad state;
// - a carriage return directly before a line feed is dropped, and the byte 1A ends the text;
// - a byte-order mark at the very start of the bytes is skipped;
// - a line start can be marked and returned to later.
// The get area holds one line at a time (or the part of it decoded so far), so that a line reader
// finds the line's end without searching, and dropping a CR means writing the LF over it rather
// than moving the rest of the text.
class Utf8TextBuffer final : public std::wstreambuf {
public:
    // Where a line begins: the byte offset of the chunk it was decoded from and how many line feeds
    // come before it in that chunk. Each LF unit comes from exactly one LF byte, whatever vanished
    // or was dropped around it, so the line's own byte offset is found again by counting; that is
    // done only when a scan returns there, which makes marking a line free.
    struct LineMark {
        std::uint64_t chunkOffset = 0;
        std::size_t lineFeedsBefore = 0;
    };

    explicit Utf8TextBuffer(ByteSource& bytes);

    // For line readers: the rest of the current line, up to and including its line feed once that
    // is decoded, decoding more when none is left; empty at the end of the text. Throws the facet's
    // error where it comes next, as a read would.
    std::wstring_view Pending() {
        if (gptr() == egptr() && traits_type::eq_int_type(underflow(), traits_type::eof())) {
            return {};
        }
        return std::wstring_view(gptr(), static_cast<std::size_t>(egptr() - gptr()));
    }
    // Takes units from the start of Pending(); they stay readable until the next Pending().
    void Take(std::size_t units) { gbump(static_cast<int>(units)); }

    // The mark of the line that begins at the read position; nothing inside a line.
    std::optional<LineMark> MarkLineStart() const;
    // Goes back to a marked line start; false when the source cannot be repositioned or no longer
    // holds the line feeds counted.
    bool ReturnTo(const LineMark& mark);

protected:
    void imbue(const std::locale& locale) override;
    int_type underflow() override;

private:
    using Codecvt = std::codecvt<wchar_t, char, std::mbstate_t>;

    bool FillBytes();
    std::size_t DecodeChunk(wchar_t* target);
    // Makes the get area the line that begins at first, as far as it is decoded.
    void StartLineArea(wchar_t* first);
    // The mark of the line that follows the get area, when the area ends one.
    std::optional<LineMark> MarkAfterArea() const;
    bool Reposition(std::uint64_t offset);

    ByteSource& source_;
    const Codecvt* codecvt_;
    std::mbstate_t state_{};
    std::unique_ptr<char[]> bytes_;
    std::unique_ptr<wchar_t[]> units_;
    std::size_t bytesBegin_ = 0;        // first byte not yet decoded
    std::size_t bytesEnd_ = 0;          // end of the bytes read and not cut off by 1A
    std::uint64_t bytesOffset_ = 0;     // offset in the source of bytes_[bytesBegin_]
    wchar_t* nextLine_ = nullptr;       // first decoded unit after the get area
    wchar_t* decodedEnd_ = nullptr;     // end of the units decoded from the current chunk
    std::uint64_t chunkOffset_ = 0;     // offset in the source of the current chunk's first byte
    std::size_t lineFeedsBefore_ = 0;   // line feeds of the current chunk before the get area
    std::optional<LineMark> areaMark_;  // where the get area's line begins, if it does
    bool textEnded_ = false;            // the source is exhausted or a 1A byte was met
    bool carriageReturnHeld_ = false;   // a CR ended the last chunk; a LF may follow
    std::exception_ptr pendingError_;   // met after the units decoded from the current chunk
};

}  // namespace tolk::stdx
