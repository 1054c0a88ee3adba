#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "import_picker/import_dialog_view_win32.h"
#include "import_picker/import_selection.h"
#include "import_picker/modal_dialog_win32.h"

namespace fernwick {

// The modal "Import" dialog (template 3005): the user gathers files through CFECFileDialog and
// folders through CFolderDialog or by dropping them on the dialog, removes rows with Remove or the
// Delete key, selects them all with Ctrl+A, and confirms with OK. What was gathered stays
// readable after the run until the object is destroyed.
class ImportPickerDlg : public ModalDialog {
public:
    ImportPickerDlg(std::wstring lastSelectedFolder, std::wstring lastSelectedFile,
                    std::wstring fileFilter);

    const std::set<std::wstring>& SelectedFolders() const { return m_selection.SelectedFolders(); }
    const std::set<std::wstring>& SelectedFiles() const { return m_selection.SelectedFiles(); }
    const std::wstring& LastSelectedFolder() const { return m_selection.LastSelectedFolder(); }
    const std::wstring& LastSelectedFile() const { return m_selection.LastSelectedFile(); }

private:
    bool OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void AttachPictures();
    void OnAddFiles();
    void OnAddFolder();
    void OnListKeyDown(WORD key);

    const std::wstring m_strFileFilter;
    Win32ImportDialogView m_view;
    ImportSelection m_selection;
};

}  // namespace fernwick
