// The Import dialog driven through the registered ImportPicker object, as a script host runs it:
// the real file dialog, folder browser and message boxes under Xvfb.
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
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
using Texts = std::vector<std::wstring>;

constexpr int kAddFiles = IDC_IMPORT_ADD_FILES;
constexpr int kAddFolder = IDC_IMPORT_ADD_FOLDER;
constexpr int kRemove = IDC_IMPORT_REMOVE;
constexpr int kFileList = IDC_IMPORT_FILE_LIST;
constexpr int kPathEdit = IDC_IMPORT_PATH;

const std::wstring kPrompt = L"Select a file/folder to show its full path...";

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"fernwick-ui";
}

void CreateFileAt(const std::wstring& path) {
    const tolk::stdx::UniqueFileHandle created(CreateFileW(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
        EXPECT_EQ(element->vt, VT_BSTR);
        texts.emplace_back(element->bstrVal, SysStringLen(element->bstrVal));
    }
    return texts;
}

class ImportPickerDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        apartment.emplace();
        TheSample();
    }
    // After all folder tests: the browser must have opened at the given folder by itself in most
    // of them, even where a lost selection had to be made again.
    static void TearDownTestSuite() {
        const PreselectionCount& count = Preselections();
        EXPECT_GE(count.shown * 2, count.asked) << count.shown << " of " << count.asked;
        apartment.reset();
    }
    static inline std::optional<ComApartment> apartment;

    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_ImportPicker, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(picker.put())),
                  S_OK);
    }

    // Runs SelectFilesAndFolders while the steps drive the dialogs; fails the test when they do
    // not all finish.
    VARIANT_BOOL Run(const std::wstring& folder, const std::wstring& file,
                     const std::wstring& filter, std::vector<DialogDriver::Step> steps) {
        VARIANT_BOOL result = 1;
        DialogDriver driver(std::move(steps));
        EXPECT_EQ(picker->SelectFilesAndFolders(Bstr(folder).get(), Bstr(file).get(),
                                                Bstr(filter).get(), &result),
                  S_OK);
        EXPECT_FALSE(driver.TimedOut()) << "stopped at step " << driver.StepsDone();
        EXPECT_TRUE(driver.Finished());
        return result;
    }

    Texts SelectedFiles() {
        UniqueVariant files;
        EXPECT_EQ(picker->get_SelectedFiles(files.get()), S_OK);
        return Strings(*files.get());
    }
    Texts SelectedFolders() {
        UniqueVariant folders;
        EXPECT_EQ(picker->get_SelectedFolders(folders.get()), S_OK);
        return Strings(*folders.get());
    }
    std::wstring LastFolder() { return Read(&IImportPicker::get_LastSelectedFolder); }
    std::wstring LastFile() { return Read(&IImportPicker::get_LastSelectedFile); }
    std::wstring Read(HRESULT (STDMETHODCALLTYPE IImportPicker::*getter)(BSTR*)) {
        UniqueBstr text;
        EXPECT_EQ((picker.get()->*getter)(text.put()), S_OK);
        return {text.get(), SysStringLen(text.get())};
    }

    UniqueCom<IImportPicker> picker;
};

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
                   PressIn(L"Import", IDCANCEL)}),
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
                  {PressIn(L"Import", kAddFiles), ChooseAllFiles(3), Inspect([&](HWND import) {
                       HWND list = GetDlgItem(import, kFileList);
                       rows = RowTexts(list);
                       SelectRow(list, 1, true);
                       shownPath = WindowText(GetDlgItem(import, kPathEdit));
                   }),
                   PressIn(L"Import", IDOK)}),
              VARIANT_TRUE);
    EXPECT_EQ(rows, (Texts{L"C.xml", L"a.xml", L"b.xml"}));
    EXPECT_EQ(shownPath, sample.three + L"\\a.xml");
    EXPECT_EQ(SelectedFiles(), (Texts{sample.three + L"\\C.xml", sample.three + L"\\a.xml",
                                      sample.three + L"\\b.xml"}));
    EXPECT_EQ(SelectedFolders(), Texts{});
    EXPECT_EQ(LastFolder(), sample.tree);
    EXPECT_EQ(LastFile(), sample.three + L"\\C.xml");
}

