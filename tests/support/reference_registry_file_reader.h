#pragma once

// The registry file reader as it was before scans passed over lines by their bytes: every line is
// decoded and looked at (with the same rules for alternate-paths sections and object IDs). The
// tests and the fuzzer hold the reader's answers against it.
#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "registry_helper/file_source.h"
#include "registry_helper/local_copy_record.h"
#include "registry_helper/lookup_state.h"
#include "registry_file_scan/registry_line_scanner.h"
#include "registry_helper/registry_file_reader.h"
#include "support/ascii_case.h"
#include "support/utf8_text_stream.h"
#include "tests/support/memory_file_source.h"

namespace fernwick::tests::reference {

using tolk::stdx::AsciiEqualsIgnoreCase;

inline bool IsComplete(const LocalCopyRecord& record) {
    return !record.ObjectID.empty() && !record.FileName.empty();
}

// True when the header holds "\Alternate FilePaths]" after its first unit. Headers seldom hold a
// space, so the search looks for the space in the middle of the name first.
inline bool IsAlternatePathsHeader(std::wstring_view header) {
    constexpr std::wstring_view kList = L"\\Alternate FilePaths]";
    constexpr std::size_t kSpace = kList.find(L' ');
    for (std::size_t space = header.find(L' ', kSpace + 1); space != std::wstring_view::npos;
         space = header.find(L' ', space + 1)) {
        if (header.substr(space - kSpace, kList.size()) == kList) return true;
    }
    return false;
}

// True when the line is an entry whose value, split at "<", lists exactly this path.
inline bool ListsAlternatePath(std::wstring_view line, std::wstring_view fileName) {
    const auto entry = ParseEntry(line);
    if (!entry) return false;
    std::wstring_view paths = entry->value;
    while (!paths.empty()) {
        const std::size_t separator = paths.find(L'<');
        if (paths.substr(0, separator) == fileName) return true;
        if (separator == std::wstring_view::npos) break;
        paths.remove_prefix(separator + 1);
    }
    return false;
}

// Where FindByFileName stands: whether it is inside a section, and where the current section's
// header line and the one before it begin.
struct SectionTrail {
    using LineMark = RegistryLineScanner::LineMark;

    bool inSection = false;
    LineMark current;
    bool inAlternatePaths = false;  // decided once a section, not at every line
    bool previousOwnsRecord = false;
    LineMark previous;

    void Enter(std::wstring_view header, const LineMark& start) {
        previousOwnsRecord = inSection && !inAlternatePaths;
        previous = current;
        inSection = true;
        current = start;
        inAlternatePaths = IsAlternatePathsHeader(header);
    }
};

// Rereads the section whose header line starts at the mark, header included, into the record.
inline bool ReadSectionAt(RegistryLineScanner& lines, const RegistryLineScanner::LineMark& start,
                          LocalCopyRecord& record) {
    if (!lines.ReturnTo(start)) return false;
    const std::wstring header(lines.Read());
    if (!IsSectionHeader(header)) return false;
    ParseSectionHeader(header, record);
    ReadSection(lines, record);
    return true;
}

class RegistryFileReader {
public:
    RegistryFileReader(LookupState& state, FileSource& files) : state_(state), files_(files) {}

    bool RegistryFileExists() const;
    bool FindByObjectId(std::wstring_view objectId, ClientLists lists);
    bool FindByFileName(std::wstring_view fileName);

private:
    std::unique_ptr<tolk::stdx::Utf8TextStream> OpenRegistryFile() const;

