#include "import_picker/dialog_owner_win32.h"

namespace fernwick {

HWND DialogOwner() {
    const HWND active = GetActiveWindow();
    if (!active) return nullptr;
    return GetLastActivePopup(GetAncestor(active, GA_ROOTOWNER));
}

}  // namespace fernwick