TEST_F(ImportPickerDialogTest, ManyFilesBeyondTheResultBufferAreAllHandedBack) {
    const Sample& sample = TheSample();
    int rows = 0;
    EXPECT_EQ(Run(L"", sample.many + L"\\" + sample.manyNames[0], L"",
                  {PressIn(L"Import", kAddFiles), ChooseAllFiles(40),
                   Inspect([&](HWND import) { rows = RowCount(GetDlgItem(import, kFileList)); }),
                   PressIn(L"Import", IDOK)}),
              VARIANT_TRUE);
    EXPECT_EQ(rows, 40);
    Texts expected;
    for (const std::wstring& name : sample.manyNames)
        expected.push_back(sample.many + L"\\" + name);
    EXPECT_EQ(SelectedFiles(), expected);
}

TEST_F(ImportPickerDialogTest, FilesChosenAgainAreReportedAndTheRestAdded) {
    const Sample& sample = TheSample();
    std::vector<std::wstring> messages;
    Texts rows;
    EXPECT_EQ(Run(L"", sample.three + L"\\a.xml", L"",
                  {PressIn(L"Import", kAddFiles), ChooseAllFiles(3), PressIn(L"Import", kAddFiles),
                   ChooseAllFiles(3), CloseMessage(messages),
                   Inspect([&](HWND import) { rows = RowTexts(GetDlgItem(import, kFileList)); }),
                   PressIn(L"Import", IDOK)}),
              VARIANT_TRUE);
    EXPECT_EQ(messages, (Texts{L"File(s) are already in the list of files and folders to "
                               L"import:\na.xml, b.xml, C.xml"}));
    EXPECT_EQ(rows, (Texts{L"C.xml", L"a.xml", L"b.xml"}));
    EXPECT_EQ(SelectedFiles().size(), 3u);
}

TEST_F(ImportPickerDialogTest, FolderBrowserOpensAtTheLastFolderAndReportsADuplicate) {
    const Sample& sample = TheSample();
    std::vector<std::wstring> messages;
    Texts rows;
    EXPECT_EQ(Run(sample.tree + L"\\Sub", L"", L"",
                  {PressIn(L"Import", kAddFolder), AcceptFolder(L"Sub", sample.tree + L"\\Sub"),
                   PressIn(L"Import", kAddFolder), AcceptFolder(L"Sub", sample.tree + L"\\Sub"),
                   CloseMessage(messages),
                   Inspect([&](HWND import) { rows = RowTexts(GetDlgItem(import, kFileList)); }),
                   PressIn(L"Import", IDOK)}),
              VARIANT_TRUE);
    EXPECT_EQ(rows, (Texts{L"Sub"}));
    EXPECT_EQ(
        messages,
        (Texts{L"The selected folder is already in the list of files and folders to import."}));
    EXPECT_EQ(SelectedFolders(), (Texts{sample.tree + L"\\Sub"}));
    EXPECT_EQ(LastFolder(), sample.tree + L"\\Sub");
}

TEST_F(ImportPickerDialogTest, ADriveRootIsRefusedAndChangesNothing) {
    std::vector<std::wstring> messages;
    bool okEnabled = true;
    int rows = -1;
    EXPECT_EQ(Run(L"C:\\", L"", L"",
                  {PressIn(L"Import", kAddFolder), AcceptFolder(L"C:", L"C:\\"),
                   CloseMessage(messages), Inspect([&](HWND import) {
                       okEnabled = IsWindowEnabled(GetDlgItem(import, IDOK));
                       rows = RowCount(GetDlgItem(import, kFileList));
                   }),
                   PressIn(L"Import", IDCANCEL)}),
              VARIANT_FALSE);
    EXPECT_EQ(messages, (Texts{L"Please select a file or folder. An entire drive such as C:\\ or "
                               L"D:\\ cannot be imported at once."}));
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(SelectedFolders(), Texts{});
    EXPECT_EQ(LastFolder(), L"C:\\");
}

