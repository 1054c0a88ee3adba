#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shtypes.h>

#include "support/unique_resource.h"

// Owners for the window-system and shell handles of the Import dialog and its choosers.
namespace tolk::stdx {

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle object) noexcept { DeleteObject(object); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle list) noexcept { ImageList_Destroy(list); }
};
using UniqueImageList = UniqueResource<ImageListTraits>;

// The files of a drop, which its receiver gives back.
struct DropTraits {
    using Handle = HDROP;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle drop) noexcept { DragFinish(drop); }
};
using UniqueDrop = UniqueResource<DropTraits>;

// An item identifier list that the shell allocated for us.
struct PidlTraits {
    using Handle = PIDLIST_ABSOLUTE;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle item) noexcept { CoTaskMemFree(item); }
};
using UniquePidl = UniqueResource<PidlTraits>;

}  // namespace tolk::stdx
