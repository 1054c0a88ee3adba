#include "import_picker/dropped_items_win32.h"

#include <string>

namespace fernwick {

std::vector<DroppedItem> DroppedItems(HDROP drop) {
    std::vector<DroppedItem> items;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        if (length == 0) continue;
        // The terminator goes into the string's own terminating element.
        std::wstring path(length, L'\0');
        path.resize(DragQueryFileW(drop, index, path.data(), length + 1));
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES) continue;
        items.push_back({std::move(path), (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    }
    return items;
}

}  // namespace fernwick
