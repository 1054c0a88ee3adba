#include "server/registration_win32.h"

#include <string>

#include "fernwick.h"
#include "resources/resource.h"
#include "server/app_id.h"
#include "server/class_table_win32.h"
#include "server/module_win32.h"
#include "server/registrar.h"
#include "server/type_library_registration_win32.h"
#include "support/ascii_case.h"

namespace fernwick {
namespace {

// A 64-bit build finds the other build's class keys in the 32-bit view, and the other way round.
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
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

// Runs a script with its placeholders replaced; a class's script names its class as %CLSID%.
HRESULT RunScript(UINT id, ScriptReplacements replacements, RegistrarMode mode, ClassesScope scope,
                  Part part) {
    std::wstring text;
    if (const HRESULT loaded = LoadScriptText(id, text); FAILED(loaded)) return loaded;
    const std::wstring modulePath = FernwickModule().ModulePath();
    if (modulePath.empty()) return LastError();
    replacements.insert(
        {{L"APPID", kAppId}, {L"MODULE", modulePath}, {L"LIBID", GuidText(LIBID_FernwickLib)}});
    const auto script = ParseRegistryScript(text, replacements);
    if (!script) return E_FAIL;
    Win32RegistryWriter writer(scope);
    const std::int32_t status =
        RunRegistryScript(part == Part::Whole ? *script : PerViewPart(*script), mode, writer);
    return status ? HRESULT_FROM_WIN32(status) : S_OK;
}

HRESULT RunAllScripts(RegistrarMode mode, ClassesScope scope, Part part) {
    // The shared AppID entries: a failure does not count.
    RunScript(IDR_APPID, {}, mode, scope, part);
    for (const ClassEntry& entry : ClassTable()) {
        if (const HRESULT result = RunScript(
                entry.registryScript, {{L"CLSID", GuidText(entry.clsid)}}, mode, scope, part);
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
