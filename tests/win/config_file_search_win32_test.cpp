// The configuration file search over the real profile folder.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueFileHandle;

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
