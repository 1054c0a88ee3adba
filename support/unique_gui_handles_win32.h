#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shtypes.h>

#include "support/unique_resource.h"

// Owners for the window-system and shell handles of the Import dialog and its choosers.
namespace tolk::stdx {

using UniqueGdiObject = UniqueResource<HGDIOBJ, DeleteObject>;
using UniqueImageList = UniqueResource<HIMAGELIST, ImageList_Destroy>;
// The files of a drop, which its receiver gives back.
using UniqueDrop = UniqueResource<HDROP, DragFinish>;
// An item identifier list that the shell allocated for us.
using UniquePidl = UniqueResource<PIDLIST_ABSOLUTE, CoTaskMemFree>;

}  // namespace tolk::stdx
