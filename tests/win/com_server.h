#pragma once

// The component server as a host sees it: Fernwick.dll loaded directly, its exports, class
// objects and self-registration. Shared by the Windows test programs of the server.
#include <windows.h>
#include <objsafe.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fernwick.h"
#include "server/app_id.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "test_paths.h"
#include "tests/support/com_apartment_win32.h"

// MinGW's objsafe.h names no uuid for IObjectSafety, which IID_PPV_ARGS needs.
__CRT_UUID_DECL(IObjectSafety, 0xcb5bdc81, 0x93c1, 0x11cf, 0x8f, 0x20, 0x00, 0x80, 0x5f, 0x2c, 0xd0,
                0x64)

namespace fernwick {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueHkey;
using tolk::stdx::UniqueVariant;

using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using DllFn = HRESULT(STDAPICALLTYPE*)();
using DllInstallFn = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);

// A GUID as the registry writes it, braced and in capitals, from the definitions that widl
// generates from the IDL: tests never copy an identity.
inline std::wstring GuidText(REFGUID guid) {
    wchar_t text[39] = {};
    StringFromGUID2(guid, text, 39);
    return text;
}

inline const std::wstring kClsidKey = L"CLSID\\" + GuidText(CLSID_DocumentumRegistryHelper);
inline const wchar_t* const kSysKind = sizeof(void*) == 8 ? L"win64" : L"win32";
inline const CLSID kUnknownClsid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

struct Server {
    explicit Server(const wchar_t* path = FERNWICK_DLL_PATH) : module(LoadLibraryW(path)) {}

    HMODULE module;
    DllGetClassObjectFn getClassObject = Export<DllGetClassObjectFn>("DllGetClassObject");
    DllFn canUnloadNow = Export<DllFn>("DllCanUnloadNow");
    DllFn registerServer = Export<DllFn>("DllRegisterServer");
    DllFn unregisterServer = Export<DllFn>("DllUnregisterServer");
    DllInstallFn install = Export<DllInstallFn>("DllInstall");

    template <typename Fn>
    Fn Export(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    UniqueCom<IClassFactory> Factory() {
        UniqueCom<IClassFactory> factory;
        EXPECT_EQ(getClassObject(CLSID_DocumentumRegistryHelper, IID_PPV_ARGS(factory.put())),
                  S_OK);
        return factory;
    }

    UniqueCom<IDocumentumRegistryHelper> CreateHelper() {
        UniqueCom<IDocumentumRegistryHelper> helper;
        EXPECT_EQ(Factory()->CreateInstance(nullptr, IID_PPV_ARGS(helper.put())), S_OK);
        return helper;
    }
};

inline Server& TheServer() {
    static Server server;
    return server;
}

inline std::optional<std::wstring> ClassesValue(const std::wstring& key,
                                                const wchar_t* name = nullptr) {
    wchar_t data[1024];
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

inline bool ClassesKeyExists(const std::wstring& key) {
    UniqueHkey opened;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, opened.put()) ==
           ERROR_SUCCESS;
}

inline DISPID IdOf(IDispatch* dispatch, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = -99;
    const HRESULT result = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return SUCCEEDED(result) ? id : -99;
}

// Every test of a program shares one loaded server and one apartment.
class ComServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(TheServer().module, nullptr);
        apartment.emplace();
    }
    static void TearDownTestSuite() { apartment.reset(); }
    static inline std::optional<ComApartment> apartment;

    Server& server = TheServer();
};

}  // namespace fernwick
