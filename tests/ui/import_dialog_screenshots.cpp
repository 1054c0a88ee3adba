// Takes pictures of the Import dialog, of what a drop on it adds, and of its three messages for
// `make screenshot`: runs the dialog through the registered ImportPicker, drives it into each state
// and saves the window as a 24-bit BMP into the folder named on the command line.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fernwick.h"
#include "resources/resource.h"
#include "support/unique_gui_handles_win32.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/support/com_apartment_win32.h"
#include "tests/ui/dialog_driver.h"

namespace fernwick::tests {
namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueGdiObject;

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC compatible) : dc(CreateCompatibleDC(compatible)) {}
    ~MemoryDc() { DeleteDC(dc); }
};

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    ScreenDc screen;
    MemoryDc memory(screen.dc);
    UniqueGdiObject picture(CreateCompatibleBitmap(screen.dc, width, height));
    const HGDIOBJ previous = SelectObject(memory.dc, picture.get());
    BitBlt(memory.dc, 0, 0, width, height, screen.dc, bounds.left, bounds.top, SRCCOPY);
    SelectObject(memory.dc, previous);

    BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * height);
    GetDIBits(memory.dc, static_cast<HBITMAP>(picture.get()), 0, height, pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());

    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&info, sizeof(info), 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    return std::fclose(out) == 0;
}

std::wstring outputFolder;
int failures = 0;

DialogDriver::Step Picture(const std::wstring& caption, const std::wstring& name) {
    // The X server draws asynchronously: give it some ticks before reading the screen back.
    return [caption, name, ticks = 0]() mutable {
        HWND dialog = FindDialog(caption);
        if (!dialog || ++ticks < 15) return false;
        if (!SaveWindowPicture(dialog, outputFolder + L"\\" + name + L".bmp")) ++failures;
        return true;
    };
}

DialogDriver::Step SelectImportRow(int row) {
    return [row] {
        HWND import = EnabledDialog(L"Import");
        if (!import) return false;
        SelectRow(GetDlgItem(import, IDC_IMPORT_FILE_LIST), row, true);
        return true;
    };
}

void Run(IImportPicker* picker, const std::wstring& folder, const std::wstring& file,
         std::vector<DialogDriver::Step> steps) {
    DialogDriver driver(std::move(steps));
    const UniqueBstr folderText(SysAllocString(folder.c_str()));
    const UniqueBstr fileText(SysAllocString(file.c_str()));
    const UniqueBstr filter(SysAllocString(L"XML files (*.xml)|*.xml|All files|*.*|"));
    VARIANT_BOOL result = VARIANT_FALSE;
    picker->SelectFilesAndFolders(folderText.get(), fileText.get(), filter.get(), &result);
    if (!driver.Finished()) ++failures;
}

void CreateFileAt(const std::wstring& path) {
    const tolk::stdx::UniqueFileHandle created(CreateFileW(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

int TakePictures() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"Quarterly reports";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW((root + L"\\Drafts").c_str(), nullptr);
    for (const wchar_t* name : {L"summary.xml", L"Budget 2024.xml", L"appendix.xml"}) {
        CreateFileAt(root + L"\\" + name);
    }

    UniqueCom<IImportPicker> picker;
    if (FAILED(CoCreateInstance(CLSID_ImportPicker, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(picker.put())))) {
        return 2;
    }
    Run(picker.get(), root + L"\\Drafts", root + L"\\summary.xml",
        {Picture(L"Import", L"import-empty"), PressIn(L"Import", IDC_IMPORT_ADD_FILES),
         ChooseAllFiles(3), PressIn(L"Import", IDC_IMPORT_ADD_FOLDER),
         PressIn(L"Browse for Folder", IDOK), SelectImportRow(2),
         Picture(L"Import", L"import-with-files-and-folders"),
         PressIn(L"Import", IDC_IMPORT_ADD_FILES), ChooseAllFiles(3),
         Picture(L"Fernwick", L"message-files-already-listed"), PressIn(L"Fernwick", IDOK),
         PressIn(L"Import", IDC_IMPORT_ADD_FOLDER), PressIn(L"Browse for Folder", IDOK),
         Picture(L"Fernwick", L"message-folder-already-listed"), PressIn(L"Fernwick", IDOK),
         PressIn(L"Import", IDCANCEL)});
    const std::wstring received = std::wstring(temp) + L"Received";
    CreateDirectoryW(received.c_str(), nullptr);
    CreateDirectoryW((received + L"\\Scans").c_str(), nullptr);
    for (const wchar_t* name : {L"minutes March.xml", L"contract.xml"}) {
        CreateFileAt(received + L"\\" + name);
    }
    Run(picker.get(), L"", L"",
        {DropInImport(IDC_IMPORT_FILE_LIST, {received + L"\\minutes March.xml",
                                             received + L"\\Scans", received + L"\\contract.xml"}),
         SelectImportRow(1), Picture(L"Import", L"import-after-drop"),
         PressIn(L"Import", IDCANCEL)});
    Run(picker.get(), L"C:\\", L"",
        {PressIn(L"Import", IDC_IMPORT_ADD_FOLDER), PressIn(L"Browse for Folder", IDOK),
         Picture(L"Fernwick", L"message-drive-root"), PressIn(L"Fernwick", IDOK),
         PressIn(L"Import", IDCANCEL)});
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace fernwick::tests

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: import_dialog_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    fernwick::tests::outputFolder = argv[1];
    const fernwick::ComApartment apartment;
    return fernwick::tests::TakePictures();
}
