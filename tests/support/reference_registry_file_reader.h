#pragma once

// A plain model of the registry file reader, sharing none of its reading code: the whole file is
// decoded at once through the UTF-8 facet, split into a list of lines, and every lookup walks that
// list by index. The tests and the fuzzer hold the reader's answers against it.
#include <algorithm>
#include <cwchar>
#include <iterator>
#include <locale>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "registry_helper/local_copy_record.h"
#include "registry_helper/lookup_state.h"
#include "registry_helper/registry_file_reader.h"
#include "support/utf8_locale.h"
#include "support/utf_error.h"
#include "tests/support/memory_file_source.h"

namespace fernwick::tests::reference {

// One line as a scan reads it. The last line of a file is never whole: it is the line cut short
// (too long, or ended by a malformed byte), or the empty line read at the end of the text.
struct Line {
    std::wstring text;
    bool whole = true;
};

// The units that the bytes decode to, up to the first malformed one (which sets *malformed when
// given); a character left incomplete at the end is dropped.
inline std::wstring Decoded(const std::string& bytes, bool* malformed = nullptr) {
    const auto& facet =
        std::use_facet<std::codecvt<wchar_t, char, std::mbstate_t>>(tolk::stdx::utf8Locale);
    std::wstring units(bytes.size(), L'\0');
    std::mbstate_t state{};
    const char* from = nullptr;
    wchar_t* to = units.data();
    try {
        facet.in(state, bytes.data(), bytes.data() + bytes.size(), from, units.data(),
                 units.data() + units.size(), to);
    } catch (const tolk::stdx::utf_error&) {
        if (malformed) *malformed = true;
    }
    units.resize(static_cast<std::size_t>(to - units.data()));
    return units;
}

// The text of a registry file: a byte-order mark at its start is skipped, the byte 1A ends it, the
// bytes are decoded, and a CR directly before a LF is dropped.
inline std::wstring Text(std::string bytes, bool* malformed) {
    bytes = bytes.substr(0, bytes.find('\x1A'));
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
    *malformed = false;
    const std::wstring units = Decoded(bytes, malformed);
    std::wstring text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] != L'\r' || i + 1 == units.size() || units[i + 1] != L'\n') text += units[i];
    }
    return text;
}

// The lines of a registry file, each at most 4094 units.
inline std::vector<Line> Lines(const std::string& bytes) {
    bool malformed;
    const std::wstring text = Text(bytes, &malformed);
    constexpr std::size_t kMaxLineUnits = 4094;
    std::vector<Line> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lineFeed = std::min(text.find(L'\n', start), text.size());
        const std::size_t size = lineFeed - start;
        if (size > kMaxLineUnits) {
            lines.push_back({text.substr(start, kMaxLineUnits), false});
            return lines;
        }
        if (lineFeed == text.size()) break;
        lines.push_back({text.substr(start, size)});
        start = lineFeed + 1;
    }
    // A line ended by the end of the text is whole only when it holds something and no malformed
    // byte ended it; the empty line after it is not.
    if (!malformed && start < text.size()) lines.push_back({text.substr(start)});
    lines.push_back({malformed ? text.substr(start) : std::wstring(), false});
    return lines;
}

inline bool EqualsIgnoringAsciiCase(std::wstring_view left, std::wstring_view right) {
    const auto fold = [](wchar_t unit) { return unit >= L'A' && unit <= L'Z' ? unit + 32 : unit; };
    return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                      [&](wchar_t a, wchar_t b) { return fold(a) == fold(b); });
}

inline bool IsHeader(std::wstring_view line) { return line.starts_with(L'['); }

inline bool Contains(std::wstring_view text, std::wstring_view part, std::size_t from) {
    return text.find(part, from) != std::wstring_view::npos;
}

inline std::wstring_view Trimmed(std::wstring_view text) {
    const auto blank = [](wchar_t unit) {
        return unit == L' ' || (unit >= L'\t' && unit <= L'\r');
    };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// The trimmed value of an entry line, whose "=" stands at index 1 or more; the name in *name.
inline std::optional<std::wstring_view> EntryValue(std::wstring_view line,
                                                   std::wstring_view* name) {
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos || equals == 0) return std::nullopt;
    *name = Trimmed(line.substr(0, equals));
    return Trimmed(line.substr(equals + 1));
}

