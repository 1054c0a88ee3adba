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

// C:\Data and \\server\share, not Data or C:Data, which depend on a current folder.
bool IsFullPath(std::wstring_view path) {
    return path.starts_with(L"\\\\") || (path.size() >= 3 && path.substr(1, 2) == L":\\");
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

enum class Insertion { Added, AlreadyListed, NoRow };

// The rows and set entries that one command adds, taken back unless the command keeps them, so
// that a command that fails half-way (out of memory) leaves the list and its sets as they were.
class AddedRows {
public:
    AddedRows(ImportDialogView& view, std::set<std::wstring>& paths, std::size_t capacity)
        : view_(view), paths_(paths), firstRow_(view.RowCount()) {
        entries_.reserve(capacity);
    }
    ~AddedRows() {
        if (kept_) return;
        // A row refers to its set's entry: the rows go first.
        for (int row = view_.RowCount(); row-- > firstRow_;) view_.DeleteRow(row);
        for (const auto entry : entries_) paths_.erase(entry);
    }
    AddedRows(const AddedRows&) = delete;
    AddedRows& operator=(const AddedRows&) = delete;

    // Adds the path with a row of its own. A path whose row cannot be added leaves its set again:
    // OK would otherwise hand back a path that the user can neither see nor remove.
    Insertion Add(const std::wstring& path, std::wstring_view name, RowImage image) {
        const auto [entry, inserted] = paths_.insert(path);
        if (!inserted) return Insertion::AlreadyListed;
        entries_.push_back(entry);  // room was reserved: cannot throw
        if (view_.AddRow(name, image, *entry)) return Insertion::Added;
        entries_.pop_back();
        paths_.erase(entry);
        return Insertion::NoRow;
    }
    void Keep() { kept_ = true; }

private:
    ImportDialogView& view_;
    std::set<std::wstring>& paths_;
    const int firstRow_;
    std::vector<std::set<std::wstring>::iterator> entries_;
    bool kept_ = false;
};

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
    std::wstring lastSelectedFile = paths.empty() ? m_strLastSelectedFile : paths.back();
    std::vector<std::wstring> duplicateNames;
    std::wstring firstNewName;
    AddedRows added(m_view, m_selectedFiles, paths.size());
    for (const std::wstring& path : paths) {
        std::wstring name = GetDisplayName(path);
        const Insertion insertion = added.Add(path, name, RowImage::File);
        if (insertion == Insertion::AlreadyListed) duplicateNames.push_back(std::move(name));
        if (insertion != Insertion::Added) continue;
        if (firstNewName.empty() || firstNewName > name) firstNewName = std::move(name);
    }
    const std::wstring message =
        duplicateNames.empty() ? std::wstring() : DuplicateFilesMessage(duplicateNames);
    added.Keep();
    m_strLastSelectedFile.swap(lastSelectedFile);
    SortAndScrollTo(firstNewName);
    if (!message.empty()) m_view.ShowMessage(message);
}

void ImportSelection::AddFolder(const std::wstring& path) {
    if (IsDriveRoot(path)) {
        m_view.ShowMessage(kDriveRootMessage);
        return;
    }
    std::wstring lastSelectedFolder = path;
    const std::wstring name = GetDisplayName(path);
    AddedRows added(m_view, m_selectedFolders, 1);
    if (added.Add(path, name, RowImage::Folder) == Insertion::AlreadyListed) {
        m_view.ShowMessage(kFolderAlreadyListedMessage);
    }
    added.Keep();
    m_strLastSelectedFolder.swap(lastSelectedFolder);
    SortAndScrollTo(name);
}

void ImportSelection::AddDropped(const std::vector<DroppedItem>& items) {
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders;
    for (const DroppedItem& item : items) {
        if (IsFullPath(item.path)) (item.isFolder ? folders : files).push_back(item.path);
    }
    if (!files.empty()) AddFiles(files);
    for (const std::wstring& folder : folders) AddFolder(folder);
}

void ImportSelection::RemoveSelected() {
    // Every path is copied before anything goes, so that nothing can fail half-way: a row refers
    // to its set's entry. Only the row's own set loses the path, so that a folder and a file of
    // the same path keep one row each.
    struct Removal {
        int row;
        RowImage image;
        std::wstring path;
    };
    std::vector<Removal> removals;
    for (int row = m_view.NextSelectedRow(-1); row != -1; row = m_view.NextSelectedRow(row)) {
        removals.push_back({row, m_view.RowImageOf(row), m_view.RowPath(row)});
    }
    for (auto removal = removals.rbegin(); removal != removals.rend(); ++removal) {
        m_view.DeleteRow(removal->row);
        (removal->image == RowImage::Folder ? m_selectedFolders : m_selectedFiles)
            .erase(removal->path);
    }
    UpdateOkButton();
    UpdatePathText();
}

void ImportSelection::SelectAll() {
    m_view.SelectAllRows();
    UpdatePathText();
}

void ImportSelection::OnRowSelected(int row) { m_view.ShowPathText(m_view.RowPath(row)); }

int ImportSelection::SortFileList(const std::wstring& leftPath,
                                  const std::wstring& rightPath) noexcept {
    const int order = DisplayNameOf(leftPath).compare(DisplayNameOf(rightPath));
    return (order > 0) - (order < 0);
}

void ImportSelection::SortAndScrollTo(std::wstring_view name) {
    m_view.SortRows(&ImportSelection::SortFileList);
    UpdateOkButton();
    ScrollToName(name);
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
