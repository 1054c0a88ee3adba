// Operates the Import dialog of the script that started this program, for the script suites:
// SelectFilesAndFolders is modal and blocks the script, so its dialogs are driven from outside.
//
//   import_dialog_script_driver REPORT STEP... ok|cancel
//     add-folder PATH   press "Add Folder", select PATH in the folder browser, press OK
//     add-files COUNT   press "Add Files", select the (at least COUNT) files listed, press Open
//     drop PATHS        drop the paths (separated by |; none for "") on the Import dialog's list
//     delete ROW        select only that row of the Import dialog's list and press Delete there
//     close-message     press OK in the message box that the Import dialog shows
//     ok | cancel       create the file REPORT, then press OK or Cancel in the Import dialog
//
// Only windows of the parent process count. The report is made before the last press, so that
// the script finds it as soon as its call returns (under Wine the script host can neither read
// the exit code of a program it did not wait for nor sleep). When the steps do not finish in
// time, or leave a dialog open, cancels the parent's dialogs so that the script never hangs, and
// exits 1 (without a report where the steps did not finish).
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/unique_handles_win32.h"
#include "tests/ui/dialog_driver.h"

namespace fernwick::tests {
namespace {

constexpr DWORD kWatchdogMilliseconds = 60000;
constexpr DWORD kTickMilliseconds = 20;

DWORD ParentProcessId() {
    const tolk::stdx::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) return entry.th32ParentProcessID;
    }
    return 0;
}

// Memory in the script's process: list view and tree view messages carry pointers, which are
// not carried across processes.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size)
        : process_(process),
          address_(static_cast<char*>(
              VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* At(std::size_t offset) const { return address_ + offset; }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        return address_ && WriteProcessMemory(process_, At(offset), data, size, nullptr);
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        return address_ && ReadProcessMemory(process_, At(offset), data, size, nullptr);
    }

private:
    HANDLE process_;
    char* address_;
};

class ScriptDialogs {
public:
    explicit ScriptDialogs(DWORD processId)
        : processId_(processId),
          process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId)) {}

    std::vector<HWND> Visible() const {
        std::pair<DWORD, std::vector<HWND>> search{processId_, {}};
        EnumWindows(
            [](HWND window, LPARAM data) CALLBACK -> BOOL {
                auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == found->first && ClassName(window) == L"#32770" &&
                    IsWindowVisible(window)) {
                    found->second.push_back(window);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.second;
    }

    HWND Find(const std::wstring& caption) const {
        for (HWND dialog : Visible()) {
            if (WindowText(dialog) == caption) return dialog;
        }
        return nullptr;
    }

    HWND EnabledImport() const {
        HWND import = Find(L"Import");
        return import && IsWindowEnabled(import) ? import : nullptr;
    }

    std::wstring SelectedTreeItem(HWND tree) const {
        const auto item =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (!item) return {};
        const RemoteMemory memory(process_.get(), sizeof(TVITEMW) + MAX_PATH * sizeof(wchar_t));
        TVITEMW data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = reinterpret_cast<wchar_t*>(memory.At(sizeof data));
        data.cchTextMax = MAX_PATH;
        wchar_t text[MAX_PATH] = {};
        if (!memory.Write(0, &data, sizeof data) ||
            !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.At(0))) ||
            !memory.Read(sizeof data, text, sizeof text)) {
            return {};
        }
        text[MAX_PATH - 1] = L'\0';
        return text;
    }

    void SelectFolder(HWND browser, const std::wstring& path) const {
        const std::size_t size = (path.size() + 1) * sizeof(wchar_t);
        const RemoteMemory memory(process_.get(), size);
        if (memory.Write(0, path.c_str(), size)) {
            SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(memory.At(0)));
        }
    }

    // Hands the Import dialog a drop on its list whose data lie in the script's process, where
    // the system copies a drop made from another process; Wine does not copy a drop handle
    // across processes. The dialog gives the drop back, but its memory stays allocated until the
    // script ends.
    void Drop(HWND import, const std::vector<std::wstring>& paths) const {
        const HGLOBAL local = ShellDrop(paths, MiddleOf(import, IDC_IMPORT_FILE_LIST));
        const SIZE_T size = GlobalSize(local);
        void* remote =
            VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        const void* data = GlobalLock(local);
        if (remote && data && WriteProcessMemory(process_.get(), remote, data, size, nullptr)) {
            PostMessageW(import, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
        }
        GlobalUnlock(local);
        GlobalFree(local);
    }

    // Selects or deselects a row, or every row for -1.
    void SelectRows(HWND list, int row, bool selected) const {
        const RemoteMemory memory(process_.get(), sizeof(LVITEMW));
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        item.state = selected ? LVIS_SELECTED : 0;
        if (memory.Write(0, &item, sizeof item)) {
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(memory.At(0)));
        }
    }

