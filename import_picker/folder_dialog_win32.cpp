#include "import_picker/folder_dialog_win32.h"

#include <cwchar>

#include "import_picker/dialog_owner_win32.h"
#include "support/unique_gui_handles_win32.h"

namespace fernwick {

CFolderDialog::CFolderDialog(const wchar_t* initialFolder)
    : m_displayName(std::make_unique<wchar_t[]>(MAX_PATH)) {
    m_browseInfo.pszDisplayName = m_displayName.get();
    m_browseInfo.ulFlags = BIF_RETURNONLYFSDIRS;
    m_browseInfo.lpfn = &CFolderDialog::BrowseCallback;
    m_browseInfo.lParam = reinterpret_cast<LPARAM>(this);
    if (initialFolder && std::wcslen(initialFolder) < MAX_PATH) {
        std::wcscpy(m_szInitialFolder, initialFolder);
    }
}

INT_PTR CFolderDialog::DoModal() {
    m_browseInfo.hwndOwner = DialogOwner();
    const tolk::stdx::UniquePidl chosen(SHBrowseForFolderW(&m_browseInfo));
    if (!chosen) return IDCANCEL;
    return SHGetPathFromIDListW(chosen.get(), m_szChosenFolder) ? IDOK : -1;
}

int CALLBACK CFolderDialog::BrowseCallback(HWND browser, UINT message, LPARAM parameter,
                                           LPARAM dialog) {
    auto* self = reinterpret_cast<CFolderDialog*>(dialog);
    self->m_hBrowseWnd = browser;
    int result = 0;
    switch (message) {
        case BFFM_INITIALIZED:
            self->OnBrowseInitialized();
            break;
        case BFFM_SELCHANGED:
            self->OnBrowseSelChanged(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter));
            break;
        case BFFM_VALIDATEFAILEDW:
            result = self->OnBrowseValidateFailed();
            break;
        default:
            break;
    }
    self->m_hBrowseWnd = nullptr;
    return result;
}

void CFolderDialog::OnBrowseInitialized() {
    if (m_szInitialFolder[0] == L'\0') return;
    SendMessageW(m_hBrowseWnd, BFFM_SETSELECTIONW, TRUE,
                 reinterpret_cast<LPARAM>(m_szInitialFolder));
}

void CFolderDialog::OnBrowseSelChanged(PCIDLIST_ABSOLUTE item) {
    if (!(m_browseInfo.ulFlags & BIF_STATUSTEXT)) return;
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(item, path)) {
        SendMessageW(m_hBrowseWnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
}

// Keeps the browser open after it refused what the user typed.
int CFolderDialog::OnBrowseValidateFailed() {
    MessageBeep(MB_ICONHAND);
    return 1;
}

}  // namespace fernwick
