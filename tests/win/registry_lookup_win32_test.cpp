// Lookups in the real registry, each test in hives of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "registry_helper/client_registry.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "registry_helper/registry_store_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/win/scratch_hives.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueHkey;

const std::wstring kScratchKey = L"Software\\FernwickRegistryLookupTest";
const std::wstring kEditList = L"SOFTWARE\\Documentum\\Common\\WorkingFiles";
const std::wstring kViewList = L"SOFTWARE\\Documentum\\Common\\ViewFiles";

UniqueHkey CreateKey(HKEY parent, const std::wstring& path, REGSAM access = KEY_ALL_ACCESS) {
    UniqueHkey key;
    EXPECT_EQ(
        RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, access, nullptr, key.put(), nullptr),
        ERROR_SUCCESS)
        << "creating " << std::string(path.begin(), path.end());
    return key;
}

void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
            DWORD size) {
    const UniqueHkey key = CreateKey(root, path);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

// A string value stored with its terminating NUL, as the client stores them.
void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text) {
    SetRaw(root, path, name, REG_SZ, text.c_str(),
           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Replaces a key's access list; an empty list lets no one open the key for reading.
void SetAccessList(HKEY root, const std::wstring& path, PACL acl) {
    const UniqueHkey key = CreateKey(root, path, WRITE_DAC);
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    ASSERT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
}

// Each test reads only the hives it wrote.
class RegistryLookupTest : public ::testing::Test {
protected:
    void SetUp() override { hives_.emplace(kScratchKey); }

    void TearDown() override {
        for (const std::wstring& path : deniedKeys_) SetAccessList(user(), path, nullptr);
        hives_.reset();
    }

    void AddDocument(HKEY hive, const std::wstring& list, const std::wstring& id,
                     const std::wstring& fileName, const std::wstring& docbase = L"archive") {
        const std::wstring key = list + L"\\" + id;
        SetString(hive, key, L"FileName", fileName);
        SetString(hive, key, L"DocbaseName", docbase);
        SetString(hive, key, L"UserName", L"Reviewer One");
        SetString(hive, key, L"User", L"reviewer1");
        SetString(hive, key, L"DomainName", L"CORP");
    }

    void DenyAccess(const std::wstring& path) {
        ACL empty;
        ASSERT_TRUE(InitializeAcl(&empty, sizeof(empty), ACL_REVISION));
        SetAccessList(user(), path, &empty);
        deniedKeys_.push_back(path);
    }

    HKEY user() const { return hives_->User(); }
    HKEY machine() const { return hives_->Machine(); }

    RegistryHelper helper{Win32HelperPlatform()};

private:
    std::optional<ScratchHives> hives_;
    std::vector<std::wstring> deniedKeys_;
};

TEST_F(RegistryLookupTest, ObjectIdLookupPrefersEditListAndFallsBackPerKey) {
    AddDocument(user(), kEditList, L"0900000000000a01", L"C:\\Work\\Edit\\manual.xml", L"edits");
    AddDocument(user(), kViewList, L"0900000000000a01", L"C:\\Work\\View\\manual.xml", L"views");
    AddDocument(machine(), kEditList, L"0900000000000b02", L"C:\\Machine\\two.xml", L"machine");

    ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000A01"));
    EXPECT_EQ(helper.Current(),
              (LocalCopyRecord{L"0900000000000A01", L"edits", L"Reviewer One", L"reviewer1",
                               L"CORP", L"C:\\Work\\Edit\\manual.xml", OpenMode::Edit}));
    ASSERT_TRUE(helper.InitViewFromObjectID(L"0900000000000a01"));
    EXPECT_EQ(helper.Current().DocbaseName, L"views");
    EXPECT_TRUE(helper.IsOpenForView());

    ASSERT_TRUE(helper.InitEditFromObjectID(L"0900000000000b02"));
    EXPECT_EQ(helper.Current().DocbaseName, L"machine");
    EXPECT_FALSE(helper.InitViewFromObjectID(L"0900000000000b02"));
    EXPECT_EQ(helper.Current().ObjectID, L"");

    SetString(user(), kViewList + L"\\0900000000000c03", L"DocbaseName", L"no file name");
    EXPECT_FALSE(helper.InitFromObjectID(L"0900000000000c03"));
    EXPECT_EQ(helper.Current(), (LocalCopyRecord{L"", L"", L"", L"", L"", L"", OpenMode::View}));
}

TEST_F(RegistryLookupTest, FileNameLookupFoldsAsciiAndReadsAlternatePaths) {
    AddDocument(user(), kEditList, L"0900000000000a01", L"C:\\Work\\\u00C9t\u00E9.xml", L"edits");
    AddDocument(user(), kViewList, L"0900000000000b01", L"C:\\Work\\View\\manual.xml");
    const std::wstring alternates = kViewList + L"\\0900000000000b01\\Alternate FilePaths";
    SetString(user(), alternates, L"1", L"<D:\\Copies\\manual.xml<<E:\\Old\\manual.xml<");
    SetString(user(), alternates, L"2", L"F:\\Ignored\\manual.xml");

    ASSERT_TRUE(helper.InitFromFileName(L"c:\\WORK\\\u00C9t\u00E9.XML"));
    EXPECT_TRUE(helper.IsOpenForEdit());
    EXPECT_FALSE(helper.InitFromFileName(L"C:\\Work\\\u00E9t\u00E9.xml"));
    EXPECT_FALSE(helper.InitFromFileName(L"C:\\Work\\View\\manual"));

    for (const std::wstring path : {L"d:\\copies\\MANUAL.XML", L"E:\\Old\\manual.xml"}) {
        ASSERT_TRUE(helper.InitFromFileName(path));
        EXPECT_EQ(helper.Current(),
                  (LocalCopyRecord{L"0900000000000b01", L"archive", L"Reviewer One", L"reviewer1",
                                   L"CORP", path, OpenMode::View}));
    }
    EXPECT_FALSE(helper.InitFromFileName(L"F:\\Ignored\\manual.xml"));
    EXPECT_EQ(helper.Current().ObjectID, L"");
}

TEST_F(RegistryLookupTest, SubkeyThatDoesNotOpenEndsTheWalkOfItsList) {
    AddDocument(user(), kEditList, L"0900000000000a01", L"C:\\Work\\first.xml");
    AddDocument(user(), kEditList, L"0900000000000a02", L"C:\\Work\\second.xml");
    AddDocument(user(), kEditList, L"0900000000000a03", L"C:\\Work\\third.xml");
    DenyAccess(kEditList + L"\\0900000000000a02");

    EXPECT_TRUE(helper.InitFromFileName(L"C:\\Work\\first.xml"));
    EXPECT_FALSE(helper.InitFromFileName(L"C:\\Work\\third.xml"));

    AddDocument(user(), kViewList, L"0900000000000a03", L"C:\\Work\\third.xml");
    ASSERT_TRUE(helper.InitFromFileName(L"C:\\Work\\third.xml"));
    EXPECT_TRUE(helper.IsOpenForView());
}

TEST_F(RegistryLookupTest, ValuesAreTextUpToTheFirstNulWithinTheBuffer) {
    const std::wstring key = kEditList + L"\\0900000000000a01";
    SetString(user(), key, L"FileName", L"C:\\Work\\a.xml");
    const DWORD twoLetters = 0x00410042;  // "BA" as UTF-16LE
    SetRaw(user(), key, L"DocbaseName", REG_DWORD, &twoLetters, sizeof(twoLetters));
    const char oddLength[] = {'o', 0, 'k', 0, '!'};
    SetRaw(user(), key, L"UserName", REG_BINARY, oddLength, sizeof(oddLength));
    const std::wstring unterminated = L"no terminator";
    SetRaw(user(), key, L"User", REG_SZ, unterminated.data(),
           static_cast<DWORD>(unterminated.size() * sizeof(wchar_t)));

    ASSERT_TRUE(helper.InitEditFromObjectID(L"0900000000000a01"));
    EXPECT_EQ(helper.Current().DocbaseName, L"BA");
    EXPECT_EQ(helper.Current().UserName, L"ok");
    EXPECT_EQ(helper.Current().User, L"no terminator");

    const std::wstring longest(1023, L'x');
    SetString(user(), key, L"FileName", longest);
    ASSERT_TRUE(helper.InitEditFromObjectID(L"0900000000000a01"));
    EXPECT_EQ(helper.Current().FileName, longest);

    const std::wstring tooLong(1024, L'x');
    SetString(user(), key, L"FileName", tooLong);
    EXPECT_FALSE(helper.InitEditFromObjectID(L"0900000000000a01"));
    SetRaw(user(), key, L"FileName", REG_SZ, tooLong.data(),
           static_cast<DWORD>(tooLong.size() * sizeof(wchar_t)));
    EXPECT_FALSE(helper.InitEditFromObjectID(L"0900000000000a01"));
    const std::wstring shortTextLongData = std::wstring(L"C:\\a.xml\0", 9) + tooLong;
    SetRaw(user(), key, L"FileName", REG_SZ, shortTextLongData.data(),
           static_cast<DWORD>(shortTextLongData.size() * sizeof(wchar_t)));
    EXPECT_FALSE(helper.InitEditFromObjectID(L"0900000000000a01"));
}

TEST_F(RegistryLookupTest, LastConnectedDocbaseIsPickedUpOnceItIsThere) {
    const std::wstring key = L"SOFTWARE\\Documentum\\Common\\LastConnectedDocbase";
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"");
    CreateKey(user(), key);
    SetString(machine(), key, L"Docbase", L"machine");
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"");

    SetString(user(), key, L"Docbase", L"archive");
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"archive");
    SetString(user(), key, L"Docbase", L"later");
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"archive");
}

TEST_F(RegistryLookupTest, ObjectIdsWithANulOrABackslashNameNoDocument) {
    AddDocument(user(), kEditList, L"t01", L"C:\\Work\\t01.xml");
    for (const std::wstring& id :
         {std::wstring(L"t01\0junk", 8), std::wstring(L"\\"), std::wstring(L"t01\\")}) {
        EXPECT_FALSE(helper.InitFromObjectID(id));
        EXPECT_EQ(helper.Current(), LocalCopyRecord{});
    }
}

}  // namespace
}  // namespace fernwick
