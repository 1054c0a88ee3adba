#pragma once

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "import_picker/import_selection.h"

namespace fernwick {

// The paths of a drop in the drop's order, each marked as a folder or a file by what the file
// system holds there now. A name that the drop gives empty, or that the file system cannot find,
// is left out.
std::vector<DroppedItem> DroppedItems(HDROP drop);

}  // namespace fernwick
