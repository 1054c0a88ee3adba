// A thousand runs of the Import dialog through ImportPicker objects, ended by OK or Cancel: no
// window-system objects and no private memory may be left behind, and the component can be
// unloaded once the last object is released.
#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fernwick.h"
#include "resources/resource.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/support/com_apartment_win32.h"
#include "tests/ui/dialog_driver.h"

namespace fernwick::tests {
namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueVariant;

const int kRuns =
    std::getenv("FERNWICK_SOAK_RUNS") ? std::atoi(std::getenv("FERNWICK_SOAK_RUNS")) : 1000;
constexpr int kOkEvery = 10;  // every tenth run adds a folder and ends with OK

struct Usage {
    DWORD gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    SIZE_T privateBytes = PrivateBytes();

    static SIZE_T PrivateBytes() {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters));
        // Wine reports the private commit as PagefileUsage and leaves PrivateUsage at 0.
        return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    }
};

UniqueCom<IImportPicker> NewPicker() {
    UniqueCom<IImportPicker> picker;
    EXPECT_EQ(CoCreateInstance(CLSID_ImportPicker, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(picker.put())),
              S_OK);
    return picker;
}

// One run on the picker, ended by OK after adding the preselected folder or by Cancel.
bool RunOnce(IImportPicker* picker, const std::wstring& folder, bool ok) {
    std::vector<DialogDriver::Step> steps;
    if (ok) {
        steps = {PressIn(L"Import", IDC_IMPORT_ADD_FOLDER), PressIn(L"Browse for Folder", IDOK),
                 PressIn(L"Import", IDOK)};
    } else {
        steps = {PressIn(L"Import", IDCANCEL)};
    }
    DialogDriver driver(std::move(steps), 30000, USER_TIMER_MINIMUM);
    const UniqueBstr folderText(SysAllocString(folder.c_str()));
    const UniqueBstr empty(SysAllocString(L""));
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(picker->SelectFilesAndFolders(folderText.get(), empty.get(), empty.get(), &result),
              S_OK);
    EXPECT_FALSE(driver.TimedOut());
    return result == VARIANT_TRUE;
}

long ElementCount(IImportPicker* picker) {
    UniqueVariant folders;
    picker->get_SelectedFolders(folders.get());
    LONG upper = -1;
    SafeArrayGetUBound(folders->parray, 1, &upper);
    return upper + 1;
}

TEST(ImportPickerSoakTest, AThousandRunsLeaveNothingBehind) {
    const ComApartment apartment;
    ASSERT_EQ(apartment.Entered(), S_OK);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"fernwick-soak";
    CreateDirectoryW(folder.c_str(), nullptr);

    // A first run loads every DLL that the dialogs use, so that the baseline includes them.
    {
        UniqueCom<IImportPicker> warmUp = NewPicker();
        ASSERT_TRUE(RunOnce(warmUp.get(), folder, true));
    }
    const Usage before;

    int okRuns = 0;
    UniqueCom<IImportPicker> shared = NewPicker();
    for (int run = 0; run < kRuns; ++run) {
        const bool ok = run % kOkEvery == 0;
        // Half the runs on one object, half on objects of their own.
        UniqueCom<IImportPicker> own;
        if (run % 2 == 1) own = NewPicker();
        IImportPicker* picker = own ? own.get() : shared.get();
        EXPECT_EQ(RunOnce(picker, folder, ok), ok) << "run " << run;
        if (ok) ++okRuns;
        if (HasFailure()) break;
    }
    EXPECT_EQ(ElementCount(shared.get()), okRuns) << "each OK run on the shared object appended";
    shared.reset();

    const Usage after;
    std::printf("GDI objects %lu -> %lu, USER objects %lu -> %lu, private bytes %zu -> %zu\n",
                before.gdiObjects, after.gdiObjects, before.userObjects, after.userObjects,
                static_cast<size_t>(before.privateBytes), static_cast<size_t>(after.privateBytes));
    EXPECT_LE(after.gdiObjects, before.gdiObjects);
    EXPECT_LE(after.userObjects, before.userObjects);
    // Heaps keep some slack; a leak of one dialog's worth per run would be megabytes.
    EXPECT_LT(after.privateBytes, before.privateBytes + 1024 * 1024);

    HMODULE fernwick = GetModuleHandleW(L"Fernwick.dll");
    ASSERT_NE(fernwick, nullptr);
    const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(fernwick, "DllCanUnloadNow")));
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace fernwick::tests
