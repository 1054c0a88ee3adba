#include "registry_file_scan/section_entries.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <locale>
#include <optional>
#include <utility>

#include "registry_file_scan/line_sieve.h"
#include "registry_file_scan/line_window_bits.h"
#include "registry_file_scan/registry_line_scanner.h"
#include "registry_file_scan/wide_window_bits.h"
#include "support/find_unit.h"
#include "support/utf8_locale.h"

namespace fernwick {
namespace {

using tolk::stdx::FindUnit;
using tolk::stdx::Utf8TextBuffer;

constexpr std::size_t kEntryCount = kRecordEntryNames.size();

// The text of plain bytes: well-formed UTF-8 without zero bytes, which decodes without an error.
std::wstring Decoded(std::string_view bytes) {
    const auto& facet =
        std::use_facet<std::codecvt<wchar_t, char, std::mbstate_t>>(tolk::stdx::utf8Locale);
    std::wstring text(bytes.size(), L'\0');
    std::mbstate_t state{};
    const char* from = bytes.data();
    wchar_t* to = text.data();
    facet.in(state, bytes.data(), bytes.data() + bytes.size(), from, text.data(),
             text.data() + text.size(), to);
    text.resize(static_cast<std::size_t>(to - text.data()));
    return text;
}

// The entry a plain line's text names, with its value; none for a line that names none.
std::optional<std::pair<RecordEntry, std::string_view>> NamedEntry(std::string_view text) {
    const auto entry = ParseEntry(text);
    if (!entry) return std::nullopt;
    const RecordEntry named = RecordEntryNamed(entry->name);
    if (named == RecordEntry::Count) return std::nullopt;
    return std::pair{named, entry->value};
}

// Reads a plain line ahead into the values; false where the pass stops before it.
bool TakeLine(std::string_view text, PlainEntryValues& values) {
    if (IsSectionHeader(text) || !RegistryLineScanner::FitsALine(text)) return false;
    if (const auto entry = NamedEntry(text)) values.Take(entry->first, entry->second);
    return true;
}

// Eight bytes as one number, with bit 5 set in each: ASCII letters in either case compare alike.
std::uint64_t FoldedEight(const char* bytes) {
    std::uint64_t eight;
    std::memcpy(&eight, bytes, sizeof eight);
    return eight | 0x2020202020202020u;
}
constexpr std::uint64_t Eight(const char (&text)[9]) {
    std::uint64_t eight = 0;
    for (int i = 7; i >= 0; --i) eight = eight << 8 | static_cast<unsigned char>(text[i]);
    return eight;
}

// The entry whose name a line's raw bytes begin with, followed by blanks and "=", as ParseEntry
// and RecordEntryNamed would tell it from a line that begins with a letter and holds no zero
// bytes there; Count for any other line. Up to eleven bytes from text are read, which the
// buffer's look-ahead allows.
[[gnu::always_inline]] inline RecordEntry EntryNamedAt(const char* text, const char* lineFeed) {
    const std::uint64_t first = FoldedEight(text);
    const std::uint64_t lastThree = FoldedEight(text + 3) >> 40;  // bytes 8 to 10
    RecordEntry entry = RecordEntry::Count;
    if (first == Eight("username")) {
        entry = RecordEntry::UserName;
    } else if ((first & 0xFFFFFFFFu) == (Eight("username") & 0xFFFFFFFFu)) {
        entry = RecordEntry::User;
    } else if (first == Eight("filename")) {
        entry = RecordEntry::FileName;
    } else if (first == Eight("domainna") &&
               (lastThree & 0xFFFF) == (Eight("me\0\0\0\0\0\0") & 0xFFFF)) {
        entry = RecordEntry::DomainName;
    } else if (first == Eight("docbasen") && lastThree == (Eight("ame\0\0\0\0\0") & 0xFFFFFF)) {
        entry = RecordEntry::DocbaseName;
    }
    if (entry == RecordEntry::Count) return entry;
    const char* after = text + kRecordEntryNames[static_cast<std::size_t>(entry)].size();
    while (after < lineFeed && (*after == ' ' || (*after >= '\t' && *after <= '\r'))) ++after;
    return after < lineFeed && *after == '=' ? entry : RecordEntry::Count;
}

// One bit for each of the 64 bytes from a window, set where a line whose text began there could
// name an entry or end the section: the first letters of the names in either case, "[", and the
// bytes up to the space, which ParseEntry trims.
std::uint64_t EntryOrHeaderStartBits64(const char* window) {
#if defined(__SSE2__)
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const __m128i d = _mm_set1_epi8('d');
    const __m128i u = _mm_set1_epi8('u');
    const __m128i f = _mm_set1_epi8('f');
    const __m128i bracket = _mm_set1_epi8('[');
    const __m128i space = _mm_set1_epi8(' ');
    const auto bitsOf = [&](int block) -> std::uint32_t {
        const __m128i bytes =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * block));
        const __m128i folded = _mm_or_si128(bytes, caseBit);
        const __m128i letters =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(folded, d), _mm_cmpeq_epi8(folded, u)),
                         _mm_cmpeq_epi8(folded, f));
        const __m128i marks = _mm_or_si128(_mm_cmpeq_epi8(bytes, bracket),
                                           _mm_cmpeq_epi8(_mm_min_epu8(bytes, space), bytes));
        return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(letters, marks)));
    };
    return JoinBlockBits(bitsOf(0), bitsOf(1), bitsOf(2), bitsOf(3));
