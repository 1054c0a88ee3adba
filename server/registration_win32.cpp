#include "server/registration_win32.h"

#include <oleauto.h>

#include <string>

#include "resources/resource.h"
#include "server/class_table_win32.h"
#include "server/module_win32.h"
#include "server/registrar.h"
#include "server/registry_writer_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

constexpr wchar_t kAppId[] = L"{49E947BA-7002-47A2-B57F-6DA3272B679D}";

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

HRESULT RunScript(UINT id, RegistrarMode mode) {
    std::wstring text;
    if (const HRESULT loaded = LoadScriptText(id, text); FAILED(loaded)) return loaded;
    const std::wstring modulePath = FernwickModule().ModulePath();
    if (modulePath.empty()) return LastError();
    const auto script = ParseRegistryScript(text, {{L"APPID", kAppId}, {L"MODULE", modulePath}});
    if (!script) return E_FAIL;
    Win32RegistryWriter writer;
    const std::int32_t status = RunRegistryScript(*script, mode, writer);
    return status ? HRESULT_FROM_WIN32(status) : S_OK;
}

HRESULT LoadOwnTypeLib(tolk::stdx::UniqueCom<ITypeLib>& library, std::wstring& path) {
    path = FernwickModule().ModulePath();
    if (path.empty()) return LastError();
    ITypeLib* loaded = nullptr;
    const HRESULT result = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &loaded);
    library.reset(SUCCEEDED(result) ? loaded : nullptr);
    return result;
}

HRESULT RegisterTypeLibrary() {
    tolk::stdx::UniqueCom<ITypeLib> library;
    std::wstring path;
    if (const HRESULT loaded = LoadOwnTypeLib(library, path); FAILED(loaded)) return loaded;
    return RegisterTypeLib(library.get(), path.data(), nullptr);
}

HRESULT UnregisterTypeLibrary() {
    tolk::stdx::UniqueCom<ITypeLib> library;
    std::wstring path;
    if (const HRESULT loaded = LoadOwnTypeLib(library, path); FAILED(loaded)) return loaded;
    TLIBATTR* attributes = nullptr;
    if (const HRESULT read = library.get()->GetLibAttr(&attributes); FAILED(read)) return read;
    const HRESULT result =
        UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                          attributes->lcid, attributes->syskind);
    library.get()->ReleaseTLibAttr(attributes);
    return result;
}

HRESULT RunAllScripts(RegistrarMode mode) {
    RunScript(IDR_APPID, mode);  // the shared AppID entries: a failure here does not count
    for (const ClassEntry& entry : ClassTable()) {
        if (const HRESULT result = RunScript(entry.registryScript, mode); FAILED(result)) {
            return result;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT RegisterServer() {
    if (const HRESULT result = RunAllScripts(RegistrarMode::Register); FAILED(result))
        return result;
    return RegisterTypeLibrary();
}

HRESULT UnregisterServer() {
    if (const HRESULT result = RunAllScripts(RegistrarMode::Unregister); FAILED(result)) {
        return result;
    }
    return UnregisterTypeLibrary();
}

}  // namespace fernwick
