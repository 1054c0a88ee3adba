#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "registry_helper/local_copy_record.h"
#include "support/utf8_text_buffer.h"

// How a section's entries reach its record: the entries a record takes, told alike from a line's
// units and from a plain line's bytes, and the pass over a section's plain lines by their bytes,
// which keeps of each entry only the latest value, as reading the lines one by one would.
namespace fernwick {

// The entries that a section's record takes, in the order of the names below.
enum class RecordEntry { DocbaseName, UserName, User, DomainName, FileName, Count };
constexpr std::array<std::string_view, static_cast<std::size_t>(RecordEntry::Count)>
    kRecordEntryNames = {"DocbaseName", "UserName", "User", "DomainName", "FileName"};

// The entry a name stands for, in either case; Count for any other name.
template <typename Unit>
RecordEntry RecordEntryNamed(std::basic_string_view<Unit> name) {
    for (std::size_t i = 0; i < kRecordEntryNames.size(); ++i) {
        const std::string_view known = kRecordEntryNames[i];
        if (name.size() != known.size()) continue;
        std::size_t at = 0;
        while (at < known.size() && (name[at] | 0x20) == (known[at] | 0x20)) ++at;
        if (at == known.size()) return static_cast<RecordEntry>(i);
    }
    return RecordEntry::Count;
}

void AssignEntry(LocalCopyRecord& record, RecordEntry entry, std::wstring_view value);

// The latest value of each entry among plain lines passed by their bytes, not yet in the record.
class PlainEntryValues {
public:
    void Take(RecordEntry entry, std::string_view bytes) {
        const auto index = static_cast<std::size_t>(entry);
        values_[index].assign(bytes);
        held_[index] = true;
    }
    // Decodes the values held into the record, over what it held, and forgets them.
    void MoveInto(LocalCopyRecord& record);

private:
    std::array<std::string, kRecordEntryNames.size()> values_;
    std::array<bool, kRecordEntryNames.size()> held_{};
};

// Passes over the plain lines ahead that belong to the section, as reading them would, taking the
// entries' values; stops before a section header, a line too long to be read whole, or a line
// that is not plain, which is left peeked when it is plain. The runs of lines between them
// pass 64 bytes at a time: of each entry, only the last line of a window that names it is read.
void PassPlainSectionLines(tolk::stdx::Utf8TextBuffer& buffer, PlainEntryValues& values);

}  // namespace fernwick
