#include "registry_helper/registry_file_reader.h"

#include <exception>
#include <string>

#include "registry_helper/last_docbase_scan.h"
#include "registry_helper/registry_file_lines.h"
#include "support/ascii_case.h"

namespace fernwick {
namespace {

using tolk::stdx::AsciiEqualsIgnoreCase;

bool IsComplete(const LocalCopyRecord& record) {
    return !record.ObjectID.empty() && !record.FileName.empty();
}

bool IsAlternatePathsHeader(std::wstring_view header) {
    const std::size_t found = header.find(L"\\Alternate FilePaths]");
    return found != std::wstring_view::npos && found > 0;
}

// True when the line is an entry whose value, split at "<", lists exactly this path.
bool ListsAlternatePath(std::wstring_view line, std::wstring_view fileName) {
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

// Where FindByFileName stands: the header of the current section and of the one before it, with
// the byte offsets where their lines begin.
struct SectionTrail {
    std::wstring currentHeader;
    std::uint64_t currentOffset = 0;
    bool inAlternatePaths = false;  // decided once a section, not at every line
    bool hasPrevious = false;
    std::uint64_t previousOffset = 0;

    void Enter(std::wstring_view header, std::uint64_t offset) {
        hasPrevious = !currentHeader.empty();
        previousOffset = currentOffset;
        currentHeader = header;
        currentOffset = offset;
        inAlternatePaths = IsAlternatePathsHeader(header);
    }
};

// Rereads the section whose header line starts at offset, header included, into the record.
bool ReadSectionAt(RegistryLineScanner& lines, std::uint64_t offset, LocalCopyRecord& record) {
    if (!lines.ReturnTo(offset)) return false;
    const std::wstring header(lines.Read());
    if (!IsSectionHeader(header)) return false;
    ParseSectionHeader(header, record);
    ReadSection(lines, record);
    return true;
}

}  // namespace

bool RegistryFileReader::RegistryFileExists() const {
    return !state_.registryFile.empty() && files_.Exists(state_.registryFile);
}

std::unique_ptr<tolk::stdx::Utf8TextStream> RegistryFileReader::OpenRegistryFile() const {
    auto bytes = files_.OpenShared(state_.registryFile);
    if (!bytes) return nullptr;
    return std::make_unique<tolk::stdx::Utf8TextStream>(std::move(bytes));
}

bool RegistryFileReader::FindByObjectId(std::wstring_view objectId, ClientLists lists) {
    if (!RegistryFileExists()) return false;
    state_.StartObjectIdQuery(objectId);
    if (state_.current.ObjectID.empty()) return false;
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

bool RegistryFileReader::FindByFileName(std::wstring_view fileName) {
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
            // Only a header's offset is ever returned to, so only a header's is asked for.
            const auto offset = lines.NextIsSectionHeader() ? lines.NextLineOffset() : std::nullopt;
            const std::wstring_view line = lines.Read();
            // A line cut short (too long, or ended by a malformed byte) may not be what the file
            // says, so it never counts as a match; the scan ends with it.
            const bool whole = lines.CanRead();
            if (IsSectionHeader(line)) {
                if (!offset) break;
                trail.Enter(line, *offset);
            } else if (AsciiEqualsIgnoreCase(line, target)) {
                // The record comes from the whole section, entries before the match included.
                found = whole && !trail.currentHeader.empty() &&
                        ReadSectionAt(lines, trail.currentOffset, record);
                break;
            } else if (trail.inAlternatePaths && trail.hasPrevious &&
                       ListsAlternatePath(line, fileName)) {
                // Alternate paths belong to the object whose section stands directly before.
                found = whole && ReadSectionAt(lines, trail.previousOffset, record);
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

void RegistryFileReader::ReadLastConnectedDocbase() {
    if (!RegistryFileExists() || !state_.lastConnectedDocbase.empty()) return;
    const auto bytes = files_.OpenShared(state_.registryFile);
    if (!bytes) return;
    if (auto docbase = FindLastConnectedDocbase(*bytes)) state_.lastConnectedDocbase = *docbase;
}

}  // namespace fernwick
