// Self-registration and the version information of the file.
#include "tests/win/com_server.h"

#include <vector>

namespace fernwick {
namespace {

struct RegisteredClass {
    const wchar_t* name;
    std::wstring clsid;
};
const RegisteredClass kClasses[] = {
    {L"DocumentumRegistryHelper", GuidText(CLSID_DocumentumRegistryHelper)},
    {L"ImportPicker", GuidText(CLSID_ImportPicker)},
};
const std::wstring kTypeLibKey = L"TypeLib\\" + GuidText(LIBID_FernwickLib);

TEST_F(ComServerTest, RegistrationWritesAndRemovesExactlyItsEntries) {
    ASSERT_EQ(server.registerServer(), S_OK);
    EXPECT_EQ(ClassesValue(L"AppID\\" + std::wstring(kAppId)), L"PexanFernwick");
    EXPECT_EQ(ClassesValue(L"AppID\\PexanFernwick.DLL", L"AppID"), kAppId);
    for (const RegisteredClass& entry : kClasses) {
        const std::wstring name = entry.name;
        const std::wstring progId = L"PexanFernwick." + name;
        const std::wstring description = name + L" Class";
        const std::wstring key = L"CLSID\\" + entry.clsid;
        EXPECT_EQ(ClassesValue(progId + L".1"), description);
        EXPECT_EQ(ClassesValue(progId + L".1\\CLSID"), entry.clsid);
        EXPECT_EQ(ClassesValue(progId), description);
        EXPECT_EQ(ClassesValue(progId + L"\\CLSID"), entry.clsid);
        EXPECT_EQ(ClassesValue(progId + L"\\CurVer"), progId + L".1");
        EXPECT_EQ(ClassesValue(key), description);
        EXPECT_EQ(ClassesValue(key, L"AppID"), kAppId);
        EXPECT_EQ(ClassesValue(key + L"\\ProgID"), progId + L".1");
        EXPECT_EQ(ClassesValue(key + L"\\VersionIndependentProgID"), progId);
        EXPECT_TRUE(ClassesKeyExists(key + L"\\Programmable"));
        EXPECT_EQ(ClassesValue(key + L"\\InprocServer32"), std::wstring(FERNWICK_DLL_PATH));
        EXPECT_EQ(ClassesValue(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(ClassesValue(key + L"\\TypeLib"), GuidText(LIBID_FernwickLib));
    }
    const std::wstring clsid = kClsidKey;
    UniqueCom<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(LIBID_FernwickLib, 1, 0, 0, library.put()), S_OK);

    // A second registration replaces the class key as a whole.
    {
        UniqueHkey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, clsid.c_str(), 0, KEY_SET_VALUE, key.put()),
                  ERROR_SUCCESS);
        RegSetValueExW(key.get(), L"ThirdParty", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    }
    ASSERT_TRUE(ClassesValue(clsid, L"ThirdParty"));
    ASSERT_EQ(server.registerServer(), S_OK);
    EXPECT_FALSE(ClassesValue(clsid, L"ThirdParty"));
    EXPECT_EQ(ClassesValue(clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");

    ASSERT_EQ(server.unregisterServer(), S_OK);
    std::vector<std::wstring> gone = {
        L"AppID\\PexanFernwick.DLL", L"AppID\\" + std::wstring(kAppId),
        // the other build's type library entry, beside this one, may stay
        kTypeLibKey + L"\\1.0\\0\\" + kSysKind};
    for (const RegisteredClass& entry : kClasses) {
        gone.push_back(L"CLSID\\" + entry.clsid);
        gone.push_back(L"PexanFernwick." + std::wstring(entry.name));
        gone.push_back(L"PexanFernwick." + std::wstring(entry.name) + L".1");
    }
    for (const std::wstring& key : gone) {
        EXPECT_FALSE(ClassesKeyExists(key)) << std::string(key.begin(), key.end());
    }
    EXPECT_TRUE(ClassesKeyExists(L"CLSID"));
    EXPECT_TRUE(ClassesKeyExists(L"AppID"));

    // Leave the prefix registered for the suites that run after this program.
    EXPECT_EQ(server.registerServer(), S_OK);
}

TEST_F(ComServerTest, TheFileCarriesItsVersion) {
    const DWORD size = GetFileVersionInfoSizeW(FERNWICK_DLL_PATH, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(FERNWICK_DLL_PATH, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 0);
    wchar_t* product = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, L"Fernwick");
}

}  // namespace
}  // namespace fernwick
