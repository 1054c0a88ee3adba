// The Import dialog driven through the registered ImportPicker object, as a script host runs it:
// the real file dialog, folder browser and message boxes under Xvfb.
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fernwick.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/ui/dialog_driver.h"

namespace fernwick::testing {
namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueVariant;
using Texts = std::vector<std::wstring>;

constexpr int kAddFiles = 3000;
constexpr int kAddFolder = 3001;
constexpr int kRemove = 3002;
constexpr int kFileList = 3004;
constexpr int kPathEdit = 3005;

const std::wstring kPrompt = L"Select a file/folder to show its full path...";

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"fernwick-ui";
}

void CreateFileAt(const std::wstring& path) {
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Test data: three small files, forty files with long names, and a folder tree.
struct Sample {
    std::wstring root = TempFolder();
    std::wstring three = root + L"\\three";
    std::wstring many = root + L"\\many";
    std::wstring tree = root + L"\\tree";
    Texts manyNames;

    Sample() {
        for (const std::wstring& folder :
             {root, three, many, tree, tree + L"\\Sub", tree + L"\\Other"}) {
            CreateDirectoryW(folder.c_str(), nullptr);
        }
        for (const wchar_t* name : {L"b.xml", L"a.xml", L"C.xml"})
            CreateFileAt(three + L"\\" + name);
        for (int i = 0; i < 40; ++i) {
            wchar_t name[64];
            swprintf(name, 64, L"quarterly report number %02d.xml", i);
            manyNames.push_back(name);
            CreateFileAt(many + L"\\" + name);
        }
    }
};

const Sample& TheSample() {
    static const Sample sample;
    return sample;
}

UniqueBstr Bstr(const std::wstring& text) {
    return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

Texts Strings(const VARIANT& array) {
    Texts texts;
    EXPECT_EQ(array.vt, VT_ARRAY | VT_VARIANT);
    if (array.vt != (VT_ARRAY | VT_VARIANT)) return texts;
    LONG lower = 1, upper = 0;
    SafeArrayGetLBound(array.parray, 1, &lower);
    SafeArrayGetUBound(array.parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    for (LONG i = lower; i <= upper; ++i) {
        UniqueVariant element;
        SafeArrayGetElement(array.parray, &i, element.get());
        EXPECT_EQ(element.get()->vt, VT_BSTR);
        texts.emplace_back(element.get()->bstrVal, SysStringLen(element.get()->bstrVal));
    }
    return texts;
}

class ImportPickerDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        TheSample();
    }

    void SetUp() override {
        IImportPicker* created = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_ImportPicker, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IImportPicker, reinterpret_cast<void**>(&created)),
                  S_OK);
        picker.reset(created);
    }

    // Runs SelectFilesAndFolders while the steps drive the dialogs; fails the test when they do
    // not all finish.
    VARIANT_BOOL Run(const std::wstring& folder, const std::wstring& file,
                     const std::wstring& filter, std::vector<DialogDriver::Step> steps) {
        VARIANT_BOOL result = 1;
        DialogDriver driver(std::move(steps));
        EXPECT_EQ(picker.get()->SelectFilesAndFolders(Bstr(folder).get(), Bstr(file).get(),
                                                      Bstr(filter).get(), &result),
                  S_OK);
        EXPECT_FALSE(driver.TimedOut()) << "stopped at step " << driver.StepsDone();
        EXPECT_TRUE(driver.Finished());
        return result;
    }

    Texts SelectedFiles() {
        UniqueVariant files;
        EXPECT_EQ(picker.get()->get_SelectedFiles(files.get()), S_OK);
        return Strings(*files.get());
    }
    Texts SelectedFolders() {
        UniqueVariant folders;
        EXPECT_EQ(picker.get()->get_SelectedFolders(folders.get()), S_OK);
        return Strings(*folders.get());
    }
    std::wstring LastFolder() {
        BSTR text = nullptr;
        EXPECT_EQ(picker.get()->get_LastSelectedFolder(&text), S_OK);
        UniqueBstr owner(text);
        return {text, SysStringLen(text)};
    }
    std::wstring LastFile() {
        BSTR text = nullptr;
        EXPECT_EQ(picker.get()->get_LastSelectedFile(&text), S_OK);
        UniqueBstr owner(text);
        return {text, SysStringLen(text)};
    }

    UniqueCom<IImportPicker> picker;
};

