#pragma once

#include <windows.h>

#include "import_picker/import_dialog_view.h"

namespace fernwick {

// The Import dialog's window operations on its real controls: the list view (control 3004) whose
// item data point at the paths held by the selection sets, the OK button, the path edit (control
// 3005) and message boxes captioned with the application name.
class Win32ImportDialogView : public ImportDialogView {
public:
    void Attach(HWND dialog) { m_dialog = dialog; }

    int RowCount() const override;
    bool AddRow(std::wstring_view text, RowImage image, const std::wstring& path) override;
    void DeleteRow(int row) override;
    std::wstring RowPath(int row) const override;
    RowImage RowImageOf(int row) const override;
    int NextSelectedRow(int after) const override;
    void SelectAllRows() override;
    void SortRows(RowOrder order) override;
    int FindRowStartingWith(std::wstring_view prefix) const override;
    void EnsureRowVisible(int row) override;
    void EnableOkButton(bool enable) override;
    void ShowPathText(std::wstring_view text) override;
    void ShowMessage(std::wstring_view text) override;

private:
    HWND List() const;
    LPARAM ItemData(int row) const;

    HWND m_dialog = nullptr;
};

}  // namespace fernwick