    LookupState& state_;
    FileSource& files_;
};

inline bool RegistryFileReader::RegistryFileExists() const {
    return !state_.registryFile.empty() && files_.Exists(state_.registryFile);
}

inline std::unique_ptr<tolk::stdx::Utf8TextStream> RegistryFileReader::OpenRegistryFile() const {
    auto bytes = files_.OpenShared(state_.registryFile);
    if (!bytes) return nullptr;
    return std::make_unique<tolk::stdx::Utf8TextStream>(std::move(bytes));
}

inline bool RegistryFileReader::FindByObjectId(std::wstring_view objectId, ClientLists lists) {
    if (!RegistryFileExists()) return false;
    state_.StartObjectIdQuery(objectId);
    if (!NamesADocument(state_.current.ObjectID)) return false;
    const auto stream = OpenRegistryFile();
    if (!stream) return false;

    const std::wstring editHeader =
        L"[documentum\\Common\\WorkingFiles\\" + std::wstring(objectId) + L"]";
    const std::wstring viewHeader =
        L"[documentum\\Common\\ViewFiles\\" + std::wstring(objectId) + L"]";
    const bool wantEdit = lists != ClientLists::ViewOnly;
    const bool wantView = lists != ClientLists::EditOnly;
    LocalCopyRecord edit;
    edit.ObjectID = objectId;
    edit.Origin = OpenMode::Edit;
    LocalCopyRecord view;
    view.ObjectID = objectId;
    view.Origin = OpenMode::View;

    try {
        RegistryLineScanner lines(*stream);
        std::wstring_view pending;  // a header that ended a section, still to be examined
        while (!pending.empty() || lines.CanRead()) {
            const std::wstring_view line = pending.empty() ? lines.Read() : pending;
            pending = {};
            if (line.size() != editHeader.size() && line.size() != viewHeader.size()) continue;
            if (wantEdit && AsciiEqualsIgnoreCase(line, editHeader)) {
                ReadSection(lines, edit);
                break;
            }
            if (wantView && AsciiEqualsIgnoreCase(line, viewHeader)) {
                // The header that ends the view section is the next line of the scan: it may be
                // this object's edit header.
                pending = ReadSection(lines, view);
                if (!wantEdit) break;
            }
        }
    } catch (const std::exception&) {
        // The answer is decided from what was read before the failure.
    }

    if (wantEdit && IsComplete(edit)) {
        state_.AdoptRecord(edit);
        return true;
    }
    if (wantView && IsComplete(view)) {
        state_.AdoptRecord(view);
        return true;
    }
    return false;
}

inline bool RegistryFileReader::FindByFileName(std::wstring_view fileName) {
    if (!RegistryFileExists()) return false;
    state_.StartFileNameQuery(fileName);
    if (state_.current.FileName.empty()) return false;
    const auto stream = OpenRegistryFile();
    if (!stream) return false;

    const std::wstring target = L"FileName=" + std::wstring(fileName);
    LocalCopyRecord record;
    record.FileName = fileName;
    bool found = false;

    try {
        RegistryLineScanner lines(*stream);
        SectionTrail trail;
        while (lines.CanRead()) {
            // Only a header is ever returned to, so only a header is marked.
            const auto start = lines.NextIsSectionHeader() ? lines.NextLineMark() : std::nullopt;
            const std::wstring_view line = lines.Read();
            // A line cut short (too long, or ended by a malformed byte) may not be what the file
            // says, so it never counts as a match; the scan ends with it.
            const bool whole = lines.CanRead();
            if (IsSectionHeader(line)) {
                if (!start) break;
                trail.Enter(line, *start);
            } else if (trail.inAlternatePaths) {
                // Alternate paths belong to the object whose section stands directly before.
                if (trail.previousOwnsRecord && ListsAlternatePath(line, fileName)) {
                    found = whole && ReadSectionAt(lines, trail.previous, record);
                    break;
                }
            } else if (AsciiEqualsIgnoreCase(line, target)) {
                // The record comes from the whole section, entries before the match included.
                found = whole && trail.inSection && ReadSectionAt(lines, trail.current, record);
                break;
            }
        }
    } catch (const std::exception&) {
        // The answer is decided from what was read before the failure.
    }

    // The caller's name stands, whatever the section's own FileName says.
    record.FileName = fileName;
    if (!found || !IsComplete(record)) return false;
    state_.AdoptRecord(record);
    return true;
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

// True when the reader and the reference answer every lookup of the file for this object ID and
// file name alike, with the same record, and find the same last connected docbase.
inline bool AnswersAlike(const std::string& file, std::wstring_view objectId,
                         std::wstring_view fileName) {
    const std::wstring path = L"C:\\Work\\registry.txt";
    MemoryFileSource files;
    files.Put(path, file);
    LookupState state;
    state.registryFile = path;
    LookupState referenceState = state;
    fernwick::RegistryFileReader reader(state, files);
    RegistryFileReader reference(referenceState, files);
    for (const ClientLists lists :
         {ClientLists::EditAndView, ClientLists::EditOnly, ClientLists::ViewOnly}) {
        if (reader.FindByObjectId(objectId, lists) != reference.FindByObjectId(objectId, lists) ||
            state.current != referenceState.current) {
            return false;
        }
    }
    reader.ReadLastConnectedDocbase();
    return reader.FindByFileName(fileName) == reference.FindByFileName(fileName) &&
           state.current == referenceState.current &&
           state.lastConnectedDocbase == LastConnectedDocbase(file).value_or(L"");
}

}  // namespace fernwick::tests::reference