// Steps shared by the tests.
HWND EnabledImport() {
    HWND import = FindDialog(L"Import");
    return import && IsWindowEnabled(import) ? import : nullptr;
}

DialogDriver::Step PressInImport(int id) {
    return [id] {
        HWND import = EnabledImport();
        if (!import) return false;
        Press(import, id);
        return true;
    };
}

// Selects every file that the open dialog lists (expecting `count`), then opens them.
DialogDriver::Step ChooseAllFiles(int count) {
    return [count] {
        HWND open = FindDialog(L"Open");
        if (!open) return false;
        HWND list = FindDescendant(open, L"SysListView32");
        if (!list || RowCount(list) < count) return false;
        for (int row = 0; row < RowCount(list); ++row) SelectRow(list, row, true);
        Press(open, IDOK);
        return true;
    };
}

DialogDriver::Step Inspect(std::function<void(HWND import)> inspect) {
    return [inspect] {
        HWND import = EnabledImport();
        if (!import) return false;
        inspect(import);
        return true;
    };
}

DialogDriver::Step DumpDialogs() {
    return [] {
        for (HWND dialog : ThreadDialogs()) {
            wprintf(L"dialog '%ls'\n", WindowText(dialog).c_str());
        }
        return ThreadDialogs().size() > 1;
    };
}

TEST_F(ImportPickerDialogTest, AFreshDialogCancelledKeepsTheArraysAndTakesTheTexts) {
    std::wstring caption, pathText, heading;
    bool okEnabled = true;
    int rows = -1;
    EXPECT_EQ(Run(L"C:\\Last", L"C:\\Last\\last.xml", L"",
                  {Inspect([&](HWND import) {
                       caption = WindowText(import);
                       okEnabled = IsWindowEnabled(GetDlgItem(import, IDOK));
                       pathText = WindowText(GetDlgItem(import, kPathEdit));
                       HWND list = GetDlgItem(import, kFileList);
                       rows = RowCount(list);
                       wchar_t text[64] = {};
                       LVCOLUMNW column{};
                       column.mask = LVCF_TEXT;
                       column.pszText = text;
                       column.cchTextMax = 64;
                       SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
                       heading = text;
                   }),
                   PressInImport(IDCANCEL)}),
              VARIANT_FALSE);
    EXPECT_EQ(caption, L"Import");
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(pathText, kPrompt);
    EXPECT_EQ(heading, L"Files and folders to import:");
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(SelectedFiles(), Texts{});
    EXPECT_EQ(SelectedFolders(), Texts{});
    EXPECT_EQ(LastFolder(), L"C:\\Last");
    EXPECT_EQ(LastFile(), L"C:\\Last\\last.xml");
}

TEST_F(ImportPickerDialogTest, ThreeFilesAreListedByNameAndHandedBackByPathOnOk) {
    const Sample& sample = TheSample();
    Texts rows;
    std::wstring shownPath;
    EXPECT_EQ(Run(sample.tree, sample.three + L"\\a.xml", L"XML files (*.xml)|*.xml|All files|*.*|",
                  {PressInImport(kAddFiles), ChooseAllFiles(3), Inspect([&](HWND import) {
                       HWND list = GetDlgItem(import, kFileList);
                       rows = RowTexts(list);
                       SelectRow(list, 1, true);
                       shownPath = WindowText(GetDlgItem(import, kPathEdit));
                   }),
                   PressInImport(IDOK)}),
              VARIANT_TRUE);
    EXPECT_EQ(rows, (Texts{L"C.xml", L"a.xml", L"b.xml"}));
    EXPECT_EQ(shownPath, sample.three + L"\\a.xml");
    EXPECT_EQ(SelectedFiles(), (Texts{sample.three + L"\\C.xml", sample.three + L"\\a.xml",
                                      sample.three + L"\\b.xml"}));
    EXPECT_EQ(SelectedFolders(), Texts{});
    EXPECT_EQ(LastFolder(), sample.tree);
    EXPECT_EQ(LastFile(), sample.three + L"\\C.xml");
}

TEST_F(ImportPickerDialogTest, ExploreFolder) {
    const Sample& sample = TheSample();
    Run(sample.tree + L"\\Sub", L"", L"",
        {PressInImport(kAddFolder), DumpDialogs(), [] { return false; }});
}

}  // namespace
}  // namespace fernwick::testing