#else
    std::uint64_t bits = 0;
    for (int i = 63; i >= 0; --i) {
        const char folded = static_cast<char>(window[i] | 0x20);
        const bool starts = folded == 'd' || folded == 'u' || folded == 'f' || window[i] == '[' ||
                            static_cast<unsigned char>(window[i]) <= ' ';
        bits = bits << 1 | starts;
    }
    return bits;
#endif
}

#if defined(FERNWICK_AVX2)
// As EntryOrHeaderStartBits64, by two 32-byte halves.
[[gnu::target("avx2")]] std::uint64_t EntryOrHeaderStartBits64Avx2(const char* window) {
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    const __m256i d = _mm256_set1_epi8('d');
    const __m256i u = _mm256_set1_epi8('u');
    const __m256i f = _mm256_set1_epi8('f');
    const __m256i bracket = _mm256_set1_epi8('[');
    const __m256i space = _mm256_set1_epi8(' ');
    const auto bitsOf = [&](int half) __attribute__((target("avx2")))->std::uint32_t {
        const __m256i bytes =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window + 32 * half));
        const __m256i folded = _mm256_or_si256(bytes, caseBit);
        const __m256i letters = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpeq_epi8(folded, d), _mm256_cmpeq_epi8(folded, u)),
            _mm256_cmpeq_epi8(folded, f));
        const __m256i marks =
            _mm256_or_si256(_mm256_cmpeq_epi8(bytes, bracket),
                            _mm256_cmpeq_epi8(_mm256_min_epu8(bytes, space), bytes));
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(letters, marks)));
    };
    return std::uint64_t{bitsOf(1)} << 32 | bitsOf(0);
}
#endif

// The lines of a run that name an entry, the latest of each kept by where it lies; their bytes
// stay in place while the run is passed.
class LatestEntryLines {
public:
    explicit LatestEntryLines(Utf8TextBuffer& buffer) : buffer_(buffer) {}

    // Keeps the line as its entry's latest unless a later one is kept; a line too long to be read
    // whole is left to the read that stops at it. True where the entry's latest line is then this
    // one or a later one.
    bool Keep(RecordEntry entry, const char* start, const char* lineFeed) {
        Line& line = lines_[static_cast<std::size_t>(entry)];
        if (line.start != nullptr && line.start > start) return true;
        if (static_cast<std::size_t>(lineFeed - start) > RegistryLineScanner::kMaxLineUnits &&
            !RegistryLineScanner::FitsALine(buffer_.LineAt(start, lineFeed).bytes)) {
            return false;
        }
        line = {start, lineFeed};
        return true;
    }
    // Keeps the line whose text its bytes do not show plainly, if it names an entry.
    void KeepIfNamed(const char* start, const char* lineFeed) {
        if (const auto named = NamedEntry(buffer_.LineAt(start, lineFeed).bytes))
            Keep(named->first, start, lineFeed);
    }
    // Takes the values of the lines kept, before the buffer moves on.
    void TakeInto(PlainEntryValues& values) const {
        for (const Line& line : lines_) {
            if (line.start == nullptr) continue;
            if (const auto named = NamedEntry(buffer_.LineAt(line.start, line.lineFeed).bytes))
                values.Take(named->first, named->second);
        }
    }

private:
    struct Line {
        const char* start = nullptr;
        const char* lineFeed = nullptr;
    };
    Utf8TextBuffer& buffer_;
    Line lines_[kEntryCount];
};

