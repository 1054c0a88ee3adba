#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "import_picker/import_dialog_view.h"

namespace fernwick {

inline constexpr std::wstring_view kPathPrompt = L"Select a file/folder to show its full path...";
inline constexpr std::wstring_view kFilesAlreadyListedMessage =
    L"File(s) are already in the list of files and folders to import:";
inline constexpr std::wstring_view kDriveRootMessage =
    L"Please select a file or folder. An entire drive such as C:\\ or D:\\ cannot be imported at "
    L"once.";
inline constexpr std::wstring_view kFolderAlreadyListedMessage =
    L"The selected folder is already in the list of files and folders to import.";

// One path of a drop of the shell's, and whether the file system holds a folder there.
struct DroppedItem {
    std::wstring path;
    bool isFolder = false;
};

// What the Import dialog gathers and the rules by which it gathers it: two sets of paths ordered
// by UTF-16 code units, one list row per path, the last file and folder the user picked. The
// dialog window feeds it the choices of the file dialog and the folder picker; every effect on
// the window goes through the view. A command that runs out of memory throws std::bad_alloc and
// leaves the sets, the rows and the last choices as they were, or, when only showing the outcome
// failed, as the command made them.
class ImportSelection {
public:
    ImportSelection(ImportDialogView& view, std::wstring lastSelectedFolder,
                    std::wstring lastSelectedFile);

    // Once the window exists: OK disabled for the empty list, the prompt in the path line.
    void Initialize();
    // The full paths that one run of the file dialog yielded, in its order.
    void AddFiles(const std::vector<std::wstring>& paths);
    // The file-system path that the folder picker yielded.
    void AddFolder(const std::wstring& path);
    // Paths dropped on the dialog, in the drop's order: the files as one run of the file dialog,
    // then each folder as one choice of the folder picker. A path that is not a full path (a drive
    // letter or a share) names nothing the dialog can take, and is passed over.
    void AddDropped(const std::vector<DroppedItem>& items);
    // Drops every selected row and its path.
    void RemoveSelected();
    void SelectAll();
    // The list reported that a row became selected.
    void OnRowSelected(int row);

    // The order of the list's rows: by display name, by code units. It allocates nothing, so that
    // a sort cannot fail half-way.
    static int SortFileList(const std::wstring& leftPath, const std::wstring& rightPath) noexcept;

    const std::set<std::wstring>& SelectedFolders() const { return m_selectedFolders; }
    const std::set<std::wstring>& SelectedFiles() const { return m_selectedFiles; }
    const std::wstring& LastSelectedFolder() const { return m_strLastSelectedFolder; }
    const std::wstring& LastSelectedFile() const { return m_strLastSelectedFile; }

private:
    void SortAndScrollTo(std::wstring_view name);
    void ScrollToName(std::wstring_view name);
    void UpdateOkButton();
    void UpdatePathText();

    ImportDialogView& m_view;
    std::wstring m_strLastSelectedFile;
    std::wstring m_strLastSelectedFolder;
    std::set<std::wstring> m_selectedFolders;
    std::set<std::wstring> m_selectedFiles;
};

}  // namespace fernwick
