#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <fstream>
#include <string>
#include <vector>

#include "registry_helper/client_registry.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "registry_helper/registry_store_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/support/watchdog.h"
#include "tests/win/scratch_hives.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueFileHandle;
using tolk::stdx::UniqueHkey;

const std::wstring kScratchKey = L"Software\\FernwickRegistryLookupTest";
const std::wstring kEditList = L"SOFTWARE\\Documentum\\Common\\WorkingFiles";
const std::wstring kViewList = L"SOFTWARE\\Documentum\\Common\\ViewFiles";

UniqueHkey CreateKey(HKEY parent, const std::wstring& path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << "creating " << std::string(path.begin(), path.end());
    return UniqueHkey(key);
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

std::filesystem::path TempPath(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1] = {};
    EXPECT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    return std::filesystem::path(temp) / name;
}

// The client keeps its registry file open for writing while it runs; every lookup still reads it.
TEST(RegistryFileLookupTest, AnswersWhileAnotherHandleHoldsTheFileOpenForWriting) {
    const std::filesystem::path path = TempPath(L"fernwick-held-registry.txt");
    const std::string text =
        "[documentum\\Common\\WorkingFiles\\0900000000000b02]\r\n"
        "FileName=C:\\Work\\Edit\\guide.xml\r\nDocbaseName=archive\r\nUser=reviewer1\r\n"
        "[documentum\\XML Applications\\archive\\Settings]\r\n";
    {
        const UniqueFileHandle held(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(held.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
        // An exclusive open is refused while the handle is held.
        EXPECT_FALSE(UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));

        RegistryHelper helper(Win32HelperPlatform());
        helper.SetRegistryFile(path.wstring());
        EXPECT_EQ(helper.LastConnectedDocBaseName(), L"archive");
        ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000b02"));
        EXPECT_EQ(helper.Current().FileName, L"C:\\Work\\Edit\\guide.xml");
        ASSERT_TRUE(helper.InitFromFileName(L"C:\\Work\\Edit\\guide.xml"));
        EXPECT_EQ(helper.Current().ObjectID, L"0900000000000b02");
        EXPECT_EQ(helper.Current().User, L"reviewer1");
    }
    std::filesystem::remove(path);
}

// Reads from a device or a pipe can wait forever: only a file on a disk is a registry file.
TEST(RegistryFileLookupTest, DevicesPipesAndVolumesAnswerAtOnceAsMissingFiles) {
    const std::wstring pipeName = L"\\\\.\\pipe\\fernwick-registry-file";
    const UniqueFileHandle pipe(CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND,
                                                 PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES, 0, 0, 0,
                                                 nullptr));
    ASSERT_TRUE(pipe);
    const std::filesystem::path path = TempPath(L"fernwick-device-registry.txt");
    std::ofstream(path, std::ios::binary)
        << "[documentum\\Common\\WorkingFiles\\0900000000000b02]\n"
           "FileName=C:\\Work\\Edit\\guide.xml\n";
    RegistryHelper helper(Win32HelperPlatform());
    helper.SetRegistryFile(path.wstring());
    ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000b02"));
    const LocalCopyRecord found = helper.Current();

    for (const std::wstring device :
         {L"COM1", L"AUX", L"CON", L"NUL", L"CONIN$", pipeName.c_str(), L"\\\\.\\C:"}) {
        const tests::Watchdog watchdog(std::string(device.begin(), device.end()),
                                       std::chrono::seconds(10));
        helper.SetRegistryFile(device);
        EXPECT_FALSE(helper.InitFromObjectID(L"0900000000000b02"));
        EXPECT_FALSE(helper.InitFromFileName(L"C:\\Work\\Edit\\guide.xml"));
        EXPECT_EQ(helper.Current(), found);
        EXPECT_EQ(helper.LastConnectedDocBaseName(), L"");
    }
    std::filesystem::remove(path);
}

std::filesystem::path ProfileFolder() {
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROFILE, FALSE));
    return buffer;
}

// Builds trees below the real profile folder's "Documentum" and removes them afterwards.
class ConfigFileDetectionTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove_all(documentum_); }
    void TearDown() override { std::filesystem::remove_all(documentum_); }

    // A file with its last-write time given in seconds and tenths of a second.
    std::wstring AddFile(const std::wstring& relativePath, ULONGLONG seconds,
                         ULONGLONG tenths = 0) {
        const std::filesystem::path path = documentum_ / relativePath;
        std::filesystem::create_directories(path.parent_path());
        UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(file);
        const ULONGLONG ticks = (kBaseSeconds + seconds) * 10'000'000 + tenths * 1'000'000;
        const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        EXPECT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
        return path.wstring();
    }

    std::wstring Detect() { return helper_.DetectUcfClientConfigXml(); }

    const std::filesystem::path documentum_ = ProfileFolder() / L"Documentum";

private:
    static constexpr ULONGLONG kBaseSeconds = 13'000'000'000;  // in 2012
    RegistryHelper helper_{Win32HelperPlatform()};
};

TEST_F(ConfigFileDetectionTest, AnswersTheNewestCopyInEitherTree) {
    EXPECT_EQ(Detect(), L"");

    const std::wstring first = AddFile(L"ucf\\client\\ucf.client.config.xml", 100);
    EXPECT_EQ(Detect(), first);
    EXPECT_EQ(first,
              (ProfileFolder() / L"Documentum\\ucf\\client\\ucf.client.config.xml").wstring());

    const std::wstring second = AddFile(L"ucf-java\\client\\ucf.client.config.xml", 200);
    EXPECT_EQ(Detect(), second);

    AddFile(L"ucf\\client\\ucf.client.config.xml", 300);
    EXPECT_EQ(Detect(), first);

    // Within the same second the first tree wins, even when the other copy is a little newer.
    AddFile(L"ucf\\client\\ucf.client.config.xml", 400, 2);
    AddFile(L"ucf-java\\client\\ucf.client.config.xml", 400, 7);
    EXPECT_EQ(Detect(), first);
}

TEST_F(ConfigFileDetectionTest, OnlyFilesNamedExactlyLikeTheConfigurationCount) {
    const std::wstring real = AddFile(L"ucf\\ucf.client.config.xml", 100);
    AddFile(L"ucf\\ucf.client.config.xml.bak", 900);
    AddFile(L"ucf\\upper\\UCF.CLIENT.CONFIG.XML", 900);
    AddFile(L"ucf-java\\ucf.client.config.xml\\notes.txt", 900);
    EXPECT_EQ(Detect(), real);

    const std::wstring inside =
        AddFile(L"ucf-java\\ucf.client.config.xml\\ucf.client.config.xml", 500);
    EXPECT_EQ(Detect(), inside);
}

}  // namespace
}  // namespace fernwick
