#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace fernwick
