// The registry helper as a browser page drives it: once a safety option is enabled, registry
// files come only from local drives, and a missing one answers as one without a match.
#include <windows.h>
#include <objsafe.h>
#include <oleauto.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fernwick.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/support/com_apartment_win32.h"
#include "tests/support/watchdog.h"

namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;

constexpr wchar_t kId[] = L"0900000000000b02";

// A network drive letter for a folder, made through Wine's mount manager (Windows has no such
// call): the folder's files then lie on that drive, whatever other name reaches them.
class WineNetworkDrive {
public:
    WineNetworkDrive(wchar_t letter, const std::filesystem::path& folder) : letter_(letter) {
        using UnixFileName = char*(CDECL*)(const wchar_t*);
        const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        char* unixPath = unixFileName ? unixFileName(folder.c_str()) : nullptr;
        if (!unixPath) return;
        defined_ = Define(DRIVE_REMOTE, unixPath);
        HeapFree(GetProcessHeap(), 0, unixPath);
        // Wine's name lookups keep the list of drives for up to a second.
        for (int wait = 0; defined_ && wait < 30 && !ReachedThroughLetter(folder); ++wait) {
            Sleep(100);
        }
    }
    ~WineNetworkDrive() {
        if (defined_) Define(DRIVE_NO_ROOT_DIR, "");
    }
    WineNetworkDrive(const WineNetworkDrive&) = delete;
    WineNetworkDrive& operator=(const WineNetworkDrive&) = delete;

    bool Defined() const { return defined_; }

private:
    // The layout of the mount manager's request, followed by the Unix path.
    struct UnixDrive {
        ULONG size;
        ULONG type;
        ULONG fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPointOffset;
        USHORT deviceOffset;
        USHORT labelOffset;
    };
    static constexpr DWORD kDefineUnixDrive =
        CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

    bool ReachedThroughLetter(const std::filesystem::path& folder) const {
        const tolk::stdx::UniqueFileHandle opened(
            CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        wchar_t final[MAX_PATH] = L"";
        return opened && GetFinalPathNameByHandleW(opened.get(), final, MAX_PATH, 0) > 4 &&
               final[4] == letter_;
    }

    // An empty path with DRIVE_NO_ROOT_DIR removes the letter again.
    bool Define(ULONG type, const std::string& unixPath) const {
        std::vector<char> request(sizeof(UnixDrive) + unixPath.size() + 1);
        UnixDrive drive = {};
        drive.size = static_cast<ULONG>(request.size());
        drive.type = type;
        drive.letter = letter_;
        drive.mountPointOffset = unixPath.empty() ? 0 : sizeof(UnixDrive);
        std::memcpy(request.data(), &drive, sizeof drive);
        std::memcpy(request.data() + sizeof drive, unixPath.c_str(), unixPath.size() + 1);
        const tolk::stdx::UniqueFileHandle manager(
            CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD returned = 0;
        return manager && DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(),
                                          drive.size, nullptr, 0, &returned, nullptr);
    }

    const wchar_t letter_;
    bool defined_ = false;
};

class PageSafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(apartment_.Entered(), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_DocumentumRegistryHelper, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(helper_.put())),
                  S_OK);
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / L"registry.txt", std::ios::binary)
            << "[documentum\\Common\\WorkingFiles\\0900000000000b02]\n"
               "FileName=C:\\Work\\Edit\\guide.xml\n";
        std::ofstream(folder_ / L"empty.txt", std::ios::binary) << "[other]\n";
        SetCurrentDirectoryW(folder_.c_str());
    }

    void TearDown() override {
        SetCurrentDirectoryW(L"C:\\");
        std::filesystem::remove_all(folder_);
        helper_.reset();
    }

    void SetSafety(DWORD options) {
        UniqueCom<IObjectSafety> safety;
        ASSERT_EQ(
            helper_->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(safety.put())),
            S_OK);
        ASSERT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, kAllOptions, options), S_OK);
    }

    // Sets the registry file and looks kId up in it.
    bool FindIn(const std::wstring& registryFile) {
        const UniqueBstr path(SysAllocString(registryFile.c_str()));
        const UniqueBstr id(SysAllocString(kId));
        EXPECT_EQ(helper_->put_RegistryFile(path.get()), S_OK);
        VARIANT_BOOL found = VARIANT_FALSE;
        EXPECT_EQ(helper_->InitFromObjectID(id.get(), &found), S_OK);
        return found == VARIANT_TRUE;
    }

    // The record as a caller reads it.
    std::wstring Record() {
        UniqueBstr id, fileName;
        helper_->get_ObjectID(id.put());
        helper_->get_FileName(fileName.put());
        VARIANT_BOOL edit = VARIANT_FALSE;
        helper_->IsOpenForEdit(&edit);
        return std::wstring(id.get()) + L"|" + fileName.get() + (edit ? L"|edit" : L"|none");
    }

    static constexpr DWORD kAllOptions =
        INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    const std::filesystem::path folder_ = std::filesystem::temp_directory_path() / L"fernwick-page";
    const std::wstring file_ = (folder_ / L"registry.txt").wstring();
    // The same file named relative to the current folder and through the namespaces.
    const std::wstring otherNames_[3] = {L"registry.txt", L"\\\\?\\" + file_, L"\\\\.\\" + file_};