TEST_F(ImportPickerDialogTest, RemoveDropsTheSelectedRowsAndOkFollowsTheList) {
    const Sample& sample = TheSample();
    Texts afterFirstRemove;
    std::wstring pathAfterRemove;
    bool okAfterFirst = false, okAfterSecond = true;
    EXPECT_EQ(Run(sample.tree + L"\\Other", sample.three + L"\\a.xml", L"",
                  {PressIn(L"Import", kAddFiles), ChooseAllFiles(3), PressIn(L"Import", kAddFolder),
                   AcceptFolder(L"Other", sample.tree + L"\\Other"), Inspect([&](HWND import) {
                       // Rows: C.xml Other a.xml b.xml
                       HWND list = GetDlgItem(import, kFileList);
                       SelectRow(list, 0, true);
                       SelectRow(list, 1, true);
                       SelectRow(list, 3, true);
                       Press(import, kRemove);
                   }),
                   Inspect([&](HWND import) {
                       HWND list = GetDlgItem(import, kFileList);
                       afterFirstRemove = RowTexts(list);
                       pathAfterRemove = WindowText(GetDlgItem(import, kPathEdit));
                       okAfterFirst = IsWindowEnabled(GetDlgItem(import, IDOK));
                       SelectRow(list, 0, true);
                       Press(import, kRemove);
                   }),
                   Inspect([&](HWND import) {
                       okAfterSecond = IsWindowEnabled(GetDlgItem(import, IDOK));
                       Press(import, IDCANCEL);
                   })}),
              VARIANT_FALSE);
    EXPECT_EQ(afterFirstRemove, (Texts{L"a.xml"}));
    EXPECT_EQ(pathAfterRemove, kPrompt);
    EXPECT_TRUE(okAfterFirst);
    EXPECT_FALSE(okAfterSecond);
}

TEST_F(ImportPickerDialogTest, VeryLongAndEmptyTextsOpenBothChoosersSafely) {
    const std::wstring longFolder = L"C:\\" + std::wstring(31997, L'f');
    const std::wstring longFile = longFolder + L"\\" + std::wstring(31990, L'n');
    const std::wstring longFilter = L"Many|" + std::wstring(31990, L'*') + L"|";
    for (const auto& [folder, file, filter] :
         {std::tuple{longFolder, longFile, longFilter},
          std::tuple{std::wstring(), std::wstring(), std::wstring()}}) {
        EXPECT_EQ(Run(folder, file, filter,
                      {PressIn(L"Import", kAddFiles), PressIn(L"Open", IDCANCEL),
                       PressIn(L"Import", kAddFolder), PressIn(L"Browse for Folder", IDCANCEL),
                       PressIn(L"Import", IDCANCEL)}),
                  VARIANT_FALSE);
        EXPECT_EQ(LastFolder(), folder);
        EXPECT_EQ(LastFile(), file);
        EXPECT_EQ(SelectedFiles(), Texts{});
    }
}

DialogDriver::Step DropIn(const Texts& paths) { return DropInImport(kFileList, paths); }

// Selects exactly these rows of the Import dialog's list, then presses the key in the list.
DialogDriver::Step KeyInList(UINT key, std::vector<int> rows) {
    return [key, rows] {
        HWND import = EnabledDialog(L"Import");
        if (!import) return false;
        HWND list = GetDlgItem(import, kFileList);
        for (int row = 0; row < RowCount(list); ++row) SelectRow(list, row, false);
        for (int row : rows) SelectRow(list, row, true);
        PostKey(list, key);
        return true;
    };
}

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    for (int row = -1;
         (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) != -1;) {
        rows.push_back(row);
    }
    return rows;
}

