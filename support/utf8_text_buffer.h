#pragma once

#include <cstdint>
#include <cwchar>
#include <exception>
#include <locale>
#include <memory>
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
// - at the start of a line, seekoff(0, cur, in) answers the byte offset where that line begins,
//   and seekpos() returns there.
// Line starts are found again by counting line feeds: each LF unit comes from exactly one LF byte,
// whatever vanished or was dropped around it, so no per-unit map of offsets is kept.
class Utf8TextBuffer : public std::wstreambuf {
public:
    explicit Utf8TextBuffer(ByteSource& bytes);

    // For line readers that look for line ends in bulk rather than unit by unit: the decoded units
    // not yet taken, decoding more when none are left; empty at the end of the text. Throws the
    // facet's error where it comes next, as a read would.
    std::wstring_view Pending() {
        if (gptr() == egptr() && traits_type::eq_int_type(underflow(), traits_type::eof())) {
            return {};
        }
        return std::wstring_view(gptr(), static_cast<std::size_t>(egptr() - gptr()));
    }
    // Takes units from the start of Pending(); they stay readable until it decodes again.
    void Take(std::size_t units) { gbump(static_cast<int>(units)); }

protected:
    void imbue(const std::locale& locale) override;
    int_type underflow() override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    using Codecvt = std::codecvt<wchar_t, char, std::mbstate_t>;

    bool FillBytes();
    std::size_t DecodeChunk(wchar_t* target);
    wchar_t* DropCarriageReturnsBeforeLineFeeds(wchar_t* first, wchar_t* last);

    ByteSource& source_;
    const Codecvt* codecvt_;
    std::mbstate_t state_{};
    std::unique_ptr<char[]> bytes_;
    std::unique_ptr<wchar_t[]> units_;
    std::size_t bytesBegin_ = 0;     // first byte not yet decoded
    std::size_t bytesEnd_ = 0;       // end of the bytes read and not cut off by 1A
    std::uint64_t bytesOffset_ = 0;  // offset in the source of bytes_[bytesBegin_]
    // A known pairing of a unit in the get area with the offset of the byte it came from; it
    // moves forward as line starts are asked for.
    const wchar_t* cursorUnit_ = nullptr;
    std::size_t cursorByte_ = 0;       // index into bytes_
    bool areaStartsLine_ = false;      // the get area's first unit begins a line
    bool textEnded_ = false;           // the source is exhausted or a 1A byte was met
    bool carriageReturnHeld_ = false;  // a CR ended the last chunk; a LF may follow
    std::exception_ptr pendingError_;  // met after the units now in the get area
};

}  // namespace tolk::stdx
