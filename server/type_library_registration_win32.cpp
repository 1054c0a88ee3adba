#include "server/type_library_registration_win32.h"

#include <oleauto.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "server/module_win32.h"
#include "server/registrar.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;

// The proxy and stub of an interface marshalled from its type library: the automation marshaller
// for dual and custom interfaces, the dispatch marshaller for dispatch-only ones.
constexpr wchar_t kAutomationMarshaller[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kDispatchMarshaller[] = L"{00020420-0000-0000-C000-000000000046}";

HRESULT LoadOwnTypeLib(UniqueCom<ITypeLib>& library, std::wstring& path) {
    path = FernwickModule().ModulePath();
    if (path.empty()) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
}

HRESULT ReadAttributes(ITypeLib* library, TLIBATTR& copy) {
    TLIBATTR* attributes = nullptr;
    if (const HRESULT read = library->GetLibAttr(&attributes); FAILED(read)) return read;
    copy = *attributes;
    library->ReleaseTLibAttr(attributes);
    return S_OK;
}

ScriptKey Key(std::wstring name, std::optional<std::wstring> defaultValue,
              std::vector<ScriptKey> subkeys = {}) {
    ScriptKey key;
    key.name = std::move(name);
    key.defaultValue = std::move(defaultValue);
    key.subkeys = std::move(subkeys);
    return key;
}

std::optional<std::wstring> Text(const UniqueBstr& text) {
    if (!text) return std::nullopt;
    return std::wstring(text.get(), SysStringLen(text.get()));
}

std::wstring Hex(unsigned long number) {
    wchar_t text[16] = {};
    swprintf(text, 16, L"%lx", number);
    return text;
}

std::wstring VersionText(const TLIBATTR& attributes) {
    return Hex(attributes.wMajorVerNum) + L"." + Hex(attributes.wMinorVerNum);
}

std::wstring SysKindName(SYSKIND sysKind) {
    static constexpr const wchar_t* kSysKinds[] = {L"win16", L"win32", L"mac", L"win64"};
    return kSysKinds[sysKind & 3];
}

// The type library entry of this build alone: TypeLib\{LIBID}\major.minor\lcid\syskind.
std::wstring OwnTypeLibEntry(const TLIBATTR& attributes) {
    return L"TypeLib\\" + GuidText(attributes.guid) + L"\\" + VersionText(attributes) + L"\\" +
           Hex(attributes.lcid) + L"\\" + SysKindName(attributes.syskind);
}

// Interface\{IID} of the library's entry at index, when that entry is an interface marshalled
// from the library: a dispatch or dual interface, or a custom one marked for automation.
HRESULT AddInterfaceKey(ITypeLib* library, UINT index, const TLIBATTR& libraryAttributes,
                        std::vector<ScriptKey>& keys) {
    TYPEKIND kind = TKIND_MAX;
    if (const HRESULT read = library->GetTypeInfoType(index, &kind); FAILED(read)) return read;
    if (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE) return S_OK;
    UniqueCom<ITypeInfo> info;
    if (const HRESULT read = library->GetTypeInfo(index, info.put()); FAILED(read)) return read;
    TYPEATTR* attributes = nullptr;
    if (const HRESULT read = info->GetTypeAttr(&attributes); FAILED(read)) return read;
    const GUID iid = attributes->guid;
    const WORD flags = attributes->wTypeFlags;
    info->ReleaseTypeAttr(attributes);
    if (kind == TKIND_INTERFACE && !(flags & TYPEFLAG_FOLEAUTOMATION)) return S_OK;
    UniqueBstr name;
    if (const HRESULT read = library->GetDocumentation(static_cast<INT>(index), name.put(), nullptr,
                                                       nullptr, nullptr);
        FAILED(read))
        return read;

    const std::wstring marshaller = kind == TKIND_INTERFACE || (flags & TYPEFLAG_FDUAL)
                                        ? kAutomationMarshaller
                                        : kDispatchMarshaller;
    ScriptKey typeLibrary = Key(L"TypeLib", GuidText(libraryAttributes.guid));
    typeLibrary.values.push_back({L"Version", VersionText(libraryAttributes)});
    keys.push_back(Key(GuidText(iid), Text(name),
                       {Key(L"ProxyStubClsid", marshaller), Key(L"ProxyStubClsid32", marshaller),
                        std::move(typeLibrary)}));
    return S_OK;
}

// The entries of the system's registration of the library at path, as a registry script: the
// library's version key with its title, this build's file, FLAGS and HELPDIR (the file's folder,
// as for a library registered without a help directory), and the interfaces.
HRESULT LibraryScript(ITypeLib* library, const std::wstring& path, RegistryScript& script) {
    TLIBATTR attributes;
    if (const HRESULT read = ReadAttributes(library, attributes); FAILED(read)) return read;
    UniqueBstr name;
    UniqueBstr description;
    if (const HRESULT read =
            library->GetDocumentation(-1, name.put(), description.put(), nullptr, nullptr);
        FAILED(read))
        return read;

    ScriptKey version =
        Key(VersionText(attributes), Text(description ? description : name),
            {Key(Hex(attributes.lcid), std::nullopt, {Key(SysKindName(attributes.syskind), path)}),
             Key(L"FLAGS", std::to_wstring(attributes.wLibFlags)),
             Key(L"HELPDIR", path.substr(0, path.find_last_of(L'\\')))});
    ScriptKey interfaces = Key(L"Interface", std::nullopt);
    interfaces.flag = KeyFlag::NoRemove;
    const UINT count = library->GetTypeInfoCount();
    for (UINT index = 0; index < count; ++index) {
        if (const HRESULT added = AddInterfaceKey(library, index, attributes, interfaces.subkeys);
            FAILED(added))
            return added;
    }
    ScriptKey typeLibraries =
        Key(L"TypeLib", std::nullopt, {Key(GuidText(attributes.guid), std::nullopt, {version})});
    typeLibraries.flag = KeyFlag::NoRemove;
    script = {{RegistryRoot::ClassesRoot, {std::move(typeLibraries), std::move(interfaces)}}};
    return S_OK;
}

HRESULT RunLibraryScript(ITypeLib* library, const std::wstring& path, RegistrarMode mode,
                         RegistryWriter& writer) {
    RegistryScript script;
    if (const HRESULT built = LibraryScript(library, path, script); FAILED(built)) return built;
    const std::int32_t status = RunRegistryScript(script, mode, writer);
    return status ? HRESULT_FROM_WIN32(status) : S_OK;
}

}  // namespace

