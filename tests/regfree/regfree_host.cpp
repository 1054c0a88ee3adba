// A host that carries Fernwick privately: its application manifest depends on the Fernwick
// assembly in the Fernwick folder beside it, so the process's activation context finds both
// classes, their ProgIDs and the type library with nothing in the registry. It fails when Fernwick
// is registered, since then the registry and not the manifest would answer.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/support/com_apartment_win32.h"

namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueHkey;
using tolk::stdx::UniqueVariant;

constexpr wchar_t kClientKey[] = L"SOFTWARE\\Documentum";
constexpr wchar_t kViewKey[] = L"SOFTWARE\\Documentum\\Common\\ViewFiles\\0900000000000a01";

int failures = 0;

void Check(bool passed, const char* what) {
    std::printf("%s: %s\n", passed ? "ok" : "FAILED", what);
    if (!passed) ++failures;
}

bool Registered(const wchar_t* progId) {
    UniqueHkey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, progId, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

UniqueCom<IDispatch> CreateByProgId(const wchar_t* progId) {
    UniqueCom<IDispatch> object;
    CLSID clsid{};
    const bool found = SUCCEEDED(CLSIDFromProgID(progId, &clsid));
    Check(found, "the ProgID names a class");
    if (found)
        Check(SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                         reinterpret_cast<void**>(object.put()))),
              "the class is created");
    return object;
}

// Calls a member by name through the type library, as a script does.
UniqueVariant Call(IDispatch* object, const wchar_t* name, WORD kind, const wchar_t* argument) {
    UniqueVariant result;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return result;
    const UniqueBstr text(argument ? SysAllocString(argument) : nullptr);
    VARIANTARG parameter{};
    parameter.vt = VT_BSTR;
    parameter.bstrVal = text.get();
    DISPPARAMS parameters{&parameter, nullptr, argument ? 1u : 0u, 0};
    object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result.put(), nullptr,
                   nullptr);
    return result;
}

void WriteClientEntry(const wchar_t* name, const wchar_t* value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kViewKey, name, REG_SZ, value,
                    static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

}  // namespace

int wmain() {
    if (Registered(L"PexanFernwick.DocumentumRegistryHelper") ||
        Registered(L"PexanFernwick.ImportPicker")) {
        std::printf("FAILED: Fernwick is registered in this prefix; unregister it first\n");
        return 1;
    }
    const fernwick::ComApartment apartment;
    WriteClientEntry(L"FileName", L"C:\\Work\\View\\manual.xml");
    WriteClientEntry(L"DocbaseName", L"archive");
    {
        const auto helper = CreateByProgId(L"PexanFernwick.DocumentumRegistryHelper");
        if (helper) {
            const auto found =
                Call(helper.get(), L"InitFromObjectID", DISPATCH_METHOD, L"0900000000000a01");
            Check(found->vt == VT_BOOL && found->boolVal == VARIANT_TRUE, "the lookup finds it");
            const auto file = Call(helper.get(), L"FileName", DISPATCH_PROPERTYGET, nullptr);
            Check(
                file->vt == VT_BSTR && std::wstring(file->bstrVal) == L"C:\\Work\\View\\manual.xml",
                "the lookup answers the file name");
        }
        const auto picker = CreateByProgId(L"PexanFernwick.ImportPicker.1");
        if (picker) {
            const auto folder =
                Call(picker.get(), L"LastSelectedFolder", DISPATCH_PROPERTYGET, nullptr);
            Check(folder->vt == VT_BSTR && SysStringLen(folder->bstrVal) == 0,
                  "a new picker answers an empty folder");
        }
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kClientKey);
    Check(!Registered(L"PexanFernwick.DocumentumRegistryHelper"), "nothing was registered");
    std::printf("%d failed\n", failures);
    return failures ? 1 : 0;
}