private:
    // Reads from devices can wait forever.
    const fernwick::tests::Watchdog watchdog_{"A lookup", std::chrono::seconds(60)};
    const fernwick::ComApartment apartment_;
    UniqueCom<IDocumentumRegistryHelper> helper_;
};

TEST_F(PageSafetyTest, TrustedCallersReadEveryPathAndMissingFilesKeepTheRecord) {
    for (const std::wstring& path : otherNames_) {
        EXPECT_TRUE(FindIn(path)) << std::string(path.begin(), path.end());
    }
    const std::wstring found = Record();
    EXPECT_FALSE(FindIn((folder_ / L"missing.txt").wstring()));
    EXPECT_EQ(Record(), found);
}

TEST_F(PageSafetyTest, UntrustedPagesReadOnlyLocalDrivesAndCannotTellWhatIsMissing) {
    std::vector<std::wstring> refused(std::begin(otherNames_), std::end(otherNames_));
    refused.insert(refused.end(), {(folder_ / L"missing.txt").wstring(), L"COM1",
                                   L"\\\\localhost\\c$\\registry.txt"});
    for (const DWORD options : {DWORD{INTERFACESAFE_FOR_UNTRUSTED_CALLER},
                                DWORD{INTERFACESAFE_FOR_UNTRUSTED_DATA}, kAllOptions}) {
        SetSafety(options);
        EXPECT_FALSE(FindIn((folder_ / L"empty.txt").wstring()));
        const std::wstring noMatch = Record();
        for (const std::wstring& path : refused) {
            ASSERT_TRUE(FindIn(file_));
            EXPECT_FALSE(FindIn(path)) << std::string(path.begin(), path.end());
            EXPECT_EQ(Record(), noMatch);
        }
    }
    SetSafety(0);
    EXPECT_TRUE(FindIn(otherNames_[0]));
}

// The file that was opened is judged, not only the name given: a folder on C: whose files lie on
// a network drive (a link into a share, under Wine a drive letter for the folder) is refused.
TEST_F(PageSafetyTest, UntrustedPagesJudgeTheDriveOfTheFileThatWasOpened) {
    const std::filesystem::path share = folder_ / L"share";
    std::filesystem::create_directories(share);
    std::filesystem::copy_file(file_, share / L"registry.txt");
    const std::wstring onShare = (share / L"registry.txt").wstring();
    const WineNetworkDrive drive(L'N', share);
    if (!drive.Defined()) GTEST_SKIP() << "network drives are made through Wine's mount manager";
    ASSERT_EQ(GetDriveTypeW(L"N:\\"), UINT{DRIVE_REMOTE});

    EXPECT_TRUE(FindIn(onShare));
    SetSafety(kAllOptions);
    EXPECT_FALSE(FindIn((folder_ / L"empty.txt").wstring()));
    const std::wstring noMatch = Record();
    for (const std::wstring& path : {onShare, std::wstring(L"N:\\registry.txt")}) {
        ASSERT_TRUE(FindIn(file_));
        EXPECT_FALSE(FindIn(path)) << std::string(path.begin(), path.end());
        EXPECT_EQ(Record(), noMatch);
    }
}

}  // namespace
