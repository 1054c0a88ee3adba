#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/directory_source_memory.h"
#include "registry_helper/registry_helper.h"
#include "tests/support/registry_store_memory.h"
#include "tests/support/memory_file_source.h"

namespace fernwick {
namespace {

const std::wstring kRegistryFile = L"C:\\Work\\registry.txt";
const std::wstring kLastConnected = L"SOFTWARE\\Documentum\\Common\\LastConnectedDocbase";

class RegistryHelperFileModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry.SetString(RegistryHive::CurrentUser,
                           L"SOFTWARE\\Documentum\\Common\\WorkingFiles\\0900000000000a01",
                           L"FileName", L"C:\\Registry\\draft.xml");
        files.Put(kRegistryFile,
                  "[documentum\\Common\\ViewFiles\\0900000000000a01]\n"
                  "FileName=C:\\Work\\View\\manual.xml\n"
                  "DocbaseName=archive\n"
                  "[documentum\\Common\\ViewFiles\\0900000000000a01\\Alternate FilePaths]\n"
                  "1=C:\\Work\\View\\manual.xml<D:\\Copies\\manual.xml\n"
                  "[documentum\\XML Applications\\filebase\\Settings]\n");
    }

    MemoryRegistryStore registry;
    MemoryDirectorySource directories;
    tests::MemoryFileSource files;
    RegistryHelper helper{HelperPlatform{registry, directories, files}};
};

TEST_F(RegistryHelperFileModeTest, RegistryFileAnswersTheLookupsUntilSetBackToEmpty) {
    helper.SetRegistryFile(kRegistryFile);
    ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000a01"));
    EXPECT_TRUE(helper.IsOpenForView());
    EXPECT_EQ(helper.Current().FileName, L"C:\\Work\\View\\manual.xml");
    EXPECT_FALSE(helper.InitEditFromObjectID(L"0900000000000a01"));
    EXPECT_TRUE(helper.InitViewFromObjectID(L"0900000000000a01"));
    ASSERT_TRUE(helper.InitFromFileName(L"D:\\Copies\\manual.xml"));
    EXPECT_EQ(helper.Current().ObjectID, L"0900000000000a01");
    EXPECT_EQ(helper.Current().DocbaseName, L"archive");

    helper.SetRegistryFile(L"C:\\Work\\missing.txt");
    EXPECT_FALSE(helper.InitFromObjectID(L"0900000000000a01"));
    EXPECT_EQ(helper.Current().FileName, L"D:\\Copies\\manual.xml");

    helper.SetRegistryFile(L"");
    ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000a01"));
    EXPECT_TRUE(helper.IsOpenForEdit());
    EXPECT_EQ(helper.Current().FileName, L"C:\\Registry\\draft.xml");
}

TEST_F(RegistryHelperFileModeTest, LastConnectedDocbaseIsOneCacheForBothModes) {
    registry.SetString(RegistryHive::CurrentUser, kLastConnected, L"Docbase", L"registrybase");

    helper.SetRegistryFile(kRegistryFile);
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"filebase");
    helper.SetRegistryFile(L"");
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"filebase");

    RegistryHelper registryFirst{HelperPlatform{registry, directories, files}};
    EXPECT_EQ(registryFirst.LastConnectedDocBaseName(), L"registrybase");
    registryFirst.SetRegistryFile(kRegistryFile);
    EXPECT_EQ(registryFirst.LastConnectedDocBaseName(), L"registrybase");
}

TEST_F(RegistryHelperFileModeTest, UntrustedPagesReadOnlyLocalDrivesAndCannotTellWhatIsMissing) {
    const std::string bytes =
        "[documentum\\Common\\WorkingFiles\\0900000000000a01]\nFileName=C:\\Elsewhere\\draft.xml\n"
        "[documentum\\XML Applications\\pagebase\\Settings]\n";
    const std::wstring refused[] = {L"\\\\server\\share\\registry.txt",
                                    L"\\\\.\\C:\\Work\\registry.txt",
                                    L"\\\\?\\C:\\Work\\registry.txt",
                                    L"Work\\registry.txt",
                                    L"C:Work\\registry.txt",
                                    L"\\Work\\registry.txt",
                                    L"N:\\registry.txt",
                                    L"C:\\Work\\com1.txt",
                                    L"C:\\Work\\NUL"};
    for (const std::wstring& path : refused) files.Put(path, bytes);
    files.Put(L"C:\\Work\\nothing-matches.txt", "[other]\n");
    files.AddNetworkDrive(L"N:\\");
    // A local path that a link leads onto another machine: refused once it is open.
    const std::wstring linked = L"C:\\Work\\netlink\\registry.txt";
    files.PutBehindNetworkLink(linked, bytes);

    // Trusted callers read any path, and a missing file leaves the record alone.
    for (const std::wstring& path : {refused[0], linked}) {
        helper.SetRegistryFile(path);
        ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000a01"));
    }
    helper.SetRegistryFile(L"C:\\Work\\missing.txt");
    EXPECT_FALSE(helper.InitFromObjectID(L"0900000000000b02"));
    EXPECT_EQ(helper.Current().FileName, L"C:\\Elsewhere\\draft.xml");

    helper.SetRegistryFileScope(RegistryFileScope::LocalDrivesOnly);
    helper.SetRegistryFile(L"C:\\Work\\nothing-matches.txt");
    EXPECT_FALSE(helper.InitFromObjectID(L"0900000000000b02"));
    const LocalCopyRecord noMatchById = helper.Current();
    EXPECT_FALSE(helper.InitFromFileName(L"C:\\Elsewhere\\draft.xml"));
    const LocalCopyRecord noMatchByName = helper.Current();

    files.askedPaths.clear();
    std::vector<std::wstring> hidden(std::begin(refused), std::end(refused));
    hidden.insert(hidden.end(), {L"C:\\Work\\missing.txt", linked});
    for (const std::wstring& path : hidden) {
        helper.SetRegistryFile(kRegistryFile);
        ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000a01"));
        helper.SetRegistryFile(path);
        EXPECT_FALSE(helper.InitFromObjectID(L"0900000000000b02"));
        EXPECT_EQ(helper.Current(), noMatchById);
        EXPECT_FALSE(helper.InitFromFileName(L"C:\\Elsewhere\\draft.xml"));
        EXPECT_EQ(helper.Current(), noMatchByName);
        EXPECT_EQ(helper.LastConnectedDocBaseName(), L"");
    }
    for (const std::wstring& path : refused) {
        EXPECT_EQ(std::count(files.askedPaths.begin(), files.askedPaths.end(), path), 0);
    }
}

}  // namespace
}  // namespace fernwick
