#pragma once

#include <string>
#include <string_view>

namespace fernwick {

// Picture of a row in the Import dialog's list: the index into both image strips.
enum class RowImage { Folder = 0, File = 1 };

// Orders two rows by their paths; negative, zero or positive like wcscmp. It runs inside the
// system's sort, which no exception may cross.
using RowOrder = int (*)(const std::wstring& leftPath, const std::wstring& rightPath) noexcept;

// The window operations that the Import dialog's selection rules need: its list of rows, its OK
// button, its path line and its message box. Rows are addressed by index from the top; -1 means
// "no row".
class ImportDialogView {
public:
    virtual ~ImportDialogView() = default;

    virtual int RowCount() const = 0;
    // Appends a row. The row keeps a reference to path as its item data, so path must outlive the
    // row. False, or an exception, when no row was added.
    [[nodiscard]] virtual bool AddRow(std::wstring_view text, RowImage image,
                                      const std::wstring& path) = 0;
    virtual void DeleteRow(int row) = 0;
    // The full path held as the row's item data.
    virtual std::wstring RowPath(int row) const = 0;
    virtual RowImage RowImageOf(int row) const = 0;
    // The first selected row below `after` (-1: from the top), or -1.
    virtual int NextSelectedRow(int after) const = 0;
    virtual void SelectAllRows() = 0;
    virtual void SortRows(RowOrder order) = 0;
    // The first row from the top whose text begins with prefix, ignoring case, or -1. An empty
    // prefix matches the first row.
    virtual int FindRowStartingWith(std::wstring_view prefix) const = 0;
    // Scrolls until the whole row is visible.
    virtual void EnsureRowVisible(int row) = 0;

    virtual void EnableOkButton(bool enable) = 0;
    virtual void ShowPathText(std::wstring_view text) = 0;
    // A modal message; returns once the user has closed it.
    virtual void ShowMessage(std::wstring_view text) = 0;
};

}  // namespace fernwick