// Reads the entries of the lines from the index on into the record, up to a header; the index of
// that header, or of the line after the last one read.
inline std::size_t ReadSection(const std::vector<Line>& lines, std::size_t at,
                               LocalCopyRecord& record) {
    for (; at < lines.size(); ++at) {
        std::wstring_view name;
        if (IsHeader(lines[at].text)) return at;
        const auto value = EntryValue(lines[at].text, &name);
        if (!value) continue;
        const std::pair<std::wstring_view, std::wstring*> fields[] = {
            {L"DocbaseName", &record.DocbaseName},
            {L"UserName", &record.UserName},
            {L"User", &record.User},
            {L"DomainName", &record.DomainName},
            {L"FileName", &record.FileName}};
        const auto field = std::find_if(std::begin(fields), std::end(fields), [&](const auto& f) {
            return EqualsIgnoringAsciiCase(name, f.first);
        });
        if (field != std::end(fields)) *field->second = *value;
    }
    return at;
}

// Reads the section whose header is the line at the index: the object ID is the header's last
// path segment (up to its "]", and at most 16 units), the origin the list it names.
inline void ReadSectionAt(const std::vector<Line>& lines, std::size_t header,
                          LocalCopyRecord& record) {
    const std::wstring& text = lines[header].text;
    const std::size_t backslash = text.rfind(L'\\');
    if (backslash != std::wstring::npos && backslash > 0 && backslash + 1 < text.size()) {
        const std::wstring id = text.substr(backslash + 1);
        record.ObjectID = id.substr(0, std::min<std::size_t>(id.find(L']'), 16));
    }
    record.Origin = Contains(text, L"\\ViewFiles\\", 1) ? OpenMode::View : OpenMode::Edit;
    ReadSection(lines, header + 1, record);
}

inline bool IsComplete(const LocalCopyRecord& record) {
    return !record.ObjectID.empty() && !record.FileName.empty();
}

// A lookup's answer and the helper's record after it.
struct Answer {
    bool found = false;
    LocalCopyRecord record;
    bool operator==(const Answer&) const = default;
};

inline Answer FindByObjectId(const std::vector<Line>& lines, std::wstring_view objectId,
                             ClientLists lists) {
    Answer answer;
    answer.record.ObjectID = objectId;
    if (objectId.empty() ||
        objectId.find_first_of(std::wstring_view(L"\0\\", 2)) != std::wstring_view::npos) {
        return answer;
    }
    const std::wstring id(objectId);
    const std::wstring editHeader = L"[documentum\\Common\\WorkingFiles\\" + id + L"]";
    const std::wstring viewHeader = L"[documentum\\Common\\ViewFiles\\" + id + L"]";
    const bool wantEdit = lists != ClientLists::ViewOnly;
    const bool wantView = lists != ClientLists::EditOnly;
    LocalCopyRecord edit = answer.record;
    edit.Origin = OpenMode::Edit;
    LocalCopyRecord view = answer.record;
    view.Origin = OpenMode::View;
    // A view section ends at the next header, which is looked at in turn: it may be the edit one.
    for (std::size_t at = 0; at < lines.size();) {
        if (wantEdit && EqualsIgnoringAsciiCase(lines[at].text, editHeader)) {
            ReadSection(lines, at + 1, edit);
            break;
        }
        if (wantView && EqualsIgnoringAsciiCase(lines[at].text, viewHeader)) {
            at = ReadSection(lines, at + 1, view);
            if (!wantEdit) break;
        } else {
            ++at;
        }
    }
    for (const LocalCopyRecord* record : {wantEdit ? &edit : nullptr, wantView ? &view : nullptr}) {
        if (record && IsComplete(*record)) return {true, *record};
    }
    return answer;
}

