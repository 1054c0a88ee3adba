#include "registry_helper/registry_file_reader.h"

#include <algorithm>
#include <string>

#include "registry_file_scan/registry_line_scanner.h"
#include "registry_helper/last_docbase_scan.h"
#include "registry_helper/registry_file_path.h"
#include "support/ascii_case.h"
#include "support/find_unit.h"

namespace fernwick {
namespace {

using tolk::stdx::AsciiEqualsIgnoreCase;
using tolk::stdx::FindUnit;

bool IsComplete(const LocalCopyRecord& record) {
    return !record.ObjectID.empty() && !record.FileName.empty();
}

// True when the header holds "\Alternate FilePaths]" after its first unit; told alike from its
// units and from a plain line's bytes, since the text is ASCII. Headers seldom hold a space, so the
// search looks for the space in the middle of the name first, with FindUnit, since the C runtimes
// of the Windows builds search one unit at a time.
template <typename Unit>
bool IsAlternatePathsHeader(std::basic_string_view<Unit> header) {
    constexpr std::string_view kList = "\\Alternate FilePaths]";
    constexpr std::size_t kSpace = kList.find(' ');
    if (header.size() <= kSpace) return false;
    const Unit* const end = header.data() + header.size();
    for (const Unit* space = FindUnit(header.data() + kSpace + 1, end, Unit{' '}); space != end;
         space = FindUnit(space + 1, end, Unit{' '})) {
        const auto candidate = header.substr(space - header.data() - kSpace, kList.size());
        if (std::equal(candidate.begin(), candidate.end(), kList.begin(), kList.end())) return true;
    }
    return false;
}

// True when the line is an entry whose value, split at "<", lists exactly this path; told alike
// from a line's units and from a plain line's bytes, as ParseEntry is.
template <typename Unit>
bool ListsAlternatePath(std::basic_string_view<Unit> line, std::basic_string_view<Unit> fileName) {
    const auto entry = ParseEntry(line);
    if (!entry) return false;
    std::basic_string_view<Unit> paths = entry->value;
    while (!paths.empty()) {
        const std::size_t separator = paths.find(Unit{'<'});
        if (paths.substr(0, separator) == fileName) return true;
        if (separator == std::basic_string_view<Unit>::npos) break;
        paths.remove_prefix(separator + 1);
    }
    return false;
}

// Where FindByFileName stands: whether it is inside a section, and where the current section's
// header line and the one before it begin. An alternate-paths header names no object of its own,
// so its section owns no record: neither its entries nor a later alternate-paths section can
// answer from it.
struct SectionTrail {
    using LineMark = RegistryLineScanner::LineMark;

    bool inSection = false;
    LineMark current;
    bool inAlternatePaths = false;  // decided once a section, not at every line
    bool previousOwnsRecord = false;
    LineMark previous;

