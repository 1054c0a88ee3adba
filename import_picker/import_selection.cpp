#include "import_picker/import_selection.h"

#include <utility>

#include "import_picker/display_name.h"

namespace fernwick {

namespace {

// C:\ and D:\ but not C:\Data: the path ends right after its first ":\".
bool IsDriveRoot(std::wstring_view path) {
    const std::size_t colonBackslash = path.find(L":\\");
    return colonBackslash != std::wstring_view::npos && colonBackslash + 2 == path.size();
}

std::wstring DuplicateFilesMessage(const std::vector<std::wstring>& names) {
    std::wstring text(kFilesAlreadyListedMessage);
    text += L'\n';
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += L", ";
        text += names[i];
    }
    return text;
}

}  // namespace

ImportSelection::ImportSelection(ImportDialogView& view, std::wstring lastSelectedFolder,
                                 std::wstring lastSelectedFile)
    : m_view(view),
      m_strLastSelectedFile(std::move(lastSelectedFile)),
      m_strLastSelectedFolder(std::move(lastSelectedFolder)) {}

void ImportSelection::Initialize() {
    UpdateOkButton();
    m_view.ShowPathText(kPathPrompt);
}

void ImportSelection::AddFiles(const std::vector<std::wstring>& paths) {
    std::vector<std::wstring> duplicateNames;
    std::wstring firstNewName;
    for (const std::wstring& path : paths) {
        m_strLastSelectedFile = path;
        std::wstring name = GetDisplayName(path);
        const Insertion insertion = Insert(m_selectedFiles, path, name, RowImage::File);
        if (insertion == Insertion::AlreadyListed) duplicateNames.push_back(std::move(name));
        if (insertion != Insertion::Added) continue;
        if (firstNewName.empty() || firstNewName > name) firstNewName = std::move(name);
    }
    SortAndScrollTo(firstNewName);
    if (!duplicateNames.empty()) m_view.ShowMessage(DuplicateFilesMessage(duplicateNames));
}

void ImportSelection::AddFolder(const std::wstring& path) {
    if (IsDriveRoot(path)) {
        m_view.ShowMessage(kDriveRootMessage);
        return;
    }
    const std::wstring name = GetDisplayName(path);
    if (Insert(m_selectedFolders, path, name, RowImage::Folder) == Insertion::AlreadyListed) {
        m_view.ShowMessage(kFolderAlreadyListedMessage);
    }
    m_strLastSelectedFolder = path;
    SortAndScrollTo(name);
}

void ImportSelection::RemoveSelected() {
    for (int row = m_view.NextSelectedRow(-1); row != -1; row = m_view.NextSelectedRow(-1)) {
        // The row refers to its set's entry: copy the path before either goes. Only the row's own
        // set loses the path, so that a folder and a file of the same path keep one row each.
        const std::wstring path = m_view.RowPath(row);
        const RowImage image = m_view.RowImageOf(row);
        m_view.DeleteRow(row);
        (image == RowImage::Folder ? m_selectedFolders : m_selectedFiles).erase(path);
    }
    UpdatePathText();
    UpdateOkButton();
}

void ImportSelection::OnRowSelected(int row) { m_view.ShowPathText(m_view.RowPath(row)); }

int ImportSelection::SortFileList(const std::wstring& leftPath,
                                  const std::wstring& rightPath) noexcept {
    const int order = DisplayNameOf(leftPath).compare(DisplayNameOf(rightPath));
    return (order > 0) - (order < 0);
}

// A path is in a set exactly when it has a row: one whose row cannot be added leaves its set
// again, since OK would otherwise hand back a path that the user can neither see nor remove.
ImportSelection::Insertion ImportSelection::Insert(std::set<std::wstring>& paths,
                                                   const std::wstring& path, std::wstring_view name,
                                                   RowImage image) {
    const auto [entry, inserted] = paths.insert(path);
    if (!inserted) return Insertion::AlreadyListed;
    bool added = false;
    try {
        added = m_view.AddRow(name, image, *entry);
    } catch (...) {
        paths.erase(entry);
        throw;
    }
    if (added) return Insertion::Added;
    paths.erase(entry);
    return Insertion::NoRow;
}

void ImportSelection::SortAndScrollTo(std::wstring_view name) {
    m_view.SortRows(&ImportSelection::SortFileList);
    ScrollToName(name);
    UpdateOkButton();
}

void ImportSelection::ScrollToName(std::wstring_view name) {
    const int row = m_view.FindRowStartingWith(name);
    if (row != -1) m_view.EnsureRowVisible(row);
}

void ImportSelection::UpdateOkButton() { m_view.EnableOkButton(m_view.RowCount() > 0); }

void ImportSelection::UpdatePathText() {
    const int row = m_view.NextSelectedRow(-1);
    if (row != -1) {
        m_view.ShowPathText(m_view.RowPath(row));
    } else {
        m_view.ShowPathText(kPathPrompt);
    }
}

}  // namespace fernwick
