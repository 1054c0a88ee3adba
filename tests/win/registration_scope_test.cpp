// Registration as an installer sees it: per-user registration through DllInstall, and removal of
// one build while the other build, in the other registry view, stays registered.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/win/com_server.h"

namespace fernwick {
namespace {

using Snapshot = std::map<std::wstring, std::wstring>;  // "key|value name" -> data

const std::wstring kHelperClsid = GuidText(CLSID_DocumentumRegistryHelper);
const std::wstring kTypeLibKey = L"TypeLib\\" + GuidText(LIBID_FernwickLib);
// Every key that a registration of either build writes, relative to a classes root.
const std::wstring kOurKeys[] = {
    L"AppID\\" + std::wstring(kAppId),
    L"AppID\\PexanFernwick.DLL",
    L"PexanFernwick.DocumentumRegistryHelper",
    L"PexanFernwick.DocumentumRegistryHelper.1",
    L"PexanFernwick.ImportPicker",
    L"PexanFernwick.ImportPicker.1",
    L"CLSID\\" + kHelperClsid,
    L"CLSID\\" + GuidText(CLSID_ImportPicker),
    kTypeLibKey,
    L"Interface\\" + GuidText(IID_IDocumentumRegistryHelper),
    L"Interface\\" + GuidText(IID_IImportPicker),
};
const wchar_t kUserClasses[] = L"Software\\Classes\\";

void AddKey(HKEY root, const std::wstring& path, const std::wstring& name, Snapshot& snapshot) {
    UniqueHkey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    snapshot[name + L"|"];  // the key itself, even without values
    wchar_t text[1024];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD textSize = 1024, dataSize = sizeof(data) - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(key.get(), i, text, &textSize, nullptr, &type, data, &dataSize)) break;
        data[dataSize] = data[dataSize + 1] = 0;
        snapshot[name + L"|" + text] = reinterpret_cast<const wchar_t*>(data);
    }
    for (DWORD i = 0;; ++i) {
        DWORD textSize = 1024;
        if (RegEnumKeyExW(key.get(), i, text, &textSize, nullptr, nullptr, nullptr, nullptr)) break;
        AddKey(root, path + L"\\" + text, name + L"\\" + text, snapshot);
    }
}

// Our keys under root\prefix, named relative to prefix so that two roots compare.
Snapshot Take(HKEY root, const std::wstring& prefix = L"") {
    Snapshot snapshot;
    for (const std::wstring& key : kOurKeys) AddKey(root, prefix + key, key, snapshot);
    return snapshot;
}

Snapshot Without(Snapshot snapshot, const std::wstring& keyPrefix) {
    std::erase_if(snapshot, [&](const auto& entry) { return entry.first.starts_with(keyPrefix); });
    return snapshot;
}

TEST(RegistrationScopeTest, PerUserRegistrationWritesTheMachineEntriesForTheUserAlone) {
    Server server;
    ASSERT_NE(server.install, nullptr);
    const Snapshot machine = Take(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(machine.contains(L"CLSID\\" + kHelperClsid + L"\\InprocServer32|"));
    ASSERT_TRUE(Take(HKEY_CURRENT_USER, kUserClasses).empty());

    EXPECT_EQ(server.install(TRUE, L"user"), S_OK);
    EXPECT_EQ(Take(HKEY_CURRENT_USER, kUserClasses), machine);
    EXPECT_EQ(Take(HKEY_CLASSES_ROOT), machine);

    EXPECT_EQ(server.install(FALSE, L"User"), S_OK);
    EXPECT_EQ(Take(HKEY_CURRENT_USER, kUserClasses), Snapshot());
    EXPECT_EQ(Take(HKEY_CLASSES_ROOT), machine);

    EXPECT_EQ(server.install(TRUE, L"machine"), E_INVALIDARG);
    EXPECT_EQ(Take(HKEY_CURRENT_USER, kUserClasses), Snapshot());
}

// The other build is represented by its class key in the other view, which is all that a build
// looks at to decide.
TEST(RegistrationScopeTest, RemovalKeepsTheSharedKeysWhileTheOtherBuildIsRegistered) {
    constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const std::wstring otherClass = L"CLSID\\" + kHelperClsid;
    const std::wstring ownTypeLib = kTypeLibKey + L"\\1.0\\0\\" + kSysKind;
    Server server;
    const Snapshot registered = Take(HKEY_CLASSES_ROOT);
    DWORD disposition = 0;
    UniqueHkey created;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CLASSES_ROOT, (otherClass + L"\\InprocServer32").c_str(), 0, nullptr,
                        0, KEY_WRITE | kOtherView, nullptr, created.put(), &disposition),
        ERROR_SUCCESS);
    created.reset();
    if (disposition != REG_CREATED_NEW_KEY)
        GTEST_SKIP() << "the other build is registered in this prefix already";

    EXPECT_EQ(server.unregisterServer(), S_OK);
    EXPECT_EQ(Take(HKEY_CLASSES_ROOT), Without(Without(registered, L"CLSID\\"), ownTypeLib));

    {
        UniqueHkey other;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, otherClass.c_str(), 0,
                                KEY_ALL_ACCESS | kOtherView, other.put()),
                  ERROR_SUCCESS);
        RegDeleteTreeW(other.get(), nullptr);
    }
    ASSERT_EQ(RegDeleteKeyExW(HKEY_CLASSES_ROOT, otherClass.c_str(), kOtherView, 0), ERROR_SUCCESS);

    ASSERT_EQ(server.registerServer(), S_OK);
    EXPECT_EQ(Take(HKEY_CLASSES_ROOT), registered);
    EXPECT_EQ(server.unregisterServer(), S_OK);
    EXPECT_EQ(Take(HKEY_CLASSES_ROOT), Snapshot());

    EXPECT_EQ(server.registerServer(), S_OK);  // for the programs that run after this one
}

}  // namespace
}  // namespace fernwick
