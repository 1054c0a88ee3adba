#include "server/registrar.h"

#include <gtest/gtest.h>

#include <string>

#include "server/app_id.h"
#include "tests/support/registry_writer_memory.h"
#include "tests/support/resource_text.h"

namespace fernwick {
namespace {

constexpr auto HKCR = RegistryRoot::ClassesRoot;
const std::wstring kAppIdKey = L"AppID\\" + std::wstring(kAppId);
const std::wstring kHelperClsid = tests::IdlUuid(L"coclass DocumentumRegistryHelper");
const std::wstring kClsid = L"CLSID\\" + kHelperClsid;
const std::wstring kModule = L"C:\\Program Files\\Bob's Tools\\Fernwick.dll";

RegistryScript Parsed(const char* name) {
    auto script = ParseRegistryScript(tests::ResourceText(name),
                                      tests::RegistrarValues(L"DocumentumRegistryHelper", kModule));
    EXPECT_TRUE(script.has_value()) << name;
    return script.value_or(RegistryScript{});
}

class RegistrationTest : public ::testing::Test {
protected:
    void RunAll(RegistrarMode mode) {
        ASSERT_EQ(RunRegistryScript(Parsed("appid.rgs"), mode, registry_), 0);
        ASSERT_EQ(RunRegistryScript(Parsed("documentum_registry_helper.rgs"), mode, registry_), 0);
    }
    std::optional<std::wstring> Value(std::wstring_view path, std::wstring_view name = L"") {
        return registry_.Value(HKCR, path, name);
    }
    MemoryRegistryWriter registry_;
};

TEST_F(RegistrationTest, RegisterWritesEveryKeyAndValueOfTheScripts) {
    RunAll(RegistrarMode::Register);

    EXPECT_EQ(Value(kAppIdKey), L"PexanFernwick");
    EXPECT_EQ(Value(L"AppID\\PexanFernwick.DLL", L"AppID"), kAppId);
    EXPECT_EQ(Value(L"PexanFernwick.DocumentumRegistryHelper.1"),
              L"DocumentumRegistryHelper Class");
    EXPECT_EQ(Value(L"PexanFernwick.DocumentumRegistryHelper.1\\CLSID"), kHelperClsid);
    EXPECT_EQ(Value(L"PexanFernwick.DocumentumRegistryHelper"), L"DocumentumRegistryHelper Class");
    EXPECT_EQ(Value(L"PexanFernwick.DocumentumRegistryHelper\\CLSID"), kHelperClsid);
    EXPECT_EQ(Value(L"PexanFernwick.DocumentumRegistryHelper\\CurVer"),
              L"PexanFernwick.DocumentumRegistryHelper.1");
    EXPECT_EQ(Value(kClsid), L"DocumentumRegistryHelper Class");
    EXPECT_EQ(Value(kClsid, L"AppID"), kAppId);
    EXPECT_EQ(Value(kClsid + L"\\ProgID"), L"PexanFernwick.DocumentumRegistryHelper.1");
    EXPECT_EQ(Value(kClsid + L"\\VersionIndependentProgID"),
              L"PexanFernwick.DocumentumRegistryHelper");
    EXPECT_TRUE(registry_.KeyExists(HKCR, kClsid + L"\\Programmable"));
    EXPECT_EQ(Value(kClsid + L"\\InprocServer32"), kModule);
    EXPECT_EQ(Value(kClsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Value(kClsid + L"\\TypeLib"), tests::IdlUuid(L"library FernwickLib"));
    EXPECT_EQ(registry_.KeyPaths(),
              (std::vector<std::wstring>{
                  L"0:AppID", L"0:AppID\\PexanFernwick.DLL", L"0:" + kAppIdKey, L"0:CLSID",
                  L"0:" + kClsid, L"0:" + kClsid + L"\\InprocServer32",
                  L"0:" + kClsid + L"\\ProgID", L"0:" + kClsid + L"\\Programmable",
                  L"0:" + kClsid + L"\\TypeLib", L"0:" + kClsid + L"\\VersionIndependentProgID",
                  L"0:PexanFernwick.DocumentumRegistryHelper",
                  L"0:PexanFernwick.DocumentumRegistryHelper.1",
                  L"0:PexanFernwick.DocumentumRegistryHelper.1\\CLSID",
                  L"0:PexanFernwick.DocumentumRegistryHelper\\CLSID",
                  L"0:PexanFernwick.DocumentumRegistryHelper\\CurVer"}));
}

TEST_F(RegistrationTest, UnregisterRemovesEverythingButTheSharedKeys) {
    registry_.CreateKey(HKCR, L"CLSID\\{00000000-0000-0000-0000-000000000001}");
    RunAll(RegistrarMode::Register);
    RunAll(RegistrarMode::Unregister);
    EXPECT_EQ(registry_.KeyPaths(),
              (std::vector<std::wstring>{L"0:AppID", L"0:CLSID",
                                         L"0:CLSID\\{00000000-0000-0000-0000-000000000001}"}));

    RunAll(RegistrarMode::Unregister);  // a second time: nothing left to remove, still success
    EXPECT_EQ(registry_.KeyPaths().size(), 3u);
}

// What a build removes while the other build, in the other registry view, stays registered.
TEST_F(RegistrationTest, ThePerViewPartOfTheScriptsIsTheClassKeyAlone) {
    RunAll(RegistrarMode::Register);
    for (const char* name : {"appid.rgs", "documentum_registry_helper.rgs"}) {
        ASSERT_EQ(
            RunRegistryScript(PerViewPart(Parsed(name)), RegistrarMode::Unregister, registry_), 0);
    }
    EXPECT_EQ(
        registry_.KeyPaths(),
        (std::vector<std::wstring>{L"0:AppID", L"0:AppID\\PexanFernwick.DLL", L"0:" + kAppIdKey,
                                   L"0:CLSID", L"0:PexanFernwick.DocumentumRegistryHelper",
                                   L"0:PexanFernwick.DocumentumRegistryHelper.1",
                                   L"0:PexanFernwick.DocumentumRegistryHelper.1\\CLSID",
                                   L"0:PexanFernwick.DocumentumRegistryHelper\\CLSID",
                                   L"0:PexanFernwick.DocumentumRegistryHelper\\CurVer"}));
}

TEST_F(RegistrationTest, RegisteringAgainReplacesTheClassKeyAsAWhole) {
    RunAll(RegistrarMode::Register);
    registry_.SetString(HKCR, kClsid, L"Foreign", L"third party");
    registry_.CreateKey(HKCR, kClsid + L"\\Implemented Categories");
    registry_.SetString(HKCR, L"PexanFernwick.DocumentumRegistryHelper", L"Foreign", L"kept");

    RunAll(RegistrarMode::Register);

    EXPECT_EQ(Value(kClsid, L"Foreign"), std::nullopt);
    EXPECT_FALSE(registry_.KeyExists(HKCR, kClsid + L"\\Implemented Categories"));
    EXPECT_EQ(Value(kClsid + L"\\InprocServer32"), kModule);
    EXPECT_EQ(Value(L"PexanFernwick.DocumentumRegistryHelper", L"Foreign"), L"kept");
}

TEST_F(RegistrationTest, UnregisterKeepsAKeyThatStillHoldsForeignSubkeys) {
    RunAll(RegistrarMode::Register);
    registry_.CreateKey(HKCR, L"PexanFernwick.DocumentumRegistryHelper\\Foreign");
    RunAll(RegistrarMode::Unregister);
    EXPECT_TRUE(registry_.KeyExists(HKCR, L"PexanFernwick.DocumentumRegistryHelper\\Foreign"));
    EXPECT_FALSE(registry_.KeyExists(HKCR, L"PexanFernwick.DocumentumRegistryHelper\\CLSID"));
    EXPECT_FALSE(registry_.KeyExists(HKCR, kClsid));
}

TEST_F(RegistrationTest, ARefusingRegistryStopsTheRunWithItsError) {
    registry_.RefuseWrites(5);
    EXPECT_EQ(RunRegistryScript(Parsed("documentum_registry_helper.rgs"), RegistrarMode::Register,
                                registry_),
              5);
    EXPECT_TRUE(registry_.KeyPaths().empty());
}

TEST(RegistryScriptTest, ReadsFlagsValuesQuotesAndPlaceholders) {
    const auto script = ParseRegistryScript(
        L"HKCR { NoRemove A { ForceRemove 'B c' = s 'it''s %X%' { val V = s '%%' } D } }\n"
        L"HKEY_LOCAL_MACHINE { E }",
        {{L"X", L"x'y"}});
    ASSERT_TRUE(script);
    ASSERT_EQ(script->size(), 2u);
    const ScriptKey& a = (*script)[0].keys.at(0);
    EXPECT_EQ(a.name, L"A");
    EXPECT_EQ(a.flag, KeyFlag::NoRemove);
    EXPECT_FALSE(a.defaultValue);
    ASSERT_EQ(a.subkeys.size(), 2u);
    const ScriptKey& b = a.subkeys[0];
    EXPECT_EQ(b.name, L"B c");
    EXPECT_EQ(b.flag, KeyFlag::ForceRemove);
    EXPECT_EQ(b.defaultValue, L"it's x'y");
    ASSERT_EQ(b.values.size(), 1u);
    EXPECT_EQ(b.values[0].name, L"V");
    EXPECT_EQ(b.values[0].data, L"%");
    EXPECT_EQ(a.subkeys[1].name, L"D");
    EXPECT_EQ((*script)[1].root, RegistryRoot::LocalMachine);
}

TEST(RegistryScriptTest, MalformedScriptsAndUnknownPlaceholdersYieldNothing) {
    const ScriptReplacements replacements{{L"MODULE", L"C:\\Fernwick.dll"}};
    for (const wchar_t* text : {
             L"HKCR { A = s '%APPID%' }",      // placeholder without a replacement
             L"HKCR { A = s '%MODULE }",       // placeholder not closed
             L"HKCR { A = s 'unterminated }",  // quote not closed
             L"HKCR { A { B }",                // brace not closed
             L"HKCR { A } }",                  // brace never opened
             L"HKCR { A = d '1' }",            // only string values
             L"HKCR { A = s unquoted }",       // value text must be quoted
             L"HKCR { val V = s 'x' }",        // named value outside a key
             L"HKXX { A }",                    // unknown root
             L"HKCR A",                        // root without braces
             L"HKCR { ForceRemove }",          // flag without a key
             L"HKCR { A = }",                  // assignment without a value
         }) {
        EXPECT_FALSE(ParseRegistryScript(text, replacements))
            << std::string(text, text + wcslen(text));
    }
    EXPECT_TRUE(ParseRegistryScript(L"", replacements));
}

}  // namespace
}  // namespace fernwick