TEST_F(ImportPickerDialogTest, DeleteAndCtrlAInTheListRemoveAndSelectRowsAndEnterAndEscapeClose) {
    const Sample& sample = TheSample();
    const std::wstring a = sample.three + L"\\a.xml", b = sample.three + L"\\b.xml",
                       c = sample.three + L"\\C.xml";
    const std::wstring sub = sample.tree + L"\\Sub", other = sample.tree + L"\\Other";
    Texts afterOne, afterTwo, afterNone, afterLetter;
    std::vector<int> selectedByLetter, selectedByCtrlA;
    std::wstring pathAfterCtrlA;
    bool okAfterCtrlA = false;
    const auto rowsOf = [](HWND import) { return RowTexts(GetDlgItem(import, kFileList)); };
    EXPECT_EQ(
        Run(L"", L"", L"",
            {DropIn({b, a, c, sub, other}),
             // Rows: C.xml Other Sub a.xml b.xml
             KeyInList(VK_DELETE, {1}), Inspect([&](HWND import) { afterOne = rowsOf(import); }),
             KeyInList(VK_DELETE, {0, 3}), Inspect([&](HWND import) { afterTwo = rowsOf(import); }),
             KeyInList(VK_DELETE, {}), Inspect([&](HWND import) { afterNone = rowsOf(import); }),
             KeyInList('A', {}), Inspect([&](HWND import) {
                 afterLetter = rowsOf(import);
                 selectedByLetter = SelectedRows(GetDlgItem(import, kFileList));
                 HoldControl(true);
                 PostKey(GetDlgItem(import, kFileList), 'A');
             }),
             Inspect([&](HWND import) {
                 HoldControl(false);
                 selectedByCtrlA = SelectedRows(GetDlgItem(import, kFileList));
                 pathAfterCtrlA = WindowText(GetDlgItem(import, kPathEdit));
                 okAfterCtrlA = IsWindowEnabled(GetDlgItem(import, IDOK));
                 PostKey(GetDlgItem(import, kFileList), VK_RETURN);
             })}),
        VARIANT_TRUE);
    EXPECT_EQ(afterOne, (Texts{L"C.xml", L"Sub", L"a.xml", L"b.xml"}));
    EXPECT_EQ(afterTwo, (Texts{L"Sub", L"a.xml"}));
    EXPECT_EQ(afterNone, afterTwo);
    EXPECT_EQ(afterLetter, afterTwo) << "a letter only moves the selection";
    EXPECT_EQ(selectedByLetter, std::vector<int>{1});
    EXPECT_EQ(selectedByCtrlA, (std::vector<int>{0, 1}));
    EXPECT_EQ(pathAfterCtrlA, sub);
    EXPECT_TRUE(okAfterCtrlA);
    EXPECT_EQ(SelectedFiles(), Texts{a});
    EXPECT_EQ(SelectedFolders(), Texts{sub});

    EXPECT_EQ(Run(L"", L"", L"", {DropIn({b}), KeyInList(VK_ESCAPE, {0})}), VARIANT_FALSE);
    EXPECT_EQ(SelectedFiles(), Texts{a}) << "Escape cancels";
}