// True when the line is an entry whose value, split at "<", lists exactly this path.
inline bool ListsPath(std::wstring_view line, std::wstring_view fileName) {
    std::wstring_view name;
    const auto value = EntryValue(line, &name);
    if (!value) return false;
    std::size_t start = 0;
    for (std::size_t end; start <= value->size(); start = end + 1) {
        end = std::min(value->find(L'<', start), value->size());
        if (value->substr(start, end - start) == fileName) return true;
    }
    return false;
}

// The first line that is the entry sought, outside alternate paths, answers from its whole
// section; the first that lists the name in alternate paths answers from the section before them,
// unless that is alternate paths too. A line cut short answers nothing, and ends the scan.
inline Answer FindByFileName(const std::vector<Line>& lines, std::wstring_view fileName) {
    Answer answer;
    answer.record.FileName = fileName;
    if (fileName.empty()) return answer;
    const std::wstring target = L"FileName=" + std::wstring(fileName);
    const auto isAlternatePaths = [&lines](std::size_t header) {
        return Contains(lines[header].text, L"\\Alternate FilePaths]", 1);
    };
    std::optional<std::size_t> current;
    std::optional<std::size_t> previous;
    for (std::size_t at = 0; at < lines.size(); ++at) {
        const std::wstring& line = lines[at].text;
        std::optional<std::size_t> owner;
        if (IsHeader(line)) {
            previous = std::exchange(current, at);
            continue;
        }
        if (current && isAlternatePaths(*current)) {
            if (!previous || isAlternatePaths(*previous) || !ListsPath(line, fileName)) continue;
            owner = previous;
        } else if (EqualsIgnoringAsciiCase(line, target)) {
            owner = current;
        } else {
            continue;
        }
        if (!owner || !lines[at].whole) return answer;
        LocalCopyRecord record;
        ReadSectionAt(lines, *owner, record);
        record.FileName = fileName;
        if (IsComplete(record)) answer = {true, record};
        return answer;
    }
    return answer;
}

// The text between the first "\XML Applications\" of a line, when it stands at index 1 or more,
// and the next "\" of that line, each byte the character of the same value; the file is cut at its
// first byte 1A and split at its line feeds.
inline std::optional<std::wstring> LastConnectedDocbase(std::string_view file) {
    constexpr std::string_view kMarker = "\\XML Applications\\";
    file = file.substr(0, file.find('\x1A'));
    while (!file.empty()) {
        const std::string_view line = file.substr(0, file.find('\n'));
        file.remove_prefix(std::min(file.size(), line.size() + 1));
        const std::size_t marker = line.find(kMarker);
        if (marker == std::string_view::npos || marker == 0) continue;
        const std::string_view rest = line.substr(marker + kMarker.size());
        const std::size_t end = rest.find('\\');
        if (end == std::string_view::npos) continue;
        std::wstring name;
        // Cut as a line is.
        for (const char byte : rest.substr(0, std::min<std::size_t>(end, 4094)))
            name += static_cast<unsigned char>(byte);
        return name;
    }
    return std::nullopt;
}

// True when the reader answers every lookup of the file for this object ID and file name as the
// model does, with the same record, and finds the same last connected docbase.
inline bool AnswersAlike(const std::string& file, std::wstring_view objectId,
                         std::wstring_view fileName) {
    const std::wstring path = L"C:\\Work\\registry.txt";
    MemoryFileSource files;
    files.Put(path, file);
    LookupState state;
    state.registryFile = path;
    RegistryFileReader reader(state, files);
    const std::vector<Line> lines = Lines(file);
    for (const ClientLists lists :
         {ClientLists::EditAndView, ClientLists::EditOnly, ClientLists::ViewOnly}) {
        const bool found = reader.FindByObjectId(objectId, lists);
        if (Answer{found, state.current} != FindByObjectId(lines, objectId, lists)) return false;
    }
    const bool found = reader.FindByFileName(fileName);
    reader.ReadLastConnectedDocbase();
    return Answer{found, state.current} == FindByFileName(lines, fileName) &&
           state.lastConnectedDocbase == LastConnectedDocbase(file).value_or(L"");
}

}  // namespace fernwick::tests::reference
