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
// The classes of HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
const wchar_t kClasses[] = L"Software\\Classes\\";
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

void AddKey(HKEY root, const std::wstring& path, const std::wstring& name, Snapshot& snapshot,
            REGSAM view) {
    UniqueHkey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) return;
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
        AddKey(root, path + L"\\" + text, name + L"\\" + text, snapshot, view);
    }
}

// Our keys under root\prefix, named relative to prefix so that two roots compare.
Snapshot Take(HKEY root, const std::wstring& prefix = L"", REGSAM view = 0) {
    Snapshot snapshot;
    for (const std::wstring& key : kOurKeys) AddKey(root, prefix + key, key, snapshot, view);
    return snapshot;
}

// Our keys in the machine's classes, in both registry views.
Snapshot TakeMachine() {
    Snapshot snapshot = Take(HKEY_LOCAL_MACHINE, kClasses);
    for (const auto& [name, data] : Take(HKEY_LOCAL_MACHINE, kClasses, kOtherView))
        snapshot[L"other view: " + name] = data;
    return snapshot;
}

// A host that has pointed HKEY_CLASSES_ROOT at a key of its own while it lives.
class HostClassesOverride {
public:
    HostClassesOverride() {
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kMarker, 0, nullptr, 0, KEY_READ, nullptr,
                                  UniqueHkey().put(), nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kHostKey, 0, KEY_ALL_ACCESS, key_.put()),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, key_.get()), ERROR_SUCCESS);
    }
    ~HostClassesOverride() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        key_.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kHostKey);
    }
    HostClassesOverride(const HostClassesOverride&) = delete;
    HostClassesOverride& operator=(const HostClassesOverride&) = delete;

    bool InPlace() const { return ClassesKeyExists(L"HostMarker"); }

private:
    static constexpr wchar_t kHostKey[] = L"Software\\FernwickTestHostClasses";
    static constexpr wchar_t kMarker[] = L"Software\\FernwickTestHostClasses\\HostMarker";
    UniqueHkey key_;
};

Snapshot Without(Snapshot snapshot, const std::wstring& keyPrefix) {
    std::erase_if(snapshot, [&](const auto& entry) { return entry.first.starts_with(keyPrefix); });
    return snapshot;
}

TEST(RegistrationScopeTest, PerUserRegistrationWritesTheMachineEntriesForTheUserAlone) {
    Server server;
    ASSERT_NE(server.install, nullptr);
    const Snapshot machine = Take(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(machine.contains(L"CLSID\\" + kHelperClsid + L"\\InprocServer32|"));
    ASSERT_TRUE(Take(HKEY_CURRENT_USER, kClasses).empty());

    // Beside the machine-wide registration and without it, under a host that redirects
    // HKEY_CLASSES_ROOT itself: nothing machine-wide changes in either view, the host's redirection
    // stays, and removing what is not there succeeds.
    for (const bool besideMachine : {true, false}) {
        if (!besideMachine) {
            ASSERT_EQ(server.unregisterServer(), S_OK);
            EXPECT_EQ(server.unregisterServer(), S_OK);
        }
        const Snapshot machineViews = TakeMachine();
        const HostClassesOverride host;
        EXPECT_EQ(server.install(FALSE, L"user"), S_OK);
        EXPECT_EQ(server.install(TRUE, L"user"), S_OK);
        EXPECT_EQ(Take(HKEY_CURRENT_USER, kClasses), machine);
        EXPECT_EQ(TakeMachine(), machineViews);
        EXPECT_TRUE(host.InPlace());

        EXPECT_EQ(server.install(FALSE, L"User"), S_OK);
        EXPECT_EQ(server.install(FALSE, L"user"), S_OK);
        EXPECT_EQ(Take(HKEY_CURRENT_USER, kClasses), Snapshot());
        EXPECT_EQ(TakeMachine(), machineViews);
        EXPECT_TRUE(host.InPlace());
    }
    EXPECT_EQ(server.install(TRUE, L"machine"), E_INVALIDARG);
    EXPECT_EQ(Take(HKEY_CURRENT_USER, kClasses), Snapshot());

    EXPECT_EQ(server.registerServer(), S_OK);  // for the programs that run after this one
    EXPECT_EQ(Take(HKEY_CLASSES_ROOT), machine);
}

// The other build is represented by its class key in the other view, which is all that a build
// looks at to decide.
TEST(RegistrationScopeTest, RemovalKeepsTheSharedKeysWhileTheOtherBuildIsRegistered) {
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