    void Enter(bool alternatePaths, const LineMark& start) {
        previousOwnsRecord = inSection && !inAlternatePaths;
        previous = current;
        inSection = true;
        current = start;
        inAlternatePaths = alternatePaths;
    }
};

// Rereads the section whose header line starts at the mark, header included, into the record.
bool ReadSectionAt(RegistryLineScanner& lines, const RegistryLineScanner::LineMark& start,
                   LocalCopyRecord& record) {
    if (!lines.ReturnTo(start)) return false;
    const std::wstring header(lines.Read());
    if (!IsSectionHeader(header)) return false;
    ParseSectionHeader(header, record);
    ReadSection(lines, record);
    return true;
}

}  // namespace

bool RegistryFileReader::RegistryFileExists() const {
    return MayReadRegistryFile() && files_.Exists(state_.registryFile);
}

bool RegistryFileReader::MayReadRegistryFile() const {
    const std::wstring& path = state_.registryFile;
    // The system would read a path only up to its first NUL, which names another file.
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
    return state_.registryFileScope != RegistryFileScope::LocalDrivesOnly ||
           (IsPlainDrivePath(path) && !files_.IsNetworkDrive(DriveRoot(path)));
}

bool RegistryFileReader::KeepsRecordWhenMissing() const {
    return state_.registryFileScope == RegistryFileScope::AnyPath;
}

std::unique_ptr<ByteSource> RegistryFileReader::OpenBytes() const {
    if (state_.registryFileScope == RegistryFileScope::LocalDrivesOnly) {
        return files_.OpenSharedOnLocalDrive(state_.registryFile);
    }
    return files_.OpenShared(state_.registryFile);
}

RegistryFileReader::OpenedFile RegistryFileReader::OpenRegistryFile() const {
    if (!MayReadRegistryFile()) return {};
    OpenedFile file{true, OpenBytes()};
    if (!file.bytes) file.exists = files_.Exists(state_.registryFile);
    return file;
}

bool RegistryFileReader::FindByObjectId(std::wstring_view objectId, ClientLists lists) {
    OpenedFile file = OpenRegistryFile();
    if (!file.exists && KeepsRecordWhenMissing()) return false;
    state_.StartObjectIdQuery(objectId);
    if (!file.bytes || !NamesADocument(state_.current.ObjectID)) return false;
    const auto stream = std::make_unique<tolk::stdx::Utf8TextStream>(std::move(file.bytes));

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

    // Only a line equal to one of the headers can change anything.
    const LineStops stops({editHeader, viewHeader});
    RegistryLineScanner lines(*stream);
    std::wstring_view pending;  // a header that ended a section, still to be examined
    while (!pending.empty() || lines.CanRead()) {
        if (pending.empty()) lines.SkipLines(stops);
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
    OpenedFile file = OpenRegistryFile();
    if (!file.exists && KeepsRecordWhenMissing()) return false;
    state_.StartFileNameQuery(fileName);
    if (!file.bytes || state_.current.FileName.empty()) return false;
    const auto stream = std::make_unique<tolk::stdx::Utf8TextStream>(std::move(file.bytes));

    const std::wstring target = L"FileName=" + std::wstring(fileName);
    LocalCopyRecord record;
    record.FileName = fileName;
    bool found = false;

    // Only headers, the entry sought and, in alternate paths that belong to a record, lines that
    // list the name can change anything. A plain header changes only the trail, which its bytes
    // tell as well as its units, and the trail keeps only the two latest: the lines passed by their
    // bytes are seen where they may be the entry sought or hold the name, and of their headers only
    // the two latest before each line seen. A header is decoded only if it is returned to.
    const LineStops stops({target});
    const std::optional<std::string> listed = LineBytesOf(fileName);
    LineSieve sieve = stops.Sieve();
    if (listed) sieve.path = *listed;
    sieve.latestLead = '[';
    RegistryLineScanner lines(*stream);
    SectionTrail trail;
    const auto passable = [&](const RegistryLineScanner::PlainLine& line) {
        if (IsSectionHeader(line.bytes)) {
            trail.Enter(IsAlternatePathsHeader(line.bytes), lines.MarkOf(line));
            return true;
        }
        if (!trail.inAlternatePaths) return !stops.Matches(line.bytes);
        return !(trail.previousOwnsRecord && listed &&
                 ListsAlternatePath(line.bytes, std::string_view(*listed)));
    };
    while (lines.CanRead()) {
        lines.SkipLines(passable, sieve);
        // Only a header is ever returned to, so only a header is marked.
        const auto start = lines.NextIsSectionHeader() ? lines.NextLineMark() : std::nullopt;
        const std::wstring_view line = lines.Read();
        // A line cut short (too long, or ended by a malformed byte) may not be what the file
        // says, so it never counts as a match; the scan ends with it.
        const bool whole = lines.CanRead();
        if (IsSectionHeader(line)) {
            if (!start) break;
            trail.Enter(IsAlternatePathsHeader(line), *start);
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

    // The caller's name stands, whatever the section's own FileName says.
    record.FileName = fileName;
    if (!found || !IsComplete(record)) return false;
    state_.AdoptRecord(record);
    return true;
}

void RegistryFileReader::ReadLastConnectedDocbase() {
    if (!state_.lastConnectedDocbase.empty() || !MayReadRegistryFile()) return;
    const auto bytes = OpenBytes();
    if (!bytes) return;
    if (auto docbase = FindLastConnectedDocbase(*bytes)) state_.lastConnectedDocbase = *docbase;
}

}  // namespace fernwick