// The pass over the run of plain bytes ahead, after a line was read; false where it stopped at a
// line left peeked. Of the lines whose text begins with a name's first letter, the bytes tell
// which entry they name; the others that may name one are read as text: those whose text begins
// with a blank, and those that hold zero bytes. The lines whose text begins with "u" and has "n" as
// its fifth byte, which can name UserName alone, are marked as the windows pass and read after,
// from the last back, up to the first that names it: the entry that many a section repeats.
template <template <bool> class ByteBits, std::uint64_t (*EntryOrHeaderStartBits)(const char*)>
[[gnu::always_inline]] inline bool PassSectionRunLines(Utf8TextBuffer& buffer,
                                                       PlainEntryValues& values) {
    // A pass takes a block's worth of the run at most, which its marks below are kept for.
    const auto run = buffer.PlainRunAhead();
    const char* const runEnd =
        run.first + std::min<std::size_t>(run.end - run.first, Utf8TextBuffer::kByteBlock);
    const ByteBits<false> lineFeedBits('\n');
    const ByteBits<false> zeroBits('\0');
    const ByteBits<true> userBits('u');
    const ByteBits<true> nBits('n');
    LatestEntryLines latest(buffer);
    // Of each window passed, the lines that can name UserName alone.
    std::uint64_t userNames[Utf8TextBuffer::kByteBlock / 64];
    std::size_t windowsPassed = 0;
    // The line feed after the window's place `at`, which is not one, given its line feeds.
    const auto lineFeedAfter = [runEnd](const char* window, std::uint64_t lineFeeds, unsigned at) {
        const std::uint64_t after = lineFeeds & (~std::uint64_t{0} << at);
        return after != 0 ? window + LowestBit(after) : FindUnit(window + 64, runEnd, '\n');
    };
    const char* openLine = run.first;
    bool openZerosOnly = false;
    bool openZero = false;
    const char* stopLine = nullptr;
    for (const char* window = run.first; stopLine == nullptr && runEnd - window >= 64;
         window += 64) {
        const std::uint64_t lineFeeds = lineFeedBits.In(window);
        const std::uint64_t starts = lineFeeds << 1 | (window == openLine);
        const auto lineStartBefore = [&](unsigned at) {
            const std::uint64_t before = lineFeeds & ((std::uint64_t{1} << at) - 1);
            return before == 0 ? openLine : line_sieve::AfterLastLineFeed(window, before);
        };
        // A line too long to be read whole ends the pass before it.
        if (lineFeeds != 0 &&
            line_sieve::FirstLineLonger(window, lineFeeds, openLine,
                                        RegistryLineScanner::kMaxLineUnits) &&
            !RegistryLineScanner::FitsALine(
                buffer.LineAt(openLine, window + LowestBit(lineFeeds)).bytes)) {
            stopLine = openLine;
            break;
        }
        const std::uint64_t zeros = zeroBits.In(window);
        // Where no zero byte stands about them, texts begin their lines.
        const bool textsBeginLines = zeros == 0 && !openZerosOnly;
        const std::uint64_t textStarts = TextStarts(starts, zeros, openZerosOnly);
        std::uint64_t marked = textStarts & ~lineFeeds & EntryOrHeaderStartBits(window);
        std::uint64_t& namesUser = userNames[windowsPassed++];
        namesUser = marked != 0 ? marked & userBits.In(window) & nBits.In(window + 4) : 0;
        for (marked &= ~namesUser; marked != 0; marked &= marked - 1) {
            const auto at = LowestBit(marked);
            const char* const text = window + at;
            const auto lineStart = [&] { return textsBeginLines ? text : lineStartBefore(at); };
            if (*text == '[') {
                stopLine = lineStart();
                namesUser &= (std::uint64_t{1} << at) - 1;
                break;
            }
            const char* const lineFeed = lineFeedAfter(window, lineFeeds, at);
            if (lineFeed == runEnd) continue;  // read whole after the run
            if (static_cast<unsigned char>(*text) <= ' ') {
                latest.KeepIfNamed(lineStart(), lineFeed);
            } else if (const RecordEntry entry = EntryNamedAt(text, lineFeed);
                       entry != RecordEntry::Count) {
                latest.Keep(entry, lineStart(), lineFeed);
            }
        }
        if (zeros != 0 || openZero) {
            for (std::uint64_t ends = MarkedLineEnds(lineFeeds, zeros, openZero); ends != 0;
                 ends &= ends - 1) {
                const auto at = LowestBit(ends);
                const char* const start = lineStartBefore(at);
                if (stopLine != nullptr && start >= stopLine) break;
                latest.KeepIfNamed(start, window + at);
            }
        }
        if (lineFeeds != 0) openLine = line_sieve::AfterLastLineFeed(window, lineFeeds);
    }
    // Where zero bytes begin a line, its text stands for it: a line's text is its bytes from there.
    const auto keepLatestUserName = [&] {
        for (std::size_t passed = windowsPassed; passed-- > 0;) {
            const char* const window = run.first + 64 * passed;
            std::uint64_t left = userNames[passed];
            const std::uint64_t lineFeeds = left != 0 ? lineFeedBits.In(window) : 0;
            while (left != 0) {
                const auto at = HighestBit(left);
                left &= ~(std::uint64_t{1} << at);
                const char* const lineFeed = lineFeedAfter(window, lineFeeds, at);
                if (lineFeed != runEnd &&
                    EntryNamedAt(window + at, lineFeed) == RecordEntry::UserName &&
                    latest.Keep(RecordEntry::UserName, window + at, lineFeed))
                    return;
            }
        }
    };
    keepLatestUserName();
    latest.TakeInto(values);
    if (stopLine == nullptr) {
        buffer.PassTo(openLine);
        return true;
    }
    const char* const lineFeed = FindUnit(stopLine, runEnd, '\n');
    if (lineFeed == runEnd) {
        // It lies across the end of the run: the next look reads it whole.
        buffer.PassTo(stopLine);
        return true;
    }
    buffer.StopAt(stopLine, lineFeed);
    return false;
}

