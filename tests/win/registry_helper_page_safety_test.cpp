// The registry helper as a browser page drives it: once a safety option is enabled, registry
// files come only from local drives, and a missing one answers as one without a match.
#include <windows.h>
#include <objsafe.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <chrono>
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

}  // namespace
