#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "registry_file_scan/line_window_bits.h"
#include "registry_file_scan/wide_window_bits.h"
#include "support/find_unit.h"
#include "support/utf8_text_buffer.h"

// How the registry file's scans pass over most lines by their bytes: the lines they must see are
// named in a sieve, and the runs of plain lines between them are passed 64 bytes at a time.
namespace fernwick {

// What a scan that passes over most lines needs to see of them; a line may be seen though it
// need not be.
struct LineSieve {
    // Lines that begin with these bytes (the first 33 of them at most are looked at), in
    // either case, and hold from shortest to longest bytes (none where shortest is the
    // larger);
    std::string_view start;
    std::size_t shortest = 1;
    std::size_t longest = 0;
    // and end with these bytes (the last eight at most are looked at, bit 5 of each aside) before
    // a carriage return that may stand before the line feed; where they are named, the lines
    // themselves, ASCII letters in lower case, of which two at most are looked at;
    std::string_view end;
    std::span<const std::string> lines;
    // lines that hold these bytes where a path may stand: after a space, a byte below it, "<"
    // or
    // "=", and before one of those;
    std::string_view path;
    // and of the lines whose text begins with this byte (none where it is zero), the two
    // latest before each line seen for the above and before the scan stops, for a scan that
    // keeps no more of them.
    char latestLead = '\0';
};

namespace line_sieve {

// The windows' test reads behind a window as far as the far bytes of a text that begins at its
// last byte.
static_assert(FarBytes::kReach <= tolk::stdx::Utf8TextBuffer::kLookAhead);

using tolk::stdx::FindUnit;

// Where the line after the last of a window's line feeds (lineFeeds is not 0) begins.
inline const char* AfterLastLineFeed(const char* window, std::uint64_t lineFeeds) {
    return window + (64 - __builtin_clzll(lineFeeds));
}
// Whether the line that the window's first line feed ends, which begins at lineStart, is
// longer than longest bytes; only the window's first line can be longer than 64. Its line feed is
// looked for only where the window's end lies further than that from lineStart.
inline bool FirstLineLonger(const char* window, std::uint64_t lineFeeds, const char* lineStart,
                            std::size_t longest) {
    const auto before = static_cast<std::size_t>(window - lineStart);
    return before + 64 > longest && before + LowestBit(lineFeeds) > longest;
}

// Where the line begins whose text begins at `text`: past the zero bytes before it, at firstLine or
// after a line feed; nowhere (nullptr) where other bytes stand before it.
inline const char* TextLineStart(const char* firstLine, const char* text) {
    const char* lineStart = text;
    while (lineStart != firstLine && lineStart[-1] == '\0') --lineStart;
    return lineStart == firstLine || lineStart[-1] == '\n' ? lineStart : nullptr;
}

// Of the lines from since to a line start after it, both in a run of lines that begins at
// firstLine, the two latest whose text begins with lead, looked for back from `to`, behind which
// no lead byte stands before the line start: their leads, the latest first. Answers how many.
// Out of line, as it is called for few lines, so that the scans' loops keep their values in
// registers.
[[gnu::noinline]] inline int LatestLeadLines(const char* firstLine, const char* since,
                                             const char* to, char lead, const char* (&leads)[2]) {
    int found = 0;
    while (found < 2 && to > since) {
        to = tolk::stdx::FindLastUnit(since, to, lead);
        if (to == nullptr) break;
        if (TextLineStart(firstLine, to) != nullptr) leads[found++] = to;
    }
    return found;
}

// Whether the line from lineStart, whose bytes are known up to knownEnd, may be one of the lines
// named: none is named, or its known bytes differ from those of one of them in no more than bit 5,
// or hold a zero byte there.
inline bool MayBeNamedLine(const char* lineStart, const char* knownEnd,
                           std::span<const std::string> lines) {
    if (lines.empty()) return true;
    const auto known = static_cast<std::size_t>(knownEnd - lineStart);
    for (const std::string& line : lines) {
        // Looked at from the end: the lines named mostly differ from their look-alikes there.
        std::size_t at = std::min(line.size(), known);
        while (at != 0 && lineStart[at - 1] != '\0' &&
               (lineStart[at - 1] | 0x20) == (line[at - 1] | 0x20))
            --at;
        if (at == 0 || lineStart[at - 1] == '\0') return true;
    }
    return false;
}

// Whether the line from lineStart, as far as `upTo`, may hold where one of a sieve's lines begins
// once zero bytes are dropped: its text may begin as theirs, or it holds the path's first byte.
inline bool LineMayBeginBefore(const char* lineStart, const char* upTo, const LineSieve& sieve) {
    const std::string_view path = sieve.path;
    if (!path.empty() && FindUnit(lineStart, upTo, path.front()) != upTo) return true;
    const char* const text = tolk::stdx::SkipZeroBytes(lineStart, upTo);
    return sieve.shortest <= sieve.longest && text != upTo &&
           (sieve.start.empty() || (*text | 0x20) == (sieve.start.front() | 0x20));
}

// Whether the line from lineStart to its line feed ends as a sieve's lines do.
inline bool EndsLike(const char* lineStart, const char* lineFeed, std::string_view end) {
    const char* lineEnd = lineFeed;
    if (lineEnd != lineStart && lineEnd[-1] == '\r') --lineEnd;
    const std::size_t looked = std::min<std::size_t>(end.size(), 8);
    if (static_cast<std::size_t>(lineEnd - lineStart) < looked) return false;
    for (std::size_t i = 1; i <= looked; ++i) {
        if ((*(lineEnd - i) | 0x20) != (end[end.size() - i] | 0x20)) return false;
    }
    return true;
}

// Whether the text of the line from lineStart to its line feed may begin as a sieve's lines do:
// its first two bytes, past zero bytes, equal the first two of start, bit 5 of each aside.
inline bool TextBeginsLike(const char* lineStart, const char* lineFeed, std::string_view start) {
    const char* text = lineStart;
    for (std::size_t i = 0; i < std::min<std::size_t>(start.size(), 2); ++i, ++text) {
        text = tolk::stdx::SkipZeroBytes(text, lineFeed);
        if (text == lineFeed || (*text | 0x20) != (start[i] | 0x20)) return false;
    }
    return true;
}

// Whether the line from lineStart to its line feed, which holds zero bytes, may be one of a
// sieve's lines once they are dropped: it is long enough, and its text begins as they do or it
// holds the path's first byte.
inline bool ZeroLineMayBeSought(const char* lineStart, const char* lineFeed,
                                const LineSieve& sieve) {
    const auto length = static_cast<std::size_t>(lineFeed - lineStart);
    const std::string_view path = sieve.path;
    return (sieve.shortest <= std::min(length, sieve.longest) &&
            TextBeginsLike(lineStart, lineFeed, sieve.start)) ||
           (!path.empty() && length >= path.size() &&
            FindUnit(lineStart, lineFeed, path.front()) != lineFeed);
}

// How a byte may stand about a path in the value of an entry: a path may begin after a boundary
// (a space or a byte below it, "<", or "="); it ends where "<" or the line feed follow, past
// blanks (zero bytes, spaces and the other controls from tab to carriage return).
namespace path_byte {
constexpr unsigned char kBoundary = 1;
constexpr unsigned char kBlank = 2;
constexpr unsigned char kEnd = 4;
inline constexpr std::array<unsigned char, 256> kKinds = [] {
    std::array<unsigned char, 256> kinds{};
    for (int byte = 0; byte <= ' '; ++byte) kinds[byte] = kBoundary;
    for (const int blank : {'\0', '\t', '\v', '\f', '\r', ' '}) kinds[blank] |= kBlank;
    kinds['\n'] |= kEnd;
    kinds['<'] = kBoundary | kEnd;
    kinds['='] = kBoundary;
    return kinds;
}();
inline unsigned char KindOf(char byte) { return kKinds[static_cast<unsigned char>(byte)]; }
}  // namespace path_byte

// Whether a path whose last byte comes before `after` may end a value's path there; bytes from
// end on are not looked at.
inline bool PathMayEndAt(const char* after, const char* end) {
    for (; after < end; ++after) {
        const unsigned char kind = path_byte::KindOf(*after) & ~path_byte::kBoundary;
        if (kind != path_byte::kBlank) return kind == path_byte::kEnd;
    }
    return true;
}

// Whether the path may stand at `at`, where its first two bytes do: its last byte (or the last
// that the padding behind the bytes lets a look reach, `last`) stands where it ends, a boundary
// before it (the run's first line follows a line feed) and a path's end after it.
inline bool PathMayStandAt(const char* at, std::string_view path, std::size_t last,
                           const char* firstLine, const char* runEnd) {
    return at[last] == path[last] &&
           (at == firstLine || (path_byte::KindOf(at[-1]) & path_byte::kBoundary) != 0) &&
           PathMayEndAt(at + path.size(), runEnd);
}

// Of the places of a window where the path's first two bytes stand, those that its masks leave
// open to the path: its last byte (or the last that a look reaches) where it must be, a boundary
// before it, and after it a line feed, "<" or a blank, and after a blank one more byte that is not
// above the space or is "<". Worth its masks where many places are marked, each of which would be
// looked at alone; what they leave open is looked at alone all the same.
template <template <bool> class ByteBits, typename AboveSpaceBits>
class PathPlaces {
public:
    PathPlaces(std::string_view path, std::size_t last)
        : size_(path.size()), last_(last), lastBits_(path.empty() ? '\0' : path[last]) {}

