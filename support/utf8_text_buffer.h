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
#include "support/line_window_bits.h"

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
    // What a scan that passes over most lines needs to see of them; a line may be seen though it
    // need not be.
    struct LineSieve {
        // Lines that begin with these bytes (the first two of them at most are looked at), in
        // either case, and hold from shortest to longest bytes (none where shortest is the
        // larger);
        std::string_view start;
        std::size_t shortest = 1;
        std::size_t longest = 0;
        // lines that hold these bytes where a path may stand: after a space, a byte below it, "<"
        // or
        // "=", and before one of those;
        std::string_view path;
        // and of the lines whose text begins with this byte (none where it is zero), the two
        // latest before each line seen for the above and before the scan stops, for a scan that
        // keeps no more of them.
        char latestLead = '\0';
    };
    // Passes over plain lines ahead while passable(line) holds, as reading them would; stops before
    // any other line, which is left peeked when it is plain. Lines that the sieve lets through and
    // lines longer than longestUnseen (at least 64) are handed to passable; the others pass by
    // their bytes, 64 at a time, so that the cost of a run of lines does not depend on how many it
    // holds. Lines that are not plain, or lie across the end of the bytes read, are handed over
    // all.
    template <typename Passable>
    void SkipPlainLines(const Passable& passable, const LineSieve& sieve,
                        std::size_t longestUnseen) {
        for (;;) {
            const auto line = PeekPlainLine();
            if (!line || !passable(*line)) return;
            SkipPeekedLine();
            if (!SkipPlainRunLines(passable, sieve, longestUnseen)) return;
        }
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
    // The fast part of SkipPlainLines, after a line was passed over: the lines that lie whole in
    // the run of plain bytes that follows, which the block's first look or PeekPlainLine found.
    // Since a character's bytes never fall below 80 but for ASCII, the bytes sought mark the
    // lines alike in any text, and a line holds no more units than bytes. False when it stopped
    // at a line, which it leaves peeked.
    template <typename Passable>
    bool SkipPlainRunLines(const Passable& passable, const LineSieve& sieve,
                           std::size_t longestUnseen) {
        const char* const bytes = bytes_.get();
        const char* const runEnd = bytes + std::max(plainEnd_, bytesBegin_);
        const char* const firstLine = bytes + bytesBegin_;
        const auto hand = [&](const char* lineStart, const char* lineFeed) {
            if (passable(LineAt(lineStart, lineFeed))) return true;
            SkipBytesTo(static_cast<std::size_t>(lineStart - bytes));
            peekedEnd_ = static_cast<std::size_t>(lineFeed + 1 - bytes);
            return false;
        };
        // Of the lines passed unseen since the last line handed over, those whose text begins with
        // a latest lead are marked by it as the windows pass; the two latest that lie whole before
        // end are handed over.
        LatestMarks leadLines;
        const auto handLatest = [&](const char* end) {
            return leadLines.HandBefore(end, [&](const char* lead) {
                const char* lineStart = lead;
                while (lineStart != firstLine && lineStart[-1] == '\0') --lineStart;
                return hand(lineStart, FindUnit(lead, end, '\n'));
            });
        };
        const ByteBits64 latestLeadBits(sieve.latestLead);
        const ByteBits64 lineFeedBits('\n');
        const bool byStart = sieve.shortest <= sieve.longest;
        const std::size_t startBytes = std::min<std::size_t>(sieve.start.size(), 2);
        const ByteBits64<true> firstStartBits(startBytes > 0 ? sieve.start[0] : '\0');
        const ByteBits64<true> secondStartBits(startBytes > 1 ? sieve.start[1] : '\0');
        // The path's first byte, the byte after it and its last byte (or the last the padding
        // behind the bytes lets a window look at), the rarer pair first: a path is mostly met as
        // the start of a longer one.
        const std::string_view path = sieve.path;
        const std::size_t last = std::min<std::size_t>(path.size(), kLookAhead + 1) - 1;
        const ByteBits64 pathBits(path.empty() ? '\0' : path.front());
        const ByteBits64 lastBits(path.empty() ? '\0' : path[last]);
        const auto reach = static_cast<unsigned>(std::min<std::size_t>(sieve.shortest, 64));
        // A line that holds zero bytes may hide a line sought behind them: it is seen when it is
        // long enough to hold one, or where its text begins with a latest lead.
        const ByteBits64 zeroBits('\0');
        const std::size_t zeroLineShortest =
            std::min(byStart ? sieve.shortest : SIZE_MAX, path.empty() ? SIZE_MAX : path.size());
        const auto zeroReach = static_cast<unsigned>(std::min<std::size_t>(zeroLineShortest, 64));
        // A window that holds a line feed and none of the bytes the lines sought begin with or hold
        // is passed by that test alone, unless a line open at its start was marked. The test is
        // left out after a window that held some, as where they are dense it would mostly fail.
        const bool everyLineSought = byStart && startBytes == 0;
        bool lastFound = true;
        const AnyOfBytes64 sought(startBytes > 0 ? sieve.start[0] : '\0', sieve.latestLead,
                                  path.empty() ? '\0' : path.front());
        // Of the line open at a window's start: where it begins, whether it begins with a lead,
        // holds the path or a zero byte, or holds nothing but zero bytes so far; and the line
        // starts of the window before.
        const char* openLine = firstLine;
        bool openLead = false;
        bool openPath = false;
        bool openZero = false;
        bool openZerosOnly = false;
        std::uint64_t earlierStarts = 0;
        for (const char* window = openLine;; window += 64) {
            if (!everyLineSought && !openLead && !openPath && !openZero && !openZerosOnly &&
                !lastFound) {
                window = PassQuietWindows(window, runEnd, sought, longestUnseen, openLine,
                                          earlierStarts);
            }
            if (runEnd - window < 64) break;
            const std::uint64_t lineFeeds = lineFeedBits.In(window);
            // A line begins at the window's start where the window before ended with a line feed.
            const std::uint64_t starts = lineFeeds << 1 | (window == openLine);
            const auto lineStartBefore = [&](unsigned lineFeed) {
                const std::uint64_t before = lineFeeds & ((std::uint64_t{1} << lineFeed) - 1);
                return before == 0 ? openLine : AfterLastLineFeed(window, before);
            };
            std::uint64_t leads = 0;
            std::uint64_t seen = 0;
            const bool sifted = everyLineSought || openLead || openPath || openZero || lastFound ||
                                sought.In(window);
            std::uint64_t found = 0;  // places of bytes sought, as far as the masks made tell
            // Where the lines' text begins: at their first byte, or past the zero bytes they begin
            // with, where a carry that starts at the line's first byte comes to rest.
            const std::uint64_t zeros = sifted ? zeroBits.In(window) : 0;
            std::uint64_t textStarts = starts;
            if (zeros != 0 || openZerosOnly) {
                const std::uint64_t from = starts | openZerosOnly;
                std::uint64_t past = 0;
                openZerosOnly = __builtin_add_overflow(zeros, from & zeros, &past);
                textStarts = (from | past) & ~zeros;
            }
            if (sifted && sieve.latestLead != '\0') {
                const std::uint64_t leadBytes = latestLeadBits.In(window);
                found |= leadBytes;
                leads = textStarts & leadBytes;
            }
            if (sifted && byStart) {
                std::uint64_t leadStarts = starts;
                if (startBytes > 0) {
                    const std::uint64_t firstBytes = firstStartBits.In(window);
                    found |= firstBytes;
                    leadStarts &= firstBytes;
                }
                if (leadStarts != 0 && startBytes > 1) leadStarts &= secondStartBits.In(window + 1);
                if (leadStarts != 0 || openLead) {
                    std::uint64_t ends = MarkedLineEnds(lineFeeds, leadStarts, openLead);
                    // Where many lines are marked, the short ones among them are dropped at once.
                    if (reach > 1 && HoldsMoreThanTwo(ends))
                        ends &= ~NearStarts(starts, earlierStarts, reach);
                    // The few left are measured one by one; a carriage return may end them.
                    for (std::uint64_t left = ends; left != 0; left &= left - 1) {
                        const auto at = static_cast<unsigned>(__builtin_ctzll(left));
                        const auto length =
                            static_cast<std::size_t>(window + at - lineStartBefore(at));
                        if (length < sieve.shortest || (length != 0 && length - 1 > sieve.longest))
                            ends &= ~(left & -left);
                    }
                    seen |= ends;
                }
            }
            if (sifted && !path.empty()) {
                std::uint64_t marks = pathBits.In(window);
                found |= marks;
                if (marks != 0 && path.size() <= kLookAhead)
                    marks &= PathBoundaryBits64(window + path.size());
                // The byte before a window is among the bytes read but for the block's first.
                if (marks != 0) {
                    const bool boundaryBefore = window == bytes || IsPathBoundary(window[-1]);
                    marks &= PathBoundaryBits64(window) << 1 | boundaryBefore;
                }
                if (marks != 0 && last != 0) marks &= lastBits.In(window + last);
                if (marks != 0 || openPath) seen |= MarkedLineEnds(lineFeeds, marks, openPath);
            }
            if (zeroLineShortest != SIZE_MAX && (zeros != 0 || openZero)) {
                std::uint64_t ends = MarkedLineEnds(lineFeeds, zeros, openZero);
                if (zeroReach > 1 && HoldsMoreThanTwo(ends))
                    ends &= ~NearStarts(starts, earlierStarts, zeroReach);
                for (std::uint64_t left = ends; left != 0; left &= left - 1) {
                    const auto at = static_cast<unsigned>(__builtin_ctzll(left));
                    if (static_cast<std::size_t>(window + at - lineStartBefore(at)) <
                        zeroLineShortest)
                        ends &= ~(left & -left);
                }
                seen |= ends;
            }
            if (lineFeeds != 0 && FirstLineLonger(window, lineFeeds, openLine, longestUnseen))
                seen |= lineFeeds & -lineFeeds;
            for (; seen != 0; seen &= seen - 1) {
                const auto at = static_cast<unsigned>(__builtin_ctzll(seen));
                const char* const lineStart = lineStartBefore(at);
                const std::uint64_t upToLineFeed = (std::uint64_t{2} << at) - 1;
                leadLines.Add(window, leads & upToLineFeed);
                leads &= ~upToLineFeed;
                if (!handLatest(lineStart) || !hand(lineStart, window + at)) return false;
            }
            leadLines.Add(window, leads);
            lastFound = found != 0;
            if (lineFeeds != 0) openLine = AfterLastLineFeed(window, lineFeeds);
            earlierStarts = starts;
        }
        if (!handLatest(openLine)) return false;
        SkipBytesTo(static_cast<std::size_t>(openLine - bytes));
        return true;
    }
    // Passes the windows from window on, up to runEnd, while each holds a line feed and none of the
    // bytes sought, and no line that ends in them can be longer than longestUnseen bytes; keeps
    // where the line open after them begins; answers the first window not passed. Only the
    // windows' tests are made as they pass: the line that ends in one began after the line feed
    // of the one before, and the line feeds of the last one tell where the open line begins.
    // Written apart so that its few values stay in registers.
    static const char* PassQuietWindows(const char* window, const char* runEnd,
                                        const AnyOfBytes64& sought, std::size_t longestUnseen,
                                        const char*& openLine, std::uint64_t& earlierStarts) {
        const char* const first = window;
        // No line open at the window's start began before this.
        const char* openSince = openLine;
        for (; runEnd - window >= 64 &&
               static_cast<std::size_t>(window + 64 - openSince) <= longestUnseen &&
               sought.QuietIn(window);
             window += 64) {
            openSince = window;
        }
        if (window == first) return window;
        // No line that began in them is sought, so that none of their line starts are kept.
        earlierStarts = 0;
        openLine = AfterLastLineFeed(window - 64, ByteBits64('\n').In(window - 64));
        return window;
    }
    // Where the line after the last of a window's line feeds (lineFeeds is not 0) begins.
    static const char* AfterLastLineFeed(const char* window, std::uint64_t lineFeeds) {
        return window + (64 - __builtin_clzll(lineFeeds));
    }
    // Whether the line that the window's first line feed ends, which begins at lineStart, is
    // longer than longest bytes; only the window's first line can be longer than 64.
    static bool FirstLineLonger(const char* window, std::uint64_t lineFeeds, const char* lineStart,
                                std::size_t longest) {
        return static_cast<std::size_t>(window - lineStart) + __builtin_ctzll(lineFeeds) > longest;
    }
    // The plain line from lineStart to its line feed, among the bytes read.
    PlainLine LineAt(const char* lineStart, const char* lineFeed);
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

    // The bytes a window may look at behind the bytes read, kept zero.
    static constexpr std::size_t kLookAhead = 63;

    ByteSource& source_;
    const Codecvt* codecvt_;
    bool judgesBytes_ = true;  // the facet decodes UTF-8 by the rules PeekPlainLine applies
    std::mbstate_t state_{};
    std::unique_ptr<char[]> bytes_;
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
