#pragma once

#include <windows.h>
#include <shlobj.h>

#include <memory>

namespace fernwick {

// The folder chooser behind "Add Folder": the system's folder browser, run modally, opening at
// a given folder and answering the chosen folder's file-system path.
class CFolderDialog {
public:
    // An initial folder that is null or does not fit m_szInitialFolder (more than MAX_PATH - 1
    // characters) is ignored: the browser then opens without a selection.
    explicit CFolderDialog(const wchar_t* initialFolder);
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // IDOK with a file-system path, IDCANCEL when the user cancelled, -1 for a chosen item that
    // has no file-system path.
    INT_PTR DoModal();
    const wchar_t* GetChosenFolder() const { return m_szChosenFolder; }

private:
    static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM parameter, LPARAM dialog);
    void OnBrowseInitialized();
    void OnBrowseSelChanged(PCIDLIST_ABSOLUTE item);
    int OnBrowseValidateFailed();

    std::unique_ptr<wchar_t[]> m_displayName;
    BROWSEINFOW m_browseInfo{};
    wchar_t m_szInitialFolder[MAX_PATH] = {};
    wchar_t m_szChosenFolder[MAX_PATH] = {};
    HWND m_hBrowseWnd = nullptr;
};

}  // namespace fernwick
