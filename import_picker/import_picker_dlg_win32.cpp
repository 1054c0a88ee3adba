#include "import_picker/import_picker_dlg_win32.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "import_picker/dropped_items_win32.h"
#include "import_picker/fec_file_dialog_win32.h"
#include "import_picker/folder_dialog_win32.h"
#include "resources/resource.h"
#include "server/module_state_win32.h"
#include "support/unique_gui_handles_win32.h"

namespace fernwick {
namespace {

constexpr COLORREF kPictureBackground = RGB(255, 0, 255);
constexpr int kPicturesPerStrip = 8;

// An image list filled from a strip of eight pictures in the component's resources. Null when
// either cannot be had; the list then shows rows without pictures.
tolk::stdx::UniqueImageList LoadPictureStrip(UINT bitmapId, int pictureSize) {
    tolk::stdx::UniqueImageList pictures(
        ImageList_Create(pictureSize, pictureSize, ILC_COLOR8 | ILC_MASK, kPicturesPerStrip, 1));
    const tolk::stdx::UniqueGdiObject strip(
        LoadBitmapW(ResourceModule(), MAKEINTRESOURCEW(bitmapId)));
    if (pictures && strip) {
        ImageList_AddMasked(pictures.get(), static_cast<HBITMAP>(strip.get()), kPictureBackground);
    }
    return pictures;
}

}  // namespace

ImportPickerDlg::ImportPickerDlg(std::wstring lastSelectedFolder, std::wstring lastSelectedFile,
                                 std::wstring fileFilter)
    : ModalDialog(IDD_IMPORT_PICKER),
      m_strFileFilter(std::move(fileFilter)),
      m_selection(m_view, std::move(lastSelectedFolder), std::move(lastSelectedFile)) {
    const INITCOMMONCONTROLSEX listViewClasses{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&listViewClasses);
}

bool ImportPickerDlg::OnInitDialog() {
    m_view.Attach(Window());
    const HWND list = Control(IDC_IMPORT_FILE_LIST);

    RECT client{};
    GetClientRect(list, &client);
    wchar_t heading[] = L"Files and folders to import:";
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = client.right - client.left;
    column.pszText = heading;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) | LVS_REPORT);

    AttachPictures();
    m_selection.Initialize();
    // Only this window takes drops, and only while it exists: the host's windows and their own
    // drop targets stay as the host made them.
    DragAcceptFiles(Window(), TRUE);
    return true;
}

void ImportPickerDlg::AttachPictures() {
    const HWND list = Control(IDC_IMPORT_FILE_LIST);
    tolk::stdx::UniqueImageList largeImages = LoadPictureStrip(IDB_IMPORT_LARGE_PICTURES, 32);
    tolk::stdx::UniqueImageList smallImages = LoadPictureStrip(IDB_IMPORT_SMALL_PICTURES, 16);
    // Without LVS_SHAREIMAGELISTS the list destroys its image lists with its window.
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(largeImages.release()));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(smallImages.release()));
}

bool ImportPickerDlg::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED) return ModalDialog::OnCommand(id, code);
    switch (id) {
        case IDC_IMPORT_ADD_FILES:
            OnAddFiles();
            return true;
        case IDC_IMPORT_ADD_FOLDER:
            OnAddFolder();
            return true;
        case IDC_IMPORT_REMOVE:
            m_selection.RemoveSelected();
            return true;
        default:
            return ModalDialog::OnCommand(id, code);
    }
}

bool ImportPickerDlg::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_IMPORT_FILE_LIST) return false;
    switch (header.code) {
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uNewState & LVIS_SELECTED) && change.iItem >= 0) {
                m_selection.OnRowSelected(change.iItem);
            }
            break;
        }
        case LVN_KEYDOWN:
            OnListKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
            break;
        default:
            return false;
    }
    result = 0;
    return true;
}

bool ImportPickerDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_DROPFILES: {
            const tolk::stdx::UniqueDrop drop(reinterpret_cast<HDROP>(wParam));
            m_selection.AddDropped(DroppedItems(drop.get()));
            return true;
        }
        case WM_DESTROY:
            DragAcceptFiles(Window(), FALSE);
            return false;
        default:
            return false;
    }
}

// The list's own keys (arrows, letters, Space) keep working: it still handles every key itself.
void ImportPickerDlg::OnListKeyDown(WORD key) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    if (key == VK_DELETE && !control && !alt) {
        m_selection.RemoveSelected();
    } else if (key == 'A' && control && !alt) {
        m_selection.SelectAll();
    }
}

void ImportPickerDlg::OnAddFiles() {
    CFECFileDialog fileDialog(m_selection.LastSelectedFile().c_str(), m_strFileFilter.c_str());
    if (fileDialog.DoModal() != IDOK) return;
    std::vector<std::wstring> paths;
    for (CFECFileDialog::Position pos = fileDialog.GetStartPosition(); pos;) {
        paths.push_back(fileDialog.GetNextPathName(pos));
    }
    m_selection.AddFiles(paths);
}

void ImportPickerDlg::OnAddFolder() {
    CFolderDialog folderDialog(m_selection.LastSelectedFolder().c_str());
    if (folderDialog.DoModal() != IDOK) return;
    m_selection.AddFolder(folderDialog.GetChosenFolder());
}

}  // namespace fernwick
