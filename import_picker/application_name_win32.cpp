#include "import_picker/application_name_win32.h"

#include <windows.h>

#include <vector>

#include "server/module_state_win32.h"

namespace fernwick {

std::wstring ApplicationName() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(ResourceModule(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::wstring file(path.begin(), path.end());
    const std::size_t nameStart = file.find_last_of(L"\\/") + 1;
    const std::size_t extension = file.rfind(L'.');
    const std::size_t nameEnd =
        (extension == std::wstring::npos || extension < nameStart) ? file.size() : extension;
    return file.substr(nameStart, nameEnd - nameStart);
}

}  // namespace fernwick