private:
    DWORD processId_;
    tolk::stdx::UniqueHandle process_;
};

using Step = std::function<bool()>;

Step PressInImport(const ScriptDialogs& dialogs, int id) {
    return [&dialogs, id] {
        HWND import = dialogs.EnabledImport();
        if (!import) return false;
        Press(import, id);
        return true;
    };
}

// Keeps the dialog it pressed in `closed`.
Step ReportAndClose(const ScriptDialogs& dialogs, int id, const std::wstring& report,
                    HWND& closed) {
    return [&dialogs, id, report, &closed] {
        HWND import = dialogs.EnabledImport();
        if (!import) return false;
        closed = import;
        const tolk::stdx::UniqueFileHandle file(CreateFileW(report.c_str(), GENERIC_WRITE, 0,
                                                            nullptr, CREATE_ALWAYS,
                                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        Press(import, id);
        return true;
    };
}

// Selects `path` until the browser's tree shows its last component as the selected item on a few
// ticks in a row: the browser moves its selection to the initial folder while it fills the tree.
Step ChooseFolder(const ScriptDialogs& dialogs, const std::wstring& path) {
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    return [&dialogs, path, name, steady = 0]() mutable {
        HWND browser = dialogs.Find(L"Browse for Folder");
        if (!browser) return false;
        if (dialogs.SelectedTreeItem(FindDescendant(browser, L"SysTreeView32")) != name) {
            steady = 0;
            dialogs.SelectFolder(browser, path);
            return false;
        }
        if (++steady < 5) return false;
        Press(browser, IDOK);
        return true;
    };
}

Step ChooseAllFiles(const ScriptDialogs& dialogs, int count) {
    return [&dialogs, count] {
        HWND open = dialogs.Find(L"Open");
        if (!open) return false;
        HWND list = FindDescendant(open, L"SysListView32");
        if (!list || RowCount(list) < count) return false;
        dialogs.SelectRows(list, -1, true);
        Press(open, IDOK);
        return true;
    };
}

std::vector<std::wstring> SplitPaths(const std::wstring& joined) {
    std::vector<std::wstring> paths;
    for (std::size_t start = 0; start < joined.size();) {
        const std::size_t end = std::min(joined.find(L'|', start), joined.size());
        paths.push_back(joined.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

Step DropInImport(const ScriptDialogs& dialogs, const std::wstring& joinedPaths) {
    return [&dialogs, paths = SplitPaths(joinedPaths)] {
        HWND import = dialogs.EnabledImport();
        if (!import) return false;
        dialogs.Drop(import, paths);
        return true;
    };
}

Step DeleteRow(const ScriptDialogs& dialogs, int row) {
    return [&dialogs, row] {
        HWND import = dialogs.EnabledImport();
        if (!import) return false;
        HWND list = GetDlgItem(import, IDC_IMPORT_FILE_LIST);
        dialogs.SelectRows(list, -1, false);
        dialogs.SelectRows(list, row, true);
        PostKey(list, VK_DELETE);
        return true;
    };
}

// Done once the box pressed is gone: its owner is enabled again while the box still shows, and a
// later step must neither take that box for the next one nor press the owner under a box yet to
// come.
Step CloseMessage(const ScriptDialogs& dialogs) {
    return [&dialogs, pressed = HWND{}]() mutable {
        if (pressed) return !IsWindow(pressed) || !IsWindowVisible(pressed);
        pressed = dialogs.Find(L"Fernwick");
        if (pressed) Press(pressed, IDOK);
        return false;
    };
}

// The steps of the command line, or none when it is malformed.
std::vector<Step> ParseSteps(const ScriptDialogs& dialogs, int argc, wchar_t** argv, HWND& closed) {
    std::vector<Step> steps;
    bool closes = false;
    for (int i = 2; i < argc; ++i) {
        const std::wstring command = argv[i];
        if ((command == L"ok" || command == L"cancel") && i + 1 == argc) {
            steps.push_back(
                ReportAndClose(dialogs, command == L"ok" ? IDOK : IDCANCEL, argv[1], closed));
            closes = true;
        } else if (command == L"add-folder" && i + 1 < argc) {
            steps.push_back(PressInImport(dialogs, IDC_IMPORT_ADD_FOLDER));
            steps.push_back(ChooseFolder(dialogs, argv[++i]));
        } else if (command == L"add-files" && i + 1 < argc) {
            steps.push_back(PressInImport(dialogs, IDC_IMPORT_ADD_FILES));
            steps.push_back(ChooseAllFiles(dialogs, std::wcstol(argv[++i], nullptr, 10)));
        } else if (command == L"drop" && i + 1 < argc) {
            steps.push_back(DropInImport(dialogs, argv[++i]));
        } else if (command == L"delete" && i + 1 < argc) {
            steps.push_back(DeleteRow(dialogs, std::wcstol(argv[++i], nullptr, 10)));
        } else if (command == L"close-message") {
            steps.push_back(CloseMessage(dialogs));
        } else {
            std::fwprintf(stderr, L"unknown step %ls\n", command.c_str());
            return {};
        }
    }
    return closes ? steps : std::vector<Step>{};
}

// Cancels and closes the script's dialogs until none is left, the innermost first by repetition.
void CancelEverything(const ScriptDialogs& dialogs) {
    const DWORD until = GetTickCount() + 10000;
    while (GetTickCount() < until) {
        const std::vector<HWND> open = dialogs.Visible();
        if (open.empty()) return;
        for (HWND dialog : open) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
        Sleep(100);
    }
}

int Drive(int argc, wchar_t** argv) {
    const ScriptDialogs dialogs(ParentProcessId());
    HWND closed = nullptr;
    std::vector<Step> steps = ParseSteps(dialogs, argc, argv, closed);
    if (steps.empty()) {
        CancelEverything(dialogs);
        return 2;
    }
    const DWORD deadline = GetTickCount() + kWatchdogMilliseconds;
    std::size_t next = 0;
    while (next < steps.size()) {
        if (GetTickCount() > deadline) {
            std::fwprintf(stderr, L"stopped at step %zu\n", next);
            CancelEverything(dialogs);
            return 1;
        }
        if (steps[next]()) {
            ++next;
        } else {
            Sleep(kTickMilliseconds);
        }
    }
    // The last press ends the Import dialog, which is destroyed once its call returns; a box that
    // stays open keeps the call from returning, and is then cancelled.
    while (IsWindow(closed)) {
        if (GetTickCount() > deadline) {
            std::fwprintf(stderr, L"dialogs left open\n");
            CancelEverything(dialogs);
            return 1;
        }
        Sleep(kTickMilliseconds);
    }
    return 0;
}

}  // namespace
}  // namespace fernwick::tests

int wmain(int argc, wchar_t** argv) { return fernwick::tests::Drive(argc, argv); }