#if defined(FERNWICK_AVX2)
[[gnu::target("avx2")]] bool PassSectionRunLinesAvx2(Utf8TextBuffer& buffer,
                                                     PlainEntryValues& values) {
    return PassSectionRunLines<ByteBits64Avx2, EntryOrHeaderStartBits64Avx2>(buffer, values);
}
#endif

// PassSectionRunLines by the masks that the processor takes fastest.
bool PassSectionRunLinesFastest(Utf8TextBuffer& buffer, PlainEntryValues& values) {
#if defined(FERNWICK_AVX2)
    if (tolk::stdx::UseAvx2()) return PassSectionRunLinesAvx2(buffer, values);
#endif
    return PassSectionRunLines<ByteBits64, EntryOrHeaderStartBits64>(buffer, values);
}

}  // namespace

void AssignEntry(LocalCopyRecord& record, RecordEntry entry, std::wstring_view value) {
    // The record's items, in the order of the entries' names.
    static constexpr std::wstring LocalCopyRecord::*kItems[kEntryCount] = {
        &LocalCopyRecord::DocbaseName, &LocalCopyRecord::UserName, &LocalCopyRecord::User,
        &LocalCopyRecord::DomainName, &LocalCopyRecord::FileName};
    if (entry != RecordEntry::Count) record.*kItems[static_cast<std::size_t>(entry)] = value;
}

void PlainEntryValues::MoveInto(LocalCopyRecord& record) {
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        if (!held_[i]) continue;
        AssignEntry(record, static_cast<RecordEntry>(i), Decoded(values_[i]));
        held_[i] = false;
    }
}

void PassPlainSectionLines(Utf8TextBuffer& buffer, PlainEntryValues& values) {
    for (;;) {
        const auto line = buffer.PeekPlainLine();
        if (!line || !TakeLine(line->bytes, values)) return;
        buffer.SkipPeekedLine();
        if (!PassSectionRunLinesFastest(buffer, values)) return;
    }
}

}  // namespace fernwick
