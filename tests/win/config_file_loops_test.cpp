// The configuration search over folder links that loop. Windows programs under Wine cannot make
// links, so config_file_loops.sh makes them as Unix symbolic links in the profile folder's
// "Documentum" before it starts this program, and removes that tree afterwards.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "tests/support/watchdog.h"

namespace fernwick {
namespace {

TEST(ConfigFileLoopsTest, LinksThatLoopAnswerAtOnceAsWithoutThem) {
    wchar_t profile[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, profile, CSIDL_PROFILE, FALSE));
    const std::filesystem::path ucf = std::filesystem::path(profile) / L"Documentum\\ucf";
    const DWORD link = GetFileAttributesW((ucf / L"a").c_str());
    ASSERT_TRUE(link != INVALID_FILE_ATTRIBUTES && (link & FILE_ATTRIBUTE_REPARSE_POINT))
        << "the links are made by config_file_loops.sh";

    RegistryHelper helper(Win32HelperPlatform());
    const tests::Watchdog watchdog("The configuration search", std::chrono::seconds(30));
    const auto start = std::chrono::steady_clock::now();
    const std::wstring answer = helper.DetectUcfClientConfigXml();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(answer, (ucf / L"newer\\ucf.client.config.xml").wstring());
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}

}  // namespace
}  // namespace fernwick
