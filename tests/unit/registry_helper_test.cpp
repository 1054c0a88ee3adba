#include "registry_helper/registry_helper.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/directory_source_memory.h"
#include "registry_helper/file_source.h"
#include "tests/support/registry_store_memory.h"

namespace fernwick {
namespace {

const std::wstring kEditKey = L"SOFTWARE\\Documentum\\Common\\WorkingFiles\\0900000000000a01";
const std::wstring kViewKey = L"SOFTWARE\\Documentum\\Common\\ViewFiles\\0900000000000b01";
const std::wstring kLastConnected = L"SOFTWARE\\Documentum\\Common\\LastConnectedDocbase";
const std::wstring kConfigPath = L"C:\\Users\\tester\\Documentum\\ucf\\ucf.client.config.xml";

// A file system without any file, so a registry file set on the helper is never found.
class NoFiles final : public FileSource {
public:
    bool Exists(std::wstring_view) override { return false; }
    std::unique_ptr<ByteSource> OpenShared(std::wstring_view) override { return nullptr; }
};

class RegistryHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry.SetString(RegistryHive::CurrentUser, kEditKey, L"FileName",
                           L"C:\\Work\\Edit\\draft.xml");
        registry.SetString(RegistryHive::CurrentUser, kEditKey, L"DocbaseName", L"archive");
        registry.SetString(RegistryHive::CurrentUser, kViewKey, L"FileName",
                           L"C:\\Work\\View\\manual.xml");
        registry.SetString(RegistryHive::CurrentUser, kViewKey, L"User", L"reviewer1");
        directories.SetProfileFolder(L"C:\\Users\\tester");
        directories.AddFile(kConfigPath, 100);
    }
    void TearDown() override { EXPECT_EQ(registry.OpenKeyCount(), 0u); }

    MemoryRegistryStore registry;
    MemoryDirectorySource directories;
    NoFiles files;
    RegistryHelper helper{HelperPlatform{registry, directories, files}};
};

TEST_F(RegistryHelperTest, NewHelperAnswersEmptyAndNotOpen) {
    EXPECT_EQ(helper.Current(), LocalCopyRecord{});
    EXPECT_FALSE(helper.IsOpenForEdit());
    EXPECT_FALSE(helper.IsOpenForView());
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"");
}

TEST_F(RegistryHelperTest, InitMethodsConsultTheirListsAndSetTheOpenMode) {
    ASSERT_TRUE(helper.InitEditFromObjectID(L"0900000000000a01"));
    EXPECT_TRUE(helper.IsOpenForEdit());
    EXPECT_FALSE(helper.IsOpenForView());
    EXPECT_EQ(helper.Current().DocbaseName, L"archive");

    EXPECT_FALSE(helper.InitEditFromObjectID(L"0900000000000b01"));
    EXPECT_FALSE(helper.IsOpenForEdit());
    EXPECT_FALSE(helper.InitViewFromObjectID(L"0900000000000a01"));
    EXPECT_EQ(helper.Current().ObjectID, L"");

    ASSERT_TRUE(helper.InitViewFromObjectID(L"0900000000000b01"));
    EXPECT_FALSE(helper.IsOpenForEdit());
    EXPECT_TRUE(helper.IsOpenForView());

    ASSERT_TRUE(helper.InitFromObjectID(L"0900000000000b01"));
    EXPECT_EQ(helper.Current().User, L"reviewer1");
    EXPECT_FALSE(helper.InitFromObjectID(L""));
    EXPECT_EQ(helper.Current(), LocalCopyRecord{});

    ASSERT_TRUE(helper.InitFromFileName(L"c:\\work\\view\\MANUAL.xml"));
    EXPECT_EQ(helper.Current().FileName, L"c:\\work\\view\\MANUAL.xml");
    EXPECT_EQ(helper.Current().ObjectID, L"0900000000000b01");
    EXPECT_TRUE(helper.IsOpenForView());
}

TEST_F(RegistryHelperTest, RegistryFileTakesTheLookupsAwayFromTheRegistry) {
    ASSERT_TRUE(helper.InitEditFromObjectID(L"0900000000000a01"));
    const std::size_t requestsBefore = registry.OpenRequestCount();

    helper.SetRegistryFile(L"C:\\Work\\registry.txt");
    EXPECT_FALSE(helper.InitFromObjectID(L"0900000000000a01"));
    EXPECT_FALSE(helper.InitFromFileName(L"C:\\Work\\Edit\\draft.xml"));
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"");
    EXPECT_EQ(registry.OpenRequestCount(), requestsBefore);
    EXPECT_EQ(helper.DetectUcfClientConfigXml(), kConfigPath);

    helper.SetRegistryFile(L"");
    EXPECT_TRUE(helper.InitFromObjectID(L"0900000000000a01"));
    EXPECT_EQ(helper.DetectUcfClientConfigXml(), kConfigPath);
}

TEST_F(RegistryHelperTest, LastConnectedDocbaseIsReadUntilFoundThenKept) {
    registry.AddKey(RegistryHive::CurrentUser, kLastConnected);
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"");

    registry.SetString(RegistryHive::CurrentUser, kLastConnected, L"Docbase", L"archive");
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"archive");

    registry.SetString(RegistryHive::CurrentUser, kLastConnected, L"Docbase", L"later");
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"archive");
    helper.SetRegistryFile(L"C:\\Work\\registry.txt");
    EXPECT_EQ(helper.LastConnectedDocBaseName(), L"archive");
}

}  // namespace
}  // namespace fernwick
