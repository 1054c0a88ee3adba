#include "registry_helper/client_registry.h"

#include "support/ascii_case.h"

namespace fernwick {

namespace {

constexpr std::wstring_view kEditListKey = L"SOFTWARE\\Documentum\\Common\\WorkingFiles";
constexpr std::wstring_view kViewListKey = L"SOFTWARE\\Documentum\\Common\\ViewFiles";
constexpr std::wstring_view kLastConnectedDocbaseKey =
    L"SOFTWARE\\Documentum\\Common\\LastConnectedDocbase";
constexpr std::wstring_view kAlternatePathsSubkey = L"\\Alternate FilePaths\\";

constexpr std::wstring_view kFileNameValue = L"FileName";
constexpr std::wstring_view kAlternatePathsValue = L"1";
constexpr std::wstring_view kDocbaseValue = L"Docbase";

constexpr wchar_t kAlternatePathSeparator = L'<';

std::wstring DocumentKeyPath(std::wstring_view listKey, std::wstring_view id) {
    std::wstring path;
    path.reserve(listKey.size() + 1 + id.size());
    path.append(listKey).append(L"\\").append(id);
    return path;
}

// The alternate paths are separated by "<"; separators at either end or side by side yield no
// empty path, and paths are compared untrimmed.
bool AnyAlternatePathEquals(std::wstring_view alternatePaths, std::wstring_view name) {
    std::size_t start = 0;
    while (start < alternatePaths.size()) {
        const std::size_t end = alternatePaths.find(kAlternatePathSeparator, start);
        const std::wstring_view path = alternatePaths.substr(start, end - start);
        if (!path.empty() && tolk::stdx::AsciiEqualsIgnoreCase(path, name)) return true;
        if (end == std::wstring_view::npos) break;
        start = end + 1;
    }
    return false;
}

}  // namespace

RegistryKey ClientRegistry::OpenClientKey(std::wstring_view path) {
    RegistryKey key = store_.OpenKey(RegistryHive::CurrentUser, path);
    if (key) return key;
    return store_.OpenKey(RegistryHive::LocalMachine, path);
}

bool ClientRegistry::FindByObjectId(LookupState& state, std::wstring_view id, ClientLists lists) {
    state.StartObjectIdQuery(id);
    LocalCopyRecord& record = state.current;
    if (!NamesADocument(record.ObjectID)) {
        record.ObjectID.clear();
        return false;
    }

    OpenMode origin = OpenMode::None;
    const RegistryKey documentKey = OpenDocumentKey(record.ObjectID, lists, origin);
    if (!documentKey) {
        record.ObjectID.clear();
        return false;
    }
    // The list stays named even when the key turns out to have no FileName.
    record.Origin = origin;
    if (!store_.QueryText(documentKey, kFileNameValue, record.FileName)) {
        record.ObjectID.clear();
        return false;
    }
    ReadDetails(documentKey, record);
    return true;
}

RegistryKey ClientRegistry::OpenDocumentKey(std::wstring_view id, ClientLists lists,
                                            OpenMode& origin) {
    if (lists != ClientLists::ViewOnly) {
        RegistryKey key = OpenClientKey(DocumentKeyPath(kEditListKey, id));
        if (key) {
            origin = OpenMode::Edit;
            return key;
        }
    }
    if (lists != ClientLists::EditOnly) {
        RegistryKey key = OpenClientKey(DocumentKeyPath(kViewListKey, id));
        if (key) {
            origin = OpenMode::View;
            return key;
        }
    }
    return {};
}

bool ClientRegistry::FindByFileName(LookupState& state, std::wstring_view name) {
    state.StartFileNameQuery(name);
    LocalCopyRecord& record = state.current;
    // The walk leaves FileName alone, so the queried text stays readable there.
    const std::wstring_view wanted = record.FileName;

    OpenMode origin = OpenMode::Edit;
    RegistryKey recordKey = FindRecordKey(state, kEditListKey, AlternatePaths::Ignored, wanted);
    if (!recordKey) {
        origin = OpenMode::View;
        recordKey = FindRecordKey(state, kViewListKey, AlternatePaths::Consulted, wanted);
    }
    if (!recordKey) {
        record.ObjectID.clear();
        return false;
    }
    record.Origin = origin;
    ReadDetails(recordKey, record);
    return true;
}

RegistryKey ClientRegistry::FindRecordKey(LookupState& state, std::wstring_view listPath,
                                          AlternatePaths alternatePaths, std::wstring_view name) {
    state.enumerationPosition = 0;
    const RegistryKey listKey = OpenClientKey(listPath);
    if (!listKey) return {};

    std::wstring& subkeyName = state.current.ObjectID;
    WalkBuffers buffers;
    while (true) {
        const bool listed = store_.SubkeyName(listKey, state.enumerationPosition, subkeyName);
        ++state.enumerationPosition;
        if (!listed) return {};
        // A listed subkey that does not open ends the walk as if the list were exhausted.
        RegistryKey documentKey = store_.OpenKey(listKey, subkeyName);
        if (!documentKey) return {};
        // Without a FileName the document is skipped, its alternate paths included.
        if (!store_.QueryText(documentKey, kFileNameValue, buffers.storedPath)) continue;
        if (tolk::stdx::AsciiEqualsIgnoreCase(buffers.storedPath, name)) return documentKey;
        if (alternatePaths == AlternatePaths::Consulted &&
            AlternatePathsHold(subkeyName, name, buffers)) {
            return documentKey;
        }
    }
}

bool ClientRegistry::AlternatePathsHold(std::wstring_view objectId, std::wstring_view name,
                                        WalkBuffers& buffers) {
    buffers.alternatesKeyPath.assign(kViewListKey)
        .append(L"\\")
        .append(objectId)
        .append(kAlternatePathsSubkey);
    const RegistryKey alternatesKey = OpenClientKey(buffers.alternatesKeyPath);
    if (!alternatesKey) return false;
    ReadTextOrEmpty(alternatesKey, kAlternatePathsValue, buffers.alternatePaths);
    return AnyAlternatePathEquals(buffers.alternatePaths, name);
}

void ClientRegistry::ReadLastConnectedDocbase(LookupState& state) {
    if (!state.lastConnectedDocbase.empty()) return;
    // Without the key the cache stays empty and the next call looks again.
    const RegistryKey key = OpenClientKey(kLastConnectedDocbaseKey);
    if (!key) return;
    ReadTextOrEmpty(key, kDocbaseValue, state.lastConnectedDocbase);
}

void ClientRegistry::ReadDetails(const RegistryKey& documentKey, LocalCopyRecord& record) {
    ReadTextOrEmpty(documentKey, L"DocbaseName", record.DocbaseName);
    ReadTextOrEmpty(documentKey, L"UserName", record.UserName);
    ReadTextOrEmpty(documentKey, L"User", record.User);
    ReadTextOrEmpty(documentKey, L"DomainName", record.DomainName);
}

void ClientRegistry::ReadTextOrEmpty(const RegistryKey& key, std::wstring_view valueName,
                                     std::wstring& text) {
    if (!store_.QueryText(key, valueName, text)) text.clear();
}

}  // namespace fernwick
