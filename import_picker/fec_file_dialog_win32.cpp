#include "import_picker/fec_file_dialog_win32.h"

#include <cderr.h>
#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <string_view>

#include "import_picker/dialog_owner_win32.h"
#include "import_picker/file_selection_text.h"

namespace fernwick {
namespace {

std::wstring FilterList(const wchar_t* filter) {
    std::wstring list = filter ? filter : L"";
    std::replace(list.begin(), list.end(), L'|', L'\0');
    // Two terminators whether or not the caller ended the filter with "|".
    list.append(2, L'\0');
    return list;
}

// Asks the dialog frame for a text by its size query; the answer counts the terminator.
LRESULT QueryTextSize(HWND dialogFrame, UINT query) {
    wchar_t probe[1] = {};
    return SendMessageW(dialogFrame, query, 1, reinterpret_cast<LPARAM>(probe));
}

std::unique_ptr<wchar_t[]> QueryText(HWND dialogFrame, UINT query, LRESULT size) {
    auto text = std::make_unique<wchar_t[]>(static_cast<std::size_t>(size) + 1);
    SendMessageW(dialogFrame, query, static_cast<WPARAM>(size),
                 reinterpret_cast<LPARAM>(text.get()));
    return text;
}

// The box the user types names into: a combo box in the explorer-style dialog, an edit field in
// the older layout.
HWND FileNameBox(HWND dialogFrame) {
    const HWND comboBox = GetDlgItem(dialogFrame, cmb13);
    return comboBox ? comboBox : GetDlgItem(dialogFrame, edt1);
}

}  // namespace

CFECFileDialog::CFECFileDialog(const wchar_t* initialFileName, const wchar_t* filter)
    : m_filter(FilterList(filter)), m_resultBuffer(kResultBufferChars, L'\0') {
    if (initialFileName) {
        const std::wstring_view initialName(initialFileName);
        std::copy_n(initialName.begin(),
                    std::min<std::size_t>(initialName.size(), kResultBufferChars - 1),
                    m_resultBuffer.begin());
    }
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.lpstrFile = m_resultBuffer.data();
    m_ofn.nMaxFile = kResultBufferChars;
    m_ofn.lpstrFilter = m_filter.c_str();
    m_ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_NODEREFERENCELINKS | OFN_ENABLEHOOK;
    m_ofn.lpfnHook = &CFECFileDialog::HookProcedure;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
}

INT_PTR CFECFileDialog::DoModal() {
    DropCapturedSelection();
    m_chosenPaths.clear();
    m_ofn.hwndOwner = DialogOwner();
    if (GetOpenFileNameW(&m_ofn)) return IDOK;
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL && m_pszCapturedNames) return IDOK;
    return IDCANCEL;
}

CFECFileDialog::Position CFECFileDialog::GetStartPosition() {
    if (m_pszCapturedNames) {
        if (!m_bNamesSplit) {
            m_chosenPaths.clear();
            for (const std::wstring& name : SplitSelectionText(m_pszCapturedNames.get())) {
                m_chosenPaths.push_back(JoinFolderAndName(m_pszCapturedFolder.get(), name));
            }
            m_bNamesSplit = true;
        }
    } else {
        m_chosenPaths = PathsFromResultBuffer({m_ofn.lpstrFile, m_ofn.nMaxFile});
    }
    if (m_chosenPaths.empty()) return std::nullopt;
    return 0;
}

std::wstring CFECFileDialog::GetNextPathName(Position& pos) const {
    std::wstring path = m_chosenPaths.at(*pos);
    if (++*pos == m_chosenPaths.size()) pos.reset();
    return path;
}

UINT_PTR CALLBACK CFECFileDialog::HookProcedure(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        SetWindowLongPtrW(hook, GWLP_USERDATA, ofn->lCustData);
        if (!SetWindowSubclass(GetParent(hook), &CFECFileDialog::FrameProcedure, 0,
                               static_cast<DWORD_PTR>(ofn->lCustData))) {
            // Without the check before OK a typed list of names could overrun the result buffer.
            PostMessageW(GetParent(hook), WM_COMMAND, IDCANCEL, 0);
        }
        return 0;
    }
    if (message != WM_NOTIFY) return 0;
    const auto* notification = reinterpret_cast<const OFNOTIFYW*>(lParam);
    if (notification->hdr.code != CDN_SELCHANGE) return 0;
    auto* dialog = reinterpret_cast<CFECFileDialog*>(GetWindowLongPtrW(hook, GWLP_USERDATA));
    try {
        dialog->OnFileNameChange(GetParent(hook));
    } catch (...) {
        // Out of memory for a copy: the result buffer alone decides, as without a capture.
        dialog->DropCapturedSelection();
    }
    return 0;
}

LRESULT CALLBACK CFECFileDialog::FrameProcedure(HWND dialogFrame, UINT message, WPARAM wParam,
                                                LPARAM lParam, UINT_PTR id, DWORD_PTR dialog) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(dialogFrame, &FrameProcedure, id);
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK &&
        !reinterpret_cast<CFECFileDialog*>(dialog)->OnOk(dialogFrame)) {
        return 0;
    }
    return DefSubclassProc(dialogFrame, message, wParam, lParam);
}

bool CFECFileDialog::OnOk(HWND dialogFrame) noexcept {
    try {
        OnFileNameChange(dialogFrame);
        // Wine copies the folder (at most MAX_PATH characters with its NUL) and every name of the
        // box into the result buffer without looking at nMaxFile. Its list of names never needs
        // more than the box's text and two NULs: a name without its closing quote keeps the
        // text's terminator.
        const auto boxText = static_cast<std::size_t>(
            SendMessageW(FileNameBox(dialogFrame), WM_GETTEXTLENGTH, 0, 0));
        const auto folder = static_cast<std::size_t>(QueryTextSize(dialogFrame, CDM_GETFOLDERPATH));
        GrowResultBuffer(std::max<std::size_t>(folder, MAX_PATH) + boxText + 2);
        return true;
    } catch (...) {
        // No room for the names: the dialog stays open rather than write past the buffer.
        DropCapturedSelection();
        MessageBeep(MB_ICONHAND);
        return false;
    }
}

void CFECFileDialog::OnFileNameChange(HWND dialogFrame) {
    const LRESULT namesSize = QueryTextSize(dialogFrame, CDM_GETSPEC);
    const LRESULT folderSize = QueryTextSize(dialogFrame, CDM_GETFOLDERPATH);
    if (!SelectionExceedsResultBuffer(namesSize, folderSize)) {
        DropCapturedSelection();
        return;
    }
    m_bNamesSplit = false;
    m_pszCapturedNames = QueryText(dialogFrame, CDM_GETSPEC, namesSize);
    m_pszCapturedFolder = QueryText(dialogFrame, CDM_GETFOLDERPATH, folderSize);
    // The folder, a NUL, each name with its NUL and a final NUL never need more than the folder
    // path and the quoted names together.
    GrowResultBuffer(static_cast<std::size_t>(namesSize) + static_cast<std::size_t>(folderSize) +
                     1);
}

void CFECFileDialog::DropCapturedSelection() {
    m_pszCapturedNames.reset();
    m_pszCapturedFolder.reset();
    m_bNamesSplit = false;
}

void CFECFileDialog::GrowResultBuffer(std::size_t characters) {
    if (characters <= m_resultBuffer.size()) return;
    m_resultBuffer.resize(characters, L'\0');
    m_ofn.lpstrFile = m_resultBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(characters);
}

}  // namespace fernwick
