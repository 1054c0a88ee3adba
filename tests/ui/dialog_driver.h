#pragma once

// Drives the real dialogs of this thread from timers while a modal call runs: a list of steps is
// tried one per tick, and a watchdog cancels every dialog of the thread when the steps do not
// finish in time, so that a run can never hang.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fernwick::tests {

inline std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

inline std::vector<HWND> ThreadDialogs() {
    std::vector<HWND> dialogs;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) CALLBACK -> BOOL {
            if (ClassName(window) == L"#32770" && IsWindowVisible(window)) {
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// A visible dialog of this thread with this caption, or null.
inline HWND FindDialog(const std::wstring& caption) {
    for (HWND dialog : ThreadDialogs()) {
        if (WindowText(dialog) == caption) return dialog;
    }
    return nullptr;
}

// The first descendant of this class, or null.
inline HWND FindDescendant(HWND parent, const std::wstring& className) {
    std::pair<std::wstring, HWND> search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) CALLBACK -> BOOL {
            auto* wanted = reinterpret_cast<std::pair<std::wstring, HWND>*>(data);
            if (ClassName(child) != wanted->first) return TRUE;
            wanted->second = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The text of a message box: its longest static text.
inline std::wstring MessageText(HWND box) {
    std::wstring longest;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) CALLBACK -> BOOL {
            auto* best = reinterpret_cast<std::wstring*>(data);
            if (ClassName(child) == L"Static") {
                std::wstring text = WindowText(child);
                if (text.size() > best->size()) *best = std::move(text);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&longest));
    return longest;
}

// Presses a dialog button without waiting for what it starts.
inline void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline int RowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

inline std::wstring RowText(HWND list, int row) {
    wchar_t text[1024] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

inline std::vector<std::wstring> RowTexts(HWND list) {
    std::vector<std::wstring> texts;
    for (int row = 0; row < RowCount(list); ++row) texts.push_back(RowText(list, row));
    return texts;
}

inline void SelectRow(HWND list, int row, bool selected) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// A drop handle as the shell makes one for a drop on `point`: a DROPFILES header, then each path
// in wide characters with its terminator, then one more terminator. Its receiver frees it.
inline HDROP ShellDrop(const std::vector<std::wstring>& paths, POINT point) {
    std::size_t units = 1;
    for (const std::wstring& path : paths) units += path.size() + 1;
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    if (!header) return nullptr;
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fNC = FALSE;
    header->fWide = TRUE;
    auto* name = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& path : paths) name = std::copy(path.begin(), path.end(), name) + 1;
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// The middle of the dialog's control, in the dialog's client coordinates.
inline POINT MiddleOf(HWND dialog, int controlId) {
    RECT control{};
    GetWindowRect(GetDlgItem(dialog, controlId), &control);
    POINT point{(control.left + control.right) / 2, (control.top + control.bottom) / 2};
    ScreenToClient(dialog, &point);
    return point;
}

// Drops the paths on the dialog's control, as the system hands a drop to the window that accepts
// it.
inline void DropOn(HWND dialog, int controlId, const std::vector<std::wstring>& paths) {
    PostMessageW(dialog, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(ShellDrop(paths, MiddleOf(dialog, controlId))), 0);
}

// Presses and releases a key in a window through this thread's queue, as typing does.
inline void PostKey(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// Makes this thread's key state show Ctrl held or released; keys posted meanwhile see it.
inline void HoldControl(bool held) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_LCONTROL] = held ? 0x80 : 0;
    SetKeyboardState(state);
}

class DialogDriver {
public:
    // A step returns true when it has done its part; until then it is tried again on every tick.
    using Step = std::function<bool()>;

    explicit DialogDriver(std::vector<Step> steps, UINT watchdogMilliseconds = 30000,
                          UINT tickMilliseconds = 20)
        : steps_(std::move(steps)) {
        active_ = this;
        tick_ = SetTimer(nullptr, 0, tickMilliseconds, &DialogDriver::OnTick);
        watchdog_ = SetTimer(nullptr, 0, watchdogMilliseconds, &DialogDriver::OnWatchdog);
    }
    ~DialogDriver() {
        KillTimer(nullptr, tick_);
        KillTimer(nullptr, watchdog_);
        active_ = nullptr;
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool Finished() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }
    std::size_t StepsDone() const { return next_; }

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        DialogDriver* self = active_;
        if (!self || self->running_) return;
        if (self->timedOut_) {
            for (HWND dialog : ThreadDialogs()) {
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
            return;
        }
        if (self->Finished()) return;
        self->running_ = true;
        if (self->steps_[self->next_]()) ++self->next_;
        self->running_ = false;
    }
    static void CALLBACK OnWatchdog(HWND, UINT, UINT_PTR, DWORD) {
        if (active_) active_->timedOut_ = true;
    }

    static inline DialogDriver* active_ = nullptr;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool running_ = false;
    bool timedOut_ = false;
    UINT_PTR tick_ = 0;
    UINT_PTR watchdog_ = 0;
};

// Selects every file that the open dialog lists (expecting `count`), then opens them.
inline DialogDriver::Step ChooseAllFiles(int count) {
    return [count] {
        HWND open = FindDialog(L"Open");
        if (!open) return false;
        HWND list = FindDescendant(open, L"SysListView32");
        if (!list || RowCount(list) < count) return false;
        for (int row = 0; row < RowCount(list); ++row) SelectRow(list, row, true);
        Press(open, IDOK);
        return true;
    };
}

// A visible, enabled dialog of this thread with this caption, or null: a dialog that has opened a
// chooser or a message box of its own is disabled until that closes.
inline HWND EnabledDialog(const std::wstring& caption) {
    HWND dialog = FindDialog(caption);
    return dialog && IsWindowEnabled(dialog) ? dialog : nullptr;
}

// Presses a button of the dialog with this caption, once it is there and enabled.
inline DialogDriver::Step PressIn(const std::wstring& caption, int id) {
    return [caption, id] {
        HWND dialog = EnabledDialog(caption);
        if (!dialog) return false;
        Press(dialog, id);
        return true;
    };
}

// Drops the paths on the list of the enabled Import dialog.
inline DialogDriver::Step DropInImport(int listId, const std::vector<std::wstring>& paths) {
    return [listId, paths] {
        HWND import = EnabledDialog(L"Import");
        if (!import) return false;
        DropOn(import, listId, paths);
        return true;
    };
}

// Hands the enabled Import dialog to inspect.
inline DialogDriver::Step Inspect(std::function<void(HWND import)> inspect) {
    return [inspect] {
        HWND import = EnabledDialog(L"Import");
        if (!import) return false;
        inspect(import);
        return true;
    };
}

// Reads a message box's text, then closes it.
inline DialogDriver::Step CloseMessage(std::vector<std::wstring>& messages) {
    return [&messages] {
        HWND box = FindDialog(L"Fernwick");
        if (!box) return false;
        messages.push_back(MessageText(box));
        Press(box, IDOK);
        return true;
    };
}

// The text of the browser's selected tree item.
inline std::wstring SelectedTreeItem(HWND browser) {
    HWND tree = FindDescendant(browser, L"SysTreeView32");
    const auto item =
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return {};
    wchar_t text[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

// How often the folder browser showed the folder it was opened at by itself. Under load, Wine's
// browser now and then drops the selection it was given while it fills its tree; the steps below
// then select the folder again, and the suite checks at its end that preselection held in most
// runs.
struct PreselectionCount {
    int asked = 0;
    int shown = 0;
};
inline PreselectionCount& Preselections() {
    static PreselectionCount count;
    return count;
}

// Accepts the folder that the browser opened with (path), once its tree shows an item containing
// `shown` as selected. If the tree has not shown it after a few seconds, selects it again.
inline DialogDriver::Step AcceptFolder(const std::wstring& shown, const std::wstring& path) {
    auto firstSeen = std::make_shared<ULONGLONG>(0);
    auto reselected = std::make_shared<bool>(false);
    return [shown, path, firstSeen, reselected] {
        HWND browser = FindDialog(L"Browse for Folder");
        if (!browser) return false;
        if (*firstSeen == 0) *firstSeen = GetTickCount64();
        if (SelectedTreeItem(browser).find(shown) == std::wstring::npos) {
            if (!*reselected && GetTickCount64() - *firstSeen > 5000) {
                *reselected = true;
                SendMessageW(browser, BFFM_SETSELECTIONW, TRUE,
                             reinterpret_cast<LPARAM>(path.c_str()));
            }
            return false;
        }
        ++Preselections().asked;
        if (!*reselected) ++Preselections().shown;
        Press(browser, IDOK);
        return true;
    };
}

}  // namespace fernwick::tests
