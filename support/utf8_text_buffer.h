#pragma once

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <exception>
#include <locale>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>

#include "support/byte_source.h"
#include "support/find_unit.h"

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

    // The bytes read from the source at a time: a block, and a large block once the first
    // kLargeSource bytes of the source are read. A larger block saves reads of a large file, but
    // costs more than it saves in a file of a megabyte, where each lookup's buffer is new.
    static constexpr std::size_t kByteBlock = 64 * 1024;
    static constexpr std::size_t kLargeByteBlock = 256 * 1024;
    static constexpr std::uint64_t kLargeSource = 1024 * 1024;

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

    // A line ahead whose text its bytes tell without decoding it: it lies whole among the bytes
    // read, ends in a line feed, and holds only well-formed UTF-8.
    struct PlainLine {
        // The bytes of its text: without zero bytes, which yield nothing, its line feed, and a
        // carriage return that comes directly before the line feed once they are gone.
        std::string_view bytes;
        const char* start;  // its first byte among the bytes read
    };
    // For scans that pass over most lines: the line that begins at the read position, when it is
    // plain and none of it is decoded yet; nothing otherwise. The next decoding then ends with that
    // line, so that the line after it can be looked at in the same way.
    std::optional<PlainLine> PeekPlainLine();
    // Passes over the line PeekPlainLine answered, as reading it would.
    void SkipPeekedLine() { SkipBytesTo(std::exchange(peekedEnd_, 0)); }
    // The mark of a plain line while it is peeked or handed to a passable: nothing of it is
    // decoded, so it is marked by its own first byte.
    LineMark MarkOf(const PlainLine& line) const {
        const auto inBlock = static_cast<std::size_t>(line.start - bytes_.get());
        return LineMark{bytesOffset_ - bytesBegin_ + inBlock, 0};
    }

    // For scans that pass whole lines by their bytes: the run of plain bytes ahead of the read
    // position, which is a line start once a peeked line is skipped. Up to kLookAhead bytes
    // behind it may be read; they are zero past the bytes read.
    static constexpr std::size_t kLookAhead = 63;
    struct PlainRun {
        const char* first;
        const char* end;
    };
    PlainRun PlainRunAhead() const {
        const char* const bytes = bytes_.get();
        return {bytes + bytesBegin_, bytes + std::max(plainEnd_, bytesBegin_)};
    }
    // The plain line from lineStart to its line feed, both in the run ahead.
    PlainLine LineAt(const char* lineStart, const char* lineFeed);
    // Passes over the run ahead up to lineStart, as reading its lines would.
    void PassTo(const char* lineStart) {
        SkipBytesTo(static_cast<std::size_t>(lineStart - bytes_.get()));
    }
    // Passes over the run ahead up to the line from lineStart to lineFeed, and leaves it peeked.
    void StopAt(const char* lineStart, const char* lineFeed) {
        PassTo(lineStart);
        peekedEnd_ = static_cast<std::size_t>(lineFeed + 1 - bytes_.get());
    }
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

    void SkipBytesTo(std::size_t next) {
        bytesOffset_ += next - bytesBegin_;
        bytesBegin_ = next;
    }
    // Reads the next block behind the kept bytes that follow bytesBegin_.
    bool FillBytes(std::size_t kept = 0);
    std::size_t DecodeChunk(wchar_t* target);
    // Makes the get area the line that begins at first, as far as it is decoded.
    void StartLineArea(wchar_t* first);
    // The mark of the line that follows the get area, when the area ends one.
    std::optional<LineMark> MarkAfterArea() const;
    bool Reposition(std::uint64_t offset);
    // Drops the units decoded past the read position when it is at a line start, so that decoding
    // goes on from that line's first byte; false inside a line or where its bytes are not held.
    bool RestartAtLineStart();
    // Forgets the units decoded and the decoder's state, as before the first decoding.
    void DropDecoded();

    ByteSource& source_;
    const Codecvt* codecvt_;
    bool judgesBytes_ = true;  // the facet decodes UTF-8 by the rules PeekPlainLine applies
    std::mbstate_t state_{};
    std::unique_ptr<char[]> bytes_;
    std::size_t blockSize_ = kByteBlock;  // the bytes read at a time, kLookAhead more held
    std::unique_ptr<wchar_t[]> units_;
    std::string zeroFree_;              // the text of the last plain line that held zero bytes
    std::size_t bytesBegin_ = 0;        // first byte not yet decoded
    std::size_t bytesEnd_ = 0;          // end of the bytes read and not cut off by 1A
    std::size_t plainEnd_ = 0;          // a run of plain bytes ends here, if past bytesBegin_
    std::size_t peekedEnd_ = 0;         // just past the peeked line's line feed; 0 for none
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