TEST_F(ImportPickerDialogTest, DroppedFilesAndFoldersAreAddedAsTheChoosersAddThem) {
    const Sample& sample = TheSample();
    const std::wstring a = sample.three + L"\\a.xml", b = sample.three + L"\\b.xml",
                       c = sample.three + L"\\C.xml";
    const std::wstring sub = sample.tree + L"\\Sub", other = sample.tree + L"\\Other";
    std::vector<std::wstring> messages;
    Texts afterFirst, rows;
    bool acceptsDrops = false, okAfterNothing = true;
    const auto rowsOf = [](HWND import) { return RowTexts(GetDlgItem(import, kFileList)); };
    EXPECT_EQ(Run(L"C:\\Last", L"C:\\Last\\last.xml", L"",
                  {Inspect([&](HWND import) {
                       acceptsDrops = GetWindowLongPtrW(import, GWL_EXSTYLE) & WS_EX_ACCEPTFILES;
                   }),
                   DropIn({}), DropIn({sample.root + L"\\missing.xml", L"three\\a.xml"}),
                   Inspect([&](HWND import) {
                       okAfterNothing = IsWindowEnabled(GetDlgItem(import, IDOK));
                   }),
                   DropIn({b, sub, a}), Inspect([&](HWND import) { afterFirst = rowsOf(import); }),
                   DropIn({sub}), CloseMessage(messages), DropIn({L"C:\\"}), CloseMessage(messages),
                   DropIn({other, a, c}), CloseMessage(messages),
                   Inspect([&](HWND import) { rows = rowsOf(import); }), PressIn(L"Import", IDOK)}),
              VARIANT_TRUE);
    EXPECT_TRUE(acceptsDrops);
    EXPECT_FALSE(okAfterNothing) << "an empty drop and unknown paths add nothing";
    EXPECT_EQ(afterFirst, (Texts{L"Sub", L"a.xml", L"b.xml"}));
    EXPECT_EQ(messages,
              (Texts{L"The selected folder is already in the list of files and folders to import.",
                     L"Please select a file or folder. An entire drive such as C:\\ or D:\\ cannot "
                     L"be imported at once.",
                     L"File(s) are already in the list of files and folders to import:\na.xml"}));
    EXPECT_EQ(rows, (Texts{L"C.xml", L"Other", L"Sub", L"a.xml", L"b.xml"}));
    EXPECT_EQ(SelectedFiles(), (Texts{c, a, b}));
    EXPECT_EQ(SelectedFolders(), (Texts{other, sub}));
    EXPECT_EQ(LastFile(), c);
    EXPECT_EQ(LastFolder(), other);
}

// A drop target of a host's window that takes nothing.
class RefusingDropTarget : public IDropTarget {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        *object = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)
                      ? static_cast<IDropTarget*>(this)
                      : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

TEST_F(ImportPickerDialogTest, TheHostsOwnDropTargetAndStyleStayAsTheHostMadeThem) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    const HWND host = CreateWindowExW(0, L"Static", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    SetForegroundWindow(host);
    SetActiveWindow(host);
    RefusingDropTarget target, other;
    ASSERT_EQ(RegisterDragDrop(host, &target), S_OK);
    HWND owner = nullptr;
    bool hostAccepts = true;
    HRESULT registerWhileRunning = S_OK;
    const std::wstring a = TheSample().three + L"\\a.xml";
    EXPECT_EQ(Run(L"", L"", L"",
                  {DropIn({a}), Inspect([&](HWND import) {
                       owner = GetWindow(import, GW_OWNER);
                       hostAccepts = GetWindowLongPtrW(host, GWL_EXSTYLE) & WS_EX_ACCEPTFILES;
                       registerWhileRunning = RegisterDragDrop(host, &other);
                   }),
                   PressIn(L"Import", IDOK)}),
              VARIANT_TRUE);
    EXPECT_EQ(owner, host);
    EXPECT_FALSE(hostAccepts);
    EXPECT_EQ(registerWhileRunning, DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_FALSE(GetWindowLongPtrW(host, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_EQ(RevokeDragDrop(host), S_OK) << "the host's target is still registered";
    EXPECT_EQ(SelectedFiles(), Texts{a});
    DestroyWindow(host);
    OleUninitialize();
}

// A host may drop its last reference from an event handler while the dialog runs: the picker
// lives on until its call returns.
TEST_F(ImportPickerDialogTest, APickerReleasedDuringItsDialogLivesUntilTheCallReturns) {
    const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"Fernwick.dll"), "DllCanUnloadNow")));
    ASSERT_NE(canUnloadNow, nullptr);
    IImportPicker* running = picker.get();
    HRESULT whileRunning = E_FAIL;
    VARIANT_BOOL result = VARIANT_TRUE;
    {
        DialogDriver driver({Inspect([&](HWND) {
                                 picker.reset();
                                 whileRunning = canUnloadNow();
                             }),
                             PressIn(L"Import", IDCANCEL)});
        EXPECT_EQ(running->SelectFilesAndFolders(nullptr, nullptr, nullptr, &result), S_OK);
        EXPECT_TRUE(driver.Finished());
    }
    EXPECT_EQ(result, VARIANT_FALSE);
    EXPECT_EQ(whileRunning, S_FALSE);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace fernwick::tests