    // Whether the masks may be taken at the window: the bytes they look at, from the one before
    // the window to the second after a path that begins at its last byte, lie in the run.
    bool Reach(const char* window, const char* firstLine, const char* runEnd) const {
        return window != firstLine && static_cast<std::size_t>(runEnd - window) >= size_ + 65;
    }

    // Compiled into SiftPathPlaces below, for each kind of masks.
    [[gnu::always_inline]] std::uint64_t SiftedIn(const char* window, std::uint64_t marks) const {
        marks &= lastBits_.In(window + last_);
        if (marks == 0) return 0;
        // No path ends before a byte above the space but "<", nor before a blank (or any byte
        // below the space but a line feed) that such a byte follows.
        const char* const after = window + size_;
        const std::uint64_t noEnd = above_.In(after) & ~angleBits_.In(after);
        const std::uint64_t blank = ~above_.In(after) & ~lineFeedBits_.In(after);
        const std::uint64_t noEndNext = above_.In(after + 1) & ~angleBits_.In(after + 1);
        marks &= ~(noEnd | (blank & noEndNext));
        if (marks == 0) return 0;
        const std::uint64_t boundaryBefore =
            ~above_.In(window - 1) | angleBits_.In(window - 1) | equalsBits_.In(window - 1);
        return marks & boundaryBefore;
    }

private:
    std::size_t size_;
    std::size_t last_;
    ByteBits<false> lastBits_;
    ByteBits<false> angleBits_{'<'};
    ByteBits<false> equalsBits_{'='};
    ByteBits<false> lineFeedBits_{'\n'};
    AboveSpaceBits above_;
};

// PathPlaces::SiftedIn out of line, so that the sieve's loop, which takes it in few windows, keeps
// its values in registers.
[[gnu::noinline]] inline std::uint64_t SiftPathPlaces(
    const PathPlaces<ByteBits64, AboveSpaceBits64>& places, const char* window,
    std::uint64_t marks) {
    return places.SiftedIn(window, marks);
}
#if defined(FERNWICK_AVX2)
[[gnu::noinline, gnu::target("avx2")]] inline std::uint64_t SiftPathPlaces(
    const PathPlaces<ByteBits64Avx2, AboveSpaceBits64Avx2>& places, const char* window,
    std::uint64_t marks) {
    return places.SiftedIn(window, marks);
}
#endif

// Passes the windows from window on, up to runEnd, while each holds none of the texts sought and
// no line that ends in them, or is open after them, can be longer than longestUnseen bytes; keeps
// where the line open after them begins; answers the first window not passed, and whether it may
// hold a text sought (false only where it holds none, no line feed either, and a zero byte follows
// it, so that the windows of zero bytes that may follow are passed as such). Only the windows'
// tests are made as they pass, and no line feed is looked for in most windows. Written apart so
// that its few values stay in registers: out of line, as each of the two below.
template <typename AnyOfBytes>
[[gnu::always_inline]] inline const char* PassQuietWindowsBy(
    const char* window, const char* runEnd, const AnyOfBytes& sought, std::size_t longestUnseen,
    const char*& openLine, std::uint64_t& earlierStarts, const char*& leadWindow, bool openMayBegin,
    bool& holdsSought) {
    const char* const first = window;
    // The lead bytes of the windows passed: the latest is looked for back from the pass's end,
    // where there is one.
    typename AnyOfBytes::Leads leads;
    // Line feeds are looked for only where the line open at a window may have begun more than
    // lineFeedGap bytes before it: back over the windows passed since they were last looked for,
    // and then in each window the test passes, while that holds; so that a scan of short lines
    // looks for few, and none is looked for twice. (A window that the pass stops before zero
    // bytes at holds none.)
    const std::size_t lineFeedGap = std::min<std::size_t>(512, longestUnseen - 64);
    const char* lookedTo = window;     // where line feeds were looked for up to
    const char* openSince = openLine;  // where the line open there began
    bool holds = true;
    for (; runEnd - window >= 64; window += 64) {
        if (static_cast<std::size_t>(window + 64 - openSince) > lineFeedGap) {
            if (lookedTo != window) {
                const char* const lineFeed = tolk::stdx::FindLastUnit(lookedTo, window, '\n');
                if (lineFeed != nullptr) openSince = lineFeed + 1;
                lookedTo = window;
            }
            if (static_cast<std::size_t>(window + 64 - openSince) > longestUnseen) break;
        }
        if (openMayBegin) {
            // The test sees the texts that begin in its windows: where the line open at the
            // start of the pass may hold where one sought begins, zero bytes in it may hide the
            // rest from the masks that looked at it. The pass stops before them.
            const std::uint64_t lineFeeds = ByteBits64('\n').In(window);
            const std::uint64_t beforeLineFeed = (lineFeeds & (~lineFeeds + 1)) - 1;
            if ((ByteBits64('\0').In(window) & beforeLineFeed) != 0) break;
            openMayBegin = lineFeeds == 0;
        }
        if (!sought.QuietIn(window, leads)) break;
        if (static_cast<std::size_t>(window + 64 - openSince) > lineFeedGap) {
            const std::uint64_t lineFeeds = ByteBits64('\n').In(window);
            if (lineFeeds != 0) openSince = AfterLastLineFeed(window, lineFeeds);
            lookedTo = window + 64;
        }
        if (window[64] == '\0' && ByteBits64('\n').In(window) == 0) {
            holds = false;
            break;
        }
    }
    holdsSought = holds;
    // (A window that the pass stopped before zero bytes at was passed too.)
    if (sought.HoldLead(leads)) {
        const char* const lead =
            tolk::stdx::FindLastUnit(first, holds ? window : window + 64, sought.Lead());
        if (lead != nullptr) leadWindow = first + (lead - first) / 64 * 64;
    }
    if (window == first) return window;
    // No line that began in them is sought, so that none of their line starts are kept.
    earlierStarts = 0;
    const char* const lineFeed =
        lookedTo < window ? tolk::stdx::FindLastUnit(lookedTo, window, '\n') : nullptr;
    openLine = lineFeed != nullptr ? lineFeed + 1 : openSince;
    return window;
}
inline const char* PassQuietWindows(const char* window, const char* runEnd,
                                    const AnyOfBytes64& sought, std::size_t longestUnseen,
                                    const char*& openLine, std::uint64_t& earlierStarts,
                                    const char*& leadWindow, bool openMayBegin, bool& holdsSought) {
    return PassQuietWindowsBy(window, runEnd, sought, longestUnseen, openLine, earlierStarts,
                              leadWindow, openMayBegin, holdsSought);
}
#if defined(FERNWICK_AVX2)
[[gnu::target("avx2")]] inline const char* PassQuietWindows(
    const char* window, const char* runEnd, const AnyOfBytes64Avx2& sought,
    std::size_t longestUnseen, const char*& openLine, std::uint64_t& earlierStarts,
    const char*& leadWindow, bool openMayBegin, bool& holdsSought) {
    // A copy of its own, which nothing else can write to: the compiler then spreads each of its
    // bytes once, and not again after each store of the loop.
    const AnyOfBytes64Avx2 test = sought;
    return PassQuietWindowsBy(window, runEnd, test, longestUnseen, openLine, earlierStarts,
                              leadWindow, openMayBegin, holdsSought);
}
#endif

// The fast part of SkipPlainLines, after a line was passed over: the lines that lie whole in
// the run of plain bytes that follows, which the block's first look or PeekPlainLine found.
// Since a character's bytes never fall below 80 but for ASCII, the bytes sought mark the
// lines alike in any text, and a line holds no more units than bytes. False when it stopped
// at a line, which it leaves peeked. ByteBits, AboveSpaceBits and AnyOfBytes take the windows'
// masks and tests: ByteBits64, AboveSpaceBits64 and AnyOfBytes64, or in code compiled for AVX2,
// their kinds for it.
template <template <bool> class ByteBits, typename AboveSpaceBits, typename AnyOfBytes,
          typename Passable>
[[gnu::always_inline]] inline bool SkipPlainRunLines(tolk::stdx::Utf8TextBuffer& buffer,
                                                     const Passable& passable,
                                                     const LineSieve& sieve,
                                                     std::size_t longestUnseen) {
    constexpr std::size_t kLookAhead = tolk::stdx::Utf8TextBuffer::kLookAhead;
    const auto run = buffer.PlainRunAhead();
    const char* const firstLine = run.first;
    const char* const runEnd = run.end;
    const auto hand = [&](const char* lineStart, const char* lineFeed) {
        if (passable(buffer.LineAt(lineStart, lineFeed))) return true;
        buffer.StopAt(lineStart, lineFeed);
        return false;
    };
    // Of the lines passed unseen since the last line handed over, the two latest whose text begins
    // with the latest lead are looked for back from the line that ends them, from the last window
    // that held the lead byte on, and handed over.
    const char* unseenSince = firstLine;
    const char* leadWindow = nullptr;  // the latest window that held the lead byte, if any
    const auto handLatest = [&](const char* end) {
        const char* leads[2];
        const int found = leadWindow == nullptr ? 0
                                                : LatestLeadLines(firstLine, unseenSince,
                                                                  std::min(end, leadWindow + 64),
                                                                  sieve.latestLead, leads);
        for (int i = found; i-- > 0;) {
            if (!hand(TextLineStart(firstLine, leads[i]), FindUnit(leads[i], end, '\n')))
                return false;
        }
        return true;
    };
    const bool keepsLatestLeads = sieve.latestLead != '\0';
    const ByteBits<false> latestLeadBits(sieve.latestLead);
    const ByteBits<false> lineFeedBits('\n');
    const bool byStart = sieve.shortest <= sieve.longest;
    const std::size_t startBytes = std::min<std::size_t>(sieve.start.size(), 2);
    const ByteBits<true> firstStartBits(startBytes > 0 ? sieve.start[0] : '\0');
    const char secondStart = startBytes > 1 ? static_cast<char>(sieve.start[1] | 0x20) : '\0';
    const auto secondBegins = [&](const char* lineStart) {
        return startBytes < 2 || (lineStart[1] | 0x20) == secondStart;
    };
    const bool endsByMask = sieve.end.size() > 1;
    const ByteBits<true> nearEndBits(endsByMask ? sieve.end[sieve.end.size() - 2] : '\0');
    // The path's first two bytes mark where it may stand; each place is then looked at alone,
    // its last byte first: a path is mostly met as the start of a longer one.
    const std::string_view path = sieve.path;
    const std::size_t last = std::min<std::size_t>(path.size(), kLookAhead + 1) - 1;
    const ByteBits<false> pathBits(path.empty() ? '\0' : path.front());
    const ByteBits<false> pathSecondBits(path.size() > 1 ? path[1] : '\0');
    const PathPlaces<ByteBits, AboveSpaceBits> pathPlaces(path, last);
    const auto reach = static_cast<unsigned>(std::min<std::size_t>(sieve.shortest, 64));
    // A line that holds zero bytes may hide a line sought behind them: it is seen when it is
    // long enough to hold one, or where its text begins with a latest lead.
    const ByteBits<false> zeroBits('\0');
    const std::size_t zeroLineShortest =
        std::min(byStart ? sieve.shortest : SIZE_MAX, path.empty() ? SIZE_MAX : path.size());
    const auto zeroReach = static_cast<unsigned>(std::min<std::size_t>(zeroLineShortest, 64));
    const bool measuresZeroLines = zeroLineShortest != SIZE_MAX;
    // A window that holds none of the texts the lines sought begin with or hold, and ends or
    // holds no line too long to pass unseen, is passed by that test alone, unless a line open at
    // its start was marked (and, where the lines sought are named, may be one of them), or holds
    // a zero byte and where a line sought may begin, or has a zero byte follow its text at the
    // window's start (the test sees the texts that begin in its windows). The test is left out
    // after a window that held some, as where they are dense it would mostly fail; and where it
    // fails all the same, it lets ever more of its chances pass (1, 3, 7 ... 63), and fewer again
    // each time it passes windows.
    const bool everyLineSought = byStart && startBytes == 0;
    bool lastFound = true;
    constexpr unsigned kMostQuietSkips = 63;
    unsigned quietSkips = 0;      // the chances that the test lets pass after it fails
    unsigned quietSkipsLeft = 0;  // of them, still to pass
    const AnyOfBytes sought(sieve.start, sieve.lines, path, sieve.latestLead);
    // Of the line open at a window's start: where it begins, whether it begins with a lead,
    // holds the path or a zero byte, or holds nothing but zero bytes so far, whether it may hold
    // where a line sought begins past zero bytes (a byte that may begin its text or the path; so
    // it is taken after windows whose lines holding zero bytes were not measured); and the line
    // starts of the window before.
    const char* openLine = firstLine;
    bool openLead = false;
    bool openPath = false;
    bool openZero = false;
    bool openZerosOnly = false;
    bool openBeginning = true;
    std::uint64_t earlierStarts = 0;
    // Of the line open after the test passed the bytes from `tested` to `to`: whether it holds a
    // zero byte, or nothing else. No line sought begins among the bytes passed: the test stops
    // where a byte that may begin one is followed by the next of its text or a zero byte.
    const auto notePassed = [&](const char* tested, const char* to) {
        const bool fresh = openLine >= tested;  // it began among the bytes passed
        const char* const from = fresh ? openLine : tested;
        const char* const text = tolk::stdx::SkipZeroBytes(from, to);
        const bool zeroIn = text != from || FindUnit(text, to, '\0') != to;
        if (fresh) {
            openZero = zeroIn;
            openZerosOnly = from != to && text == to;
            openBeginning = false;
        } else {
            openZero = openZero || zeroIn;
            openZerosOnly = openZerosOnly && text == to;
        }
    };
    const char* namedOpenLine = nullptr;  // the latest open line that may be one named
    for (const char* window = openLine;; window += 64) {
        if (openLead && !lastFound && quietSkipsLeft == 0 && openLine != namedOpenLine) {
            // A line marked that its bytes tell is none of the lines named need not be seen. They
            // are looked at once for each line, as far as the window's end.
            const char* const knownEnd = window + std::min<std::ptrdiff_t>(64, runEnd - window);
            if (MayBeNamedLine(openLine, knownEnd, sieve.lines))
                namedOpenLine = openLine;
            else
                openLead = false;
        }
        if (!lastFound && !everyLineSought && !openLead && !openPath &&
            !(openZero && openBeginning) &&
            (window == openLine || *window != '\0' || window[-1] == '\0') &&
            quietSkipsLeft-- == 0) {
            // (A chance taken leaves the count wrapped; it is set again below.)
            const char* const tested = window;
            bool holdsSought = true;
            // Where the line open at the window's start began shortly before it, whether it may
            // hold where a line sought begins is told by its bytes.
            const bool openMayBegin =
                measuresZeroLines && openBeginning &&
                (window - openLine > 64 || LineMayBeginBefore(openLine, window, sieve));
            window = PassQuietWindows(window, runEnd, sought, longestUnseen, openLine,
                                      earlierStarts, leadWindow, openMayBegin, holdsSought);
            quietSkipsLeft = 0;
            // The line open where the pass stopped began in a window it passed, if it passed any.
            if (window != tested) openLead = false;
            if (!holdsSought) {
                // The window where the pass stopped before a zero byte holds nothing sought and
                // ends no line; a line begins in it only at its start. So do the windows of
                // nothing but zero bytes that follow it, which are passed at once.
                quietSkips = 0;
                notePassed(tested, window + 64);
                const char* const next = tolk::stdx::PastZeroBlocks64(window + 64, runEnd);
                earlierStarts = window == openLine && next == window + 64;
                openZero = openZero || next != window + 64;
                window = next - 64;
                continue;
            }
            notePassed(tested, window);
            if (window != tested) {
                quietSkips /= 2;
            } else {
                quietSkips = std::min(2 * quietSkips + 1, kMostQuietSkips);
                quietSkipsLeft = quietSkips;
            }
        }
        if (runEnd - window < 64) break;
        const std::uint64_t lineFeeds = lineFeedBits.In(window);
        // A line begins at the window's start where the window before ended with a line feed.
        const std::uint64_t starts = lineFeeds << 1 | (window == openLine);
        const auto lineStartBefore = [&](unsigned lineFeed) {
            const std::uint64_t before = lineFeeds & ((std::uint64_t{1} << lineFeed) - 1);
            return before == 0 ? openLine : AfterLastLineFeed(window, before);
        };
        std::uint64_t seen = 0;
        // Of the texts sought: the ends of the lines marked that their length, start and end leave
        // open, and the places where the path may stand.
        std::uint64_t found = 0;
        const std::uint64_t zeros = zeroBits.In(window);
        const std::uint64_t textStarts = TextStarts(starts, zeros, openZerosOnly);
        if (keepsLatestLeads && latestLeadBits.In(window) != 0) leadWindow = window;
        if (byStart) {
            std::uint64_t leadStarts = starts;
            if (startBytes > 0) leadStarts &= firstStartBits.In(window);
            if (leadStarts != 0 || openLead) {
                std::uint64_t ends = MarkedLineEnds(lineFeeds, leadStarts, openLead);
                // Lines sought that begin alike mostly differ at their end (headers by their
                // object IDs): a line whose next to last byte, before a carriage return or not,
                // is not theirs is dropped by one mask. It is taken three bytes back, which the
                // windows after the first may read; it does not reach the last line feed's
                // next to last byte, which is left to the look below.
                if (endsByMask && window != firstLine) {
                    const std::uint64_t nearEnds = nearEndBits.In(window - 3);
                    ends &= nearEnds | nearEnds >> 1 | std::uint64_t{1} << 63;
                }
                // Where many lines are marked, the short ones among them are dropped at once.
                if (reach > 1 && HoldsMoreThanTwo(ends))
                    ends &= ~NearStarts(starts, earlierStarts, reach);
                // The few left are measured one by one; a carriage return may end them.
                for (std::uint64_t left = ends; left != 0; left &= left - 1) {
                    const auto at = LowestBit(left);
                    const char* const lineStart = lineStartBefore(at);
                    const auto length = static_cast<std::size_t>(window + at - lineStart);
                    if (length < sieve.shortest || (length != 0 && length - 1 > sieve.longest) ||
                        !secondBegins(lineStart) || !EndsLike(lineStart, window + at, sieve.end))
                        ends &= ~(left & -left);
                }
                found |= ends;
                seen |= ends;
            }
        }
        if (!path.empty()) {
            // Where the path's first two bytes stand, whether or not a path may stand there.
            std::uint64_t marks = pathBits.In(window);
            if (marks != 0 && path.size() > 1) marks &= pathSecondBits.In(window + 1);
            if ((marks & (marks - 1)) != 0 && pathPlaces.Reach(window, firstLine, runEnd))
                marks = SiftPathPlaces(pathPlaces, window, marks);
            for (std::uint64_t left = marks; left != 0; left &= left - 1) {
                if (!PathMayStandAt(window + LowestBit(left), path, last, firstLine, runEnd))
                    marks &= ~(left & -left);
            }
            found |= marks;
            if (marks != 0 || openPath) seen |= MarkedLineEnds(lineFeeds, marks, openPath);
        }
        if (measuresZeroLines && zeros == ~std::uint64_t{0}) {
            // A window of nothing but zero bytes ends no line, and no line sought begins in it.
            openZero = true;
        } else if (measuresZeroLines && (zeros != 0 || openZero)) {
            // Measured only where they may hold where a line sought begins: its text, or the path.
            std::uint64_t beginnings = 0;
            if (byStart)
                beginnings =
                    startBytes == 0 ? ~std::uint64_t{0} : textStarts & firstStartBits.In(window);
            if (!path.empty()) beginnings |= pathBits.In(window);
            std::uint64_t ends = MarkedLineEnds(lineFeeds, zeros, openZero) &
                                 MarkedLineEnds(lineFeeds, beginnings, openBeginning);
            if (zeroReach > 1 && HoldsMoreThanTwo(ends))
                ends &= ~NearStarts(starts, earlierStarts, zeroReach);
            for (std::uint64_t left = ends; left != 0; left &= left - 1) {
                const auto at = LowestBit(left);
                if (!ZeroLineMayBeSought(lineStartBefore(at), window + at, sieve))
                    ends &= ~(left & -left);
            }
            seen |= ends;
        } else {
            openBeginning = true;
        }
        if (lineFeeds != 0 && FirstLineLonger(window, lineFeeds, openLine, longestUnseen))
            seen |= lineFeeds & -lineFeeds;
        for (; seen != 0; seen &= seen - 1) {
            const auto at = LowestBit(seen);
            const char* const lineStart = lineStartBefore(at);
            if (!handLatest(lineStart) || !hand(lineStart, window + at)) return false;
            unseenSince = window + at + 1;
        }
        lastFound = found != 0;
        if (lineFeeds != 0) openLine = AfterLastLineFeed(window, lineFeeds);
        earlierStarts = starts;
        if (zeros == ~std::uint64_t{0}) {
            // The windows like it that follow end no line and hold none sought either: they are
            // passed at once, and tell only that none of them has a line start.
            const char* const next = tolk::stdx::PastZeroBlocks64(window + 64, runEnd);
            if (next != window + 64) earlierStarts = 0;
            window = next - 64;
        }
    }
    if (!handLatest(openLine)) return false;
    buffer.PassTo(openLine);
    return true;
}

#if defined(FERNWICK_AVX2)
template <typename Passable>
[[gnu::target("avx2")]] bool SkipPlainRunLinesAvx2(tolk::stdx::Utf8TextBuffer& buffer,
                                                   const Passable& passable, const LineSieve& sieve,
                                                   std::size_t longestUnseen) {
    return SkipPlainRunLines<ByteBits64Avx2, AboveSpaceBits64Avx2, AnyOfBytes64Avx2>(
        buffer, passable, sieve, longestUnseen);
}
#endif

// SkipPlainRunLines by the masks that the processor takes fastest.
template <typename Passable>
bool SkipPlainRunLinesFastest(tolk::stdx::Utf8TextBuffer& buffer, const Passable& passable,
                              const LineSieve& sieve, std::size_t longestUnseen) {
#if defined(FERNWICK_AVX2)
    if (tolk::stdx::UseAvx2()) return SkipPlainRunLinesAvx2(buffer, passable, sieve, longestUnseen);
#endif
    return SkipPlainRunLines<ByteBits64, AboveSpaceBits64, AnyOfBytes64>(buffer, passable, sieve,
                                                                         longestUnseen);
}

}  // namespace line_sieve

// Passes over plain lines ahead while passable(line) holds, as reading them would; stops before
// any other line, which is left peeked when it is plain. Lines that the sieve lets through and
// lines longer than longestUnseen (at least 64) are handed to passable; the others pass by
// their bytes, 64 at a time, so that the cost of a run of lines does not depend on how many it
// holds. Lines that are not plain, or lie across the end of the bytes read, are handed over
// all.
template <typename Passable>
void SkipPlainLines(tolk::stdx::Utf8TextBuffer& buffer, const Passable& passable,
                    const LineSieve& sieve, std::size_t longestUnseen) {
    for (;;) {
        const auto line = buffer.PeekPlainLine();
        if (!line || !passable(*line)) return;
        buffer.SkipPeekedLine();
        if (!line_sieve::SkipPlainRunLinesFastest(buffer, passable, sieve, longestUnseen)) return;
    }
}

}  // namespace fernwick
