#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry_helper/local_copy_record.h"
#include "support/find_unit.h"
#include "support/utf8_text_stream.h"

namespace fernwick {

// The lines a scan has to see, told from a plain line's UTF-8 bytes: lines equal to one of the
// texts with ASCII letters folded, and lines that hold the fragment. A text that no line can hold
// (a lone surrogate, a zero unit) stops nothing.
class LineStops {
public:
    explicit LineStops(std::initializer_list<std::wstring_view> lines,
                       std::wstring_view fragment = {});
    bool Matches(std::string_view line) const {
        for (const std::string& folded : foldedLines_) {
            if (EqualsFolded(line, folded)) return true;
        }
        return fragment_ && Holds(line, *fragment_);
    }
    // The bytes that every line Matches begins with; nothing where a line may match wherever it
    // begins.
    std::optional<std::string_view> Leads() const { return leads_; }
    static char FoldByte(char byte) { return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte; }

private:
    // As line.find(fragment), but by FindUnit: the C runtimes of the Windows builds search one byte
    // at a time.
    static bool Holds(std::string_view line, std::string_view fragment) {
        if (line.size() < fragment.size()) return false;
        const char* const lastStart = line.data() + (line.size() - fragment.size()) + 1;
        for (const char* at = tolk::stdx::FindUnit(line.data(), lastStart, fragment.front());
             at != lastStart; at = tolk::stdx::FindUnit(at + 1, lastStart, fragment.front())) {
            if (fragment.compare(0, std::string_view::npos, at, fragment.size()) == 0) return true;
        }
        return false;
    }
    static bool EqualsFolded(std::string_view line, std::string_view folded) {
        if (line.size() != folded.size()) return false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (FoldByte(line[i]) != folded[i]) return false;
        }
        return true;
    }

    std::vector<std::string> foldedLines_;
    std::optional<std::string> fragment_;
    std::optional<std::string> leads_;
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
    // their bytes tell their text; stops before any other line. leads() names the bytes that the
    // lines passable needs to see begin with (nothing: every line), as LineStops::Leads does; it
    // is asked again after every line passable sees.
    template <typename Passable, typename Leads>
    void SkipLines(const Passable& passable, const Leads& leads) {
        if (!stream_.good()) return;
        buffer_.SkipPlainLines(
            [&passable](const PlainLine& line) {
                return line.units <= kMaxLineUnits && passable(line);
            },
            leads, kMaxLineUnits);
    }
    // Passes over the lines ahead that none of the stops matches.
    void SkipLines(const LineStops& stops) {
        SkipLines([&stops](const PlainLine& line) { return !stops.Matches(line.bytes); },
                  [&stops] { return stops.Leads(); });
    }
    // The mark of a line while SkipLines hands it to its passable.
    LineMark MarkOf(const PlainLine& line) const { return buffer_.MarkOf(line); }

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

// Splits an entry line at its first "=" (at index 1 or more) into name and value, each trimmed.
struct Entry {
    std::wstring_view name;
    std::wstring_view value;
};
std::optional<Entry> ParseEntry(std::wstring_view line);

}  // namespace fernwick
