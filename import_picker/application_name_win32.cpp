#include "import_picker/application_name_win32.h"

#include <windows.h>

#include "server/module_state_win32.h"
#include "server/module_win32.h"

namespace fernwick {

std::wstring ApplicationName() {
    const std::wstring file = ModuleFileName(ResourceModule());
    const std::size_t nameStart = file.find_last_of(L"\\/") + 1;
    const std::size_t extension = file.rfind(L'.');
    const std::size_t nameEnd =
        (extension == std::wstring::npos || extension < nameStart) ? file.size() : extension;
    return file.substr(nameStart, nameEnd - nameStart);
}

}  // namespace fernwick
