#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fernwick {

// The multiple-selection file-open dialog behind "Add Files": the system's explorer-style open
// dialog with a hook that watches the selection. Whenever the selected names and their folder no
// longer fit the 260-character result buffer, it keeps its own copy of both and answers from that
// copy; it also grows the result buffer then, since not every system checks its size before
// copying a multiple selection into it. Names typed or pasted into the file name box are reported
// to no one, so the same happens once more just before the dialog acts on OK, and the buffer
// grows to hold whatever the box holds then. The class name is fixed; "FEC" says no more than
// that this is the multiple-selection file dialog.
class CFECFileDialog {
public:
    // Where GetNextPathName continues; empty after the last name.
    using Position = std::optional<std::size_t>;

    // The filter separates descriptions and patterns with "|"; the initial file name is cut to
    // 259 characters. Either may be null.
    CFECFileDialog(const wchar_t* initialFileName, const wchar_t* filter);
    CFECFileDialog(const CFECFileDialog&) = delete;
    CFECFileDialog& operator=(const CFECFileDialog&) = delete;

    // IDOK or IDCANCEL. A selection that overflowed the result buffer but was captured is IDOK.
    INT_PTR DoModal();

    // The first chosen path, after IDOK.
    Position GetStartPosition();
    // The full path at pos; moves pos to the next one.
    std::wstring GetNextPathName(Position& pos) const;

private:
    static UINT_PTR CALLBACK HookProcedure(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
    // Sees the dialog frame's messages before the system dialog does.
    static LRESULT CALLBACK FrameProcedure(HWND dialogFrame, UINT message, WPARAM wParam,
                                           LPARAM lParam, UINT_PTR id, DWORD_PTR dialog);
    // False when the buffer could not be made large enough: OK must then not reach the dialog.
    bool OnOk(HWND dialogFrame) noexcept;
    void OnFileNameChange(HWND dialogFrame);
    void DropCapturedSelection();
    void GrowResultBuffer(std::size_t characters);

    std::wstring m_filter;  // pairs separated by NULs, ended by two NULs
    std::vector<wchar_t> m_resultBuffer;
    OPENFILENAMEW m_ofn{};

    std::unique_ptr<wchar_t[]> m_pszCapturedNames;
    std::unique_ptr<wchar_t[]> m_pszCapturedFolder;
    bool m_bNamesSplit = false;
    std::vector<std::wstring> m_chosenPaths;
};

}  // namespace fernwick
