#include "server/registration_win32.h"

#include <oleauto.h>

#include <string>

#include "resources/resource.h"
#include "server/app_id.h"
#include "server/class_table_win32.h"
#include "server/module_win32.h"
#include "server/registrar.h"
#include "support/ascii_case.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueHkey;

// A 64-bit build finds the other build's class keys in the 32-bit view, and the other way round.
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[39] = {};
    StringFromGUID2(guid, text, 39);
    return text;
}

// The text of a "REGISTRY" resource of Fernwick's own file.
HRESULT LoadScriptText(UINT id, std::wstring& text) {
    const HMODULE module = FernwickModule().Instance();
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!resource) return LastError();
    const HGLOBAL loaded = LoadResource(module, resource);
    const DWORD size = SizeofResource(module, resource);
    const auto* bytes = static_cast<const char*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes) return LastError();
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
    text.assign(length, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), text.data(), length);
    return S_OK;
}

enum class Part { Whole, PerView };

HRESULT RunScript(UINT id, RegistrarMode mode, ClassesScope scope, Part part) {
    std::wstring text;
    if (const HRESULT loaded = LoadScriptText(id, text); FAILED(loaded)) return loaded;
    const std::wstring modulePath = FernwickModule().ModulePath();
    if (modulePath.empty()) return LastError();
    const auto script = ParseRegistryScript(text, {{L"APPID", kAppId}, {L"MODULE", modulePath}});
    if (!script) return E_FAIL;
    Win32RegistryWriter writer(scope);
    const std::int32_t status =
        RunRegistryScript(part == Part::Whole ? *script : PerViewPart(*script), mode, writer);
    return status ? HRESULT_FROM_WIN32(status) : S_OK;
}

HRESULT RunAllScripts(RegistrarMode mode, ClassesScope scope, Part part) {
    RunScript(IDR_APPID, mode, scope, part);  // the shared AppID entries: a failure does not count
    for (const ClassEntry& entry : ClassTable()) {
        if (const HRESULT result = RunScript(entry.registryScript, mode, scope, part);
            FAILED(result)) {
            return result;
        }
    }
    return S_OK;
}

bool OtherBuildRegistered(ClassesScope scope) {
    Win32RegistryWriter otherView(scope, kOtherView);
    for (const ClassEntry& entry : ClassTable()) {
        if (otherView.KeyExists(RegistryRoot::ClassesRoot,
                                L"CLSID\\" + GuidText(entry.clsid) + L"\\InprocServer32"))
            return true;
    }
    return false;
}

// Points this process's HKEY_CLASSES_ROOT at the current user's classes while it lives, so that
// the type library functions write and remove a per-user registration (RegisterTypeLibForUser
// works this way, but some implementations of it register machine-wide instead). Machine scope
// leaves HKEY_CLASSES_ROOT alone.
class ClassesRootRedirection {
public:
    explicit ClassesRootRedirection(ClassesScope scope) {
        if (scope == ClassesScope::Machine) return;
        HKEY created = nullptr;
        status_ =
            HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr,
                                               0, KEY_ALL_ACCESS, nullptr, &created, nullptr));
        if (FAILED(status_)) return;
        const UniqueHkey classes(created);
        status_ = HRESULT_FROM_WIN32(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.get()));
        redirected_ = SUCCEEDED(status_);
    }
    ~ClassesRootRedirection() {
        if (redirected_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    ClassesRootRedirection(const ClassesRootRedirection&) = delete;
    ClassesRootRedirection& operator=(const ClassesRootRedirection&) = delete;

    HRESULT Status() const noexcept { return status_; }

private:
    HRESULT status_ = S_OK;
    bool redirected_ = false;
};

HRESULT LoadOwnTypeLib(UniqueCom<ITypeLib>& library, std::wstring& path) {
    path = FernwickModule().ModulePath();
    if (path.empty()) return LastError();
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
}

HRESULT RegisterTypeLibrary(ClassesScope scope) {
    UniqueCom<ITypeLib> library;
    std::wstring path;
    if (const HRESULT loaded = LoadOwnTypeLib(library, path); FAILED(loaded)) return loaded;
    const ClassesRootRedirection redirection(scope);
    if (FAILED(redirection.Status())) return redirection.Status();
    return RegisterTypeLib(library.get(), path.data(), nullptr);
}

// The type library entry of this build alone: TypeLib\{LIBID}\major.minor\lcid\syskind.
std::wstring OwnTypeLibEntry(const TLIBATTR& attributes) {
    static constexpr const wchar_t* kSysKinds[] = {L"win16", L"win32", L"mac", L"win64"};
    wchar_t numbers[48] = {};
    swprintf(numbers, 48, L"\\%x.%x\\%lx\\", attributes.wMajorVerNum, attributes.wMinorVerNum,
             static_cast<unsigned long>(attributes.lcid));
    return L"TypeLib\\" + GuidText(attributes.guid) + numbers + kSysKinds[attributes.syskind & 3];
}

HRESULT UnregisterTypeLibrary(ClassesScope scope, bool otherBuildRegistered) {
    UniqueCom<ITypeLib> library;
    std::wstring path;
    if (const HRESULT loaded = LoadOwnTypeLib(library, path); FAILED(loaded)) return loaded;
    TLIBATTR* attributes = nullptr;
    if (const HRESULT read = library->GetLibAttr(&attributes); FAILED(read)) return read;
    const TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);
    if (otherBuildRegistered) {
        // The library's interface entries serve the other build too.
        Win32RegistryWriter writer(scope);
        const std::int32_t status =
            writer.DeleteTree(RegistryRoot::ClassesRoot, OwnTypeLibEntry(copy));
        return status ? HRESULT_FROM_WIN32(status) : S_OK;
    }
    const ClassesRootRedirection redirection(scope);
    if (FAILED(redirection.Status())) return redirection.Status();
    return UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid,
                             copy.syskind);
}

}  // namespace

HRESULT RegisterServer(ClassesScope scope) {
    if (const HRESULT result = RunAllScripts(RegistrarMode::Register, scope, Part::Whole);
        FAILED(result))
        return result;
    return RegisterTypeLibrary(scope);
}

// The class keys go first: only then does the other view show whether another build is left.
HRESULT UnregisterServer(ClassesScope scope) {
    if (const HRESULT result = RunAllScripts(RegistrarMode::Unregister, scope, Part::PerView);
        FAILED(result))
        return result;
    const bool otherBuildRegistered = OtherBuildRegistered(scope);
    if (!otherBuildRegistered) {
        if (const HRESULT result = RunAllScripts(RegistrarMode::Unregister, scope, Part::Whole);
            FAILED(result))
            return result;
    }
    return UnregisterTypeLibrary(scope, otherBuildRegistered);
}

HRESULT InstallServer(bool install, const wchar_t* commandLine) {
    const std::wstring_view argument = commandLine ? commandLine : L"";
    ClassesScope scope = ClassesScope::Machine;
    if (tolk::stdx::AsciiEqualsIgnoreCase(argument, L"user")) {
        scope = ClassesScope::User;
    } else if (!argument.empty()) {
        return E_INVALIDARG;
    }
    return install ? RegisterServer(scope) : UnregisterServer(scope);
}

}  // namespace fernwick
