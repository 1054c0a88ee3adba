#pragma once

#include <windows.h>

namespace fernwick {

// A modal dialog built from a template of the component's resources, run by the system's modal
// loop. Subclasses react to initialisation, commands, notifications and other messages; OK and
// Cancel end the run by default.
class ModalDialog {
public:
    explicit ModalDialog(UINT templateId);
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // IDOK after OK, IDCANCEL after Cancel, Escape or the close box, -1 when the dialog could not
    // be created.
    INT_PTR DoModal();

protected:
    HWND Window() const { return m_hWnd; }
    HWND Control(int id) const { return GetDlgItem(m_hWnd, id); }

    // Before the dialog is shown; true lets the dialog manager set the focus.
    virtual bool OnInitDialog() { return true; }
    // True when the command was handled.
    virtual bool OnCommand(WORD id, WORD code);
    // True when the notification was handled; result goes back to the sender.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);
    // Any other message; true when it was handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_hWnd = nullptr;
};

}  // namespace fernwick
