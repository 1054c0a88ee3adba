// The registry file read through the real file system.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "support/unique_handles_win32.h"
#include "tests/support/watchdog.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueFileHandle;

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

}  // namespace
}  // namespace fernwick
