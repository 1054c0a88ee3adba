#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry_file_scan/line_sieve.h"
#include "registry_file_scan/section_entries.h"
#include "registry_helper/local_copy_record.h"
#include "support/find_unit.h"
#include "support/utf8_run.h"
#include "support/utf8_text_stream.h"

namespace fernwick {

// The bytes that a line holding the text holds where the text stands, or nothing where no line
// can hold it (a lone surrogate, a zero unit).
std::optional<std::string> LineBytesOf(std::wstring_view text);

// The lines a scan has to see, told from a plain line's UTF-8 bytes: lines equal to one of the
// texts with ASCII letters folded. A text that no line can hold stops nothing; the texts are never
// empty.
class LineStops {
public:
    explicit LineStops(std::initializer_list<std::wstring_view> lines);
    bool Matches(std::string_view line) const {
        for (const std::string& folded : foldedLines_) {
            if (EqualsFolded(line, folded)) return true;
        }
        return false;
    }
    // The lines a scan that stops at these must see: those that begin and end as all of them do
    // and are as long as one of them.
    LineSieve Sieve() const {
        LineSieve sieve;
        sieve.start = start_;
        sieve.end = end_;
        sieve.lines = foldedLines_;
        sieve.shortest = shortest_;
        sieve.longest = longest_;
        return sieve;
    }
    static char FoldByte(char byte) { return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte; }

private:
    // Compared from the end: the lines sought share their start with many others (the headers of a
    // list differ only in their object IDs).
    static bool EqualsFolded(std::string_view line, std::string_view folded) {
        if (line.size() != folded.size()) return false;
        for (std::size_t i = line.size(); i-- > 0;) {
            if (FoldByte(line[i]) != folded[i]) return false;
        }
        return true;
    }

    std::vector<std::string> foldedLines_;
    std::string start_;  // what all of them begin with
    std::string end_;    // and end with
    std::size_t shortest_ = 1;
    std::size_t longest_ = 0;
};

// Reads a registry file stream line by line, the way every scan of the reader does: at most 4094
// units a line (a longer line fails the stream after its first 4094 units), the line feed
// consumed and not stored, a malformed byte turning the stream bad with the units before it kept.
// It works on the stream buffer's current line directly, so that a line lying whole in it is
// neither copied nor read unit by unit; the stream keeps the state.
class RegistryLineScanner {
public:
    using LineMark = tolk::stdx::Utf8TextBuffer::LineMark;
    using PlainLine = tolk::stdx::Utf8TextBuffer::PlainLine;
    static constexpr std::size_t kMaxLineUnits = 4094;

    explicit RegistryLineScanner(tolk::stdx::Utf8TextStream& stream)
        : stream_(stream), buffer_(stream.Buffer()) {}

    // True while the stream has neither failed nor turned bad; end of file alone goes on.
    bool CanRead() const { return !stream_.fail(); }
    // The next line; valid until the next Read or NextIsSectionHeader.
    std::wstring_view Read();
    // True when the next line is a section header; looks without reading.
    bool NextIsSectionHeader();
    // Where the next line begins, or nothing where the stream cannot tell.
    std::optional<LineMark> NextLineMark() const { return buffer_.MarkLineStart(); }
    // Returns to a marked line start; clears end of file. False when the stream has failed or
    // cannot go back there.
    bool ReturnTo(const LineMark& mark);
    // Passes over the lines ahead for which passable(line) holds, as reading them would, as far as
    // their bytes tell their text; stops before any other line. Of the lines that are plain, only
    // those the sieve lets through are sure to be handed to passable.
    template <typename Passable>
    void SkipLines(const Passable& passable, const LineSieve& sieve) {
        if (!stream_.good()) return;
        SkipPlainLines(
            buffer_,
            [&passable](const PlainLine& line) { return FitsALine(line.bytes) && passable(line); },
            sieve, kMaxLineUnits);
    }
    // Passes over the lines ahead that none of the stops matches.
    void SkipLines(const LineStops& stops) {
        SkipLines([&stops](const PlainLine& line) { return !stops.Matches(line.bytes); },
                  stops.Sieve());
    }
    // The mark of a line while SkipLines hands it to its passable.
    LineMark MarkOf(const PlainLine& line) const { return buffer_.MarkOf(line); }

    // Passes over the plain lines of the section ahead, as reading them would, taking the values of
    // their entries; stops before a section header or any line it cannot pass by its bytes.
    void PassSectionEntries(PlainEntryValues& values) {
        if (stream_.good()) PassPlainSectionLines(buffer_, values);
    }

    // Whether a plain line's bytes decode to at most kMaxLineUnits units; no line has more units
    // than bytes.
    static bool FitsALine(std::string_view bytes) {
        return bytes.size() <= kMaxLineUnits ||
               tolk::stdx::CountUtf16Units(bytes.data(), bytes.data() + bytes.size()) <=
                   kMaxLineUnits;
    }

private:
    // The units not yet read; on an error the stream turns bad and the view is empty.
    std::wstring_view Pending();
    std::wstring_view Stored(std::size_t units) const { return {line_, units}; }

    tolk::stdx::Utf8TextStream& stream_;
    tolk::stdx::Utf8TextBuffer& buffer_;
    wchar_t line_[kMaxLineUnits];
};

bool IsSectionHeader(std::wstring_view line);
// The same about a plain line's bytes.
inline bool IsSectionHeader(std::string_view bytes) {
    return !bytes.empty() && bytes.front() == '[';
}

// Sets the record's ObjectID from the header's last path segment (at most 16 units, ending before
// the closing bracket) and its Origin from the list the header names.
void ParseSectionHeader(std::wstring_view header, LocalCopyRecord& record);

// Reads entry lines into the record up to the next section header, which it hands back unexamined
// (valid until the next read); empty when the stream ended first.
std::wstring_view ReadSection(RegistryLineScanner& lines, LocalCopyRecord& record);

// An entry line split at its first "=" (at index 1 or more) into name and value, each trimmed of
// tabs, line feeds, vertical tabs, form feeds, carriage returns and spaces; told alike from a
// line's units and from a plain line's bytes, since all of these are ASCII.
template <typename Unit>
struct BasicEntry {
    std::basic_string_view<Unit> name;
    std::basic_string_view<Unit> value;
};
using Entry = BasicEntry<wchar_t>;

template <typename Unit>
std::optional<BasicEntry<Unit>> ParseEntry(std::basic_string_view<Unit> line) {
    const auto trim = [](std::basic_string_view<Unit> text) {
        const auto isBlank = [](Unit unit) {
            return unit == Unit{' '} || (unit >= Unit{'\t'} && unit <= Unit{'\r'});
        };
        while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
        while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
        return text;
    };
    const std::size_t equals = line.find(Unit{'='});
    if (equals == std::basic_string_view<Unit>::npos || equals == 0) return std::nullopt;
    return BasicEntry<Unit>{trim(line.substr(0, equals)), trim(line.substr(equals + 1))};
}

}  // namespace fernwick
