#include "import_picker/import_dialog_view_win32.h"

#include <commctrl.h>

#include <string>

#include "import_picker/application_name_win32.h"
#include "resources/resource.h"
#include "support/terminated_text.h"

namespace fernwick {
namespace {

const std::wstring& PathOf(LPARAM itemData) noexcept {
    return *reinterpret_cast<const std::wstring*>(itemData);
}

int CALLBACK CompareItems(LPARAM left, LPARAM right, LPARAM order) noexcept {
    return reinterpret_cast<RowOrder>(order)(PathOf(left), PathOf(right));
}

}  // namespace

HWND Win32ImportDialogView::List() const { return GetDlgItem(m_dialog, IDC_IMPORT_FILE_LIST); }

int Win32ImportDialogView::RowCount() const {
    return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
}

bool Win32ImportDialogView::AddRow(std::wstring_view text, RowImage image,
                                   const std::wstring& path) {
    std::wstring itemText(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = RowCount();
    item.pszText = itemText.data();
    item.iImage = static_cast<int>(image);
    item.lParam = reinterpret_cast<LPARAM>(&path);
    return SendMessageW(List(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) != -1;
}

void Win32ImportDialogView::DeleteRow(int row) { SendMessageW(List(), LVM_DELETEITEM, row, 0); }

LPARAM Win32ImportDialogView::ItemData(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

std::wstring Win32ImportDialogView::RowPath(int row) const { return PathOf(ItemData(row)); }

RowImage Win32ImportDialogView::RowImageOf(int row) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage == static_cast<int>(RowImage::Folder) ? RowImage::Folder : RowImage::File;
}

int Win32ImportDialogView::NextSelectedRow(int after) const {
    return static_cast<int>(SendMessageW(List(), LVM_GETNEXTITEM, after, LVNI_SELECTED));
}

void Win32ImportDialogView::SelectAllRows() {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&item));
}

void Win32ImportDialogView::SortRows(RowOrder order) {
    SendMessageW(List(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(order),
                 reinterpret_cast<LPARAM>(&CompareItems));
}

int Win32ImportDialogView::FindRowStartingWith(std::wstring_view prefix) const {
    std::wstring text(prefix);
    LVFINDINFOW find{};
    find.flags = LVFI_STRING | LVFI_PARTIAL;
    find.psz = text.c_str();
    return static_cast<int>(SendMessageW(List(), LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(&find)));
}

void Win32ImportDialogView::EnsureRowVisible(int row) {
    SendMessageW(List(), LVM_ENSUREVISIBLE, row, FALSE);
}

void Win32ImportDialogView::EnableOkButton(bool enable) {
    EnableWindow(GetDlgItem(m_dialog, IDOK), enable);
}

void Win32ImportDialogView::ShowPathText(std::wstring_view text) {
    SetDlgItemTextW(m_dialog, IDC_IMPORT_PATH, tolk::stdx::TerminatedText(text).get());
}

void Win32ImportDialogView::ShowMessage(std::wstring_view text) {
    MessageBoxW(m_dialog, tolk::stdx::TerminatedText(text).get(), ApplicationName().c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace fernwick
