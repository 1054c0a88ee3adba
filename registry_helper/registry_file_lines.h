#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string_view>

#include "registry_helper/local_copy_record.h"

namespace fernwick {

// Reads a registry file stream line by line, the way every scan of the reader does: at most 4094
// units a line (a longer line fails the stream after its first 4094 units), the line feed
// consumed and not stored, a malformed byte turning the stream bad with the units before it kept.
class RegistryLineScanner {
public:
    static constexpr std::size_t kMaxLineUnits = 4094;

    explicit RegistryLineScanner(std::wistream& stream) : stream_(stream) {}

    // True while the stream has neither failed nor turned bad; end of file alone goes on.
    bool CanRead() const { return !stream_.fail(); }
    // The next line; valid until the next call.
    std::wstring_view Read();
    // True when the next line is a section header; looks without reading.
    bool NextIsSectionHeader() {
        return stream_.peek() == std::wistream::traits_type::to_int_type(L'[');
    }
    // The byte offset where the next line begins, or nothing where the stream cannot tell.
    std::optional<std::uint64_t> NextLineOffset() const;
    // Returns to a remembered line start; clears end of file. False when the stream has failed.
    bool ReturnTo(std::uint64_t offset);

private:
    std::wistream& stream_;
    wchar_t line_[kMaxLineUnits + 1];
};

bool IsSectionHeader(std::wstring_view line);

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
