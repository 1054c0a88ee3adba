#pragma once

#include <windows.h>

namespace fernwick {

// The window that a modal dialog is to be owned by: the last active pop-up of the calling thread's
// active window, so that a dialog opened from within another modal dialog stays above it and
// disables it. Null when the thread has no active window.
HWND DialogOwner();

}  // namespace fernwick