HRESULT RegisterTypeLibrary(ClassesScope scope) {
    UniqueCom<ITypeLib> library;
    std::wstring path;
    if (const HRESULT loaded = LoadOwnTypeLib(library, path); FAILED(loaded)) return loaded;
    if (scope == ClassesScope::Machine) return RegisterTypeLib(library.get(), path.data(), nullptr);
    Win32RegistryWriter writer(scope);
    return RunLibraryScript(library.get(), path, RegistrarMode::Register, writer);
}

HRESULT UnregisterTypeLibrary(ClassesScope scope, bool otherBuildRegistered) {
    UniqueCom<ITypeLib> library;
    std::wstring path;
    if (const HRESULT loaded = LoadOwnTypeLib(library, path); FAILED(loaded)) return loaded;
    TLIBATTR attributes;
    if (const HRESULT read = ReadAttributes(library.get(), attributes); FAILED(read)) return read;
    Win32RegistryWriter writer(scope);
    const std::wstring ownEntry = OwnTypeLibEntry(attributes);
    if (otherBuildRegistered) {
        // The library's interface entries serve the other build too.
        const std::int32_t status = writer.DeleteTree(RegistryRoot::ClassesRoot, ownEntry);
        return status ? HRESULT_FROM_WIN32(status) : S_OK;
    }
    if (scope == ClassesScope::User)
        return RunLibraryScript(library.get(), path, RegistrarMode::Unregister, writer);
    // The system's removal refuses a library that is not registered.
    if (!writer.KeyExists(RegistryRoot::ClassesRoot, ownEntry)) return S_OK;
    return UnRegisterTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum,
                             attributes.lcid, attributes.syskind);
}

}  // namespace fernwick
