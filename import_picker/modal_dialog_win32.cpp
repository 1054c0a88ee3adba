#include "import_picker/modal_dialog_win32.h"

#include "import_picker/dialog_owner_win32.h"
#include "server/module_state_win32.h"

namespace fernwick {

ModalDialog::ModalDialog(UINT templateId) : m_templateId(templateId) {}

INT_PTR ModalDialog::DoModal() {
    const INT_PTR result =
        DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(m_templateId), DialogOwner(),
                        &ModalDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result == 0 ? -1 : result;
}

bool ModalDialog::OnCommand(WORD id, WORD) {
    if (id != IDOK && id != IDCANCEL) return false;
    EndDialog(m_hWnd, id);
    return true;
}

bool ModalDialog::OnNotify(const NMHDR&, LRESULT&) { return false; }

bool ModalDialog::OnMessage(UINT, WPARAM, LPARAM) { return false; }

INT_PTR CALLBACK ModalDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<ModalDialog*>(lParam)->m_hWnd = window;
    }
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's modal loop; the command is abandoned.
        return FALSE;
    }
}

INT_PTR ModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return FALSE;
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        default:
            return OnMessage(message, wParam, lParam) ? TRUE : FALSE;
    }
}

}  // namespace fernwick
