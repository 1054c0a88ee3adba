#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

namespace tolk::stdx {

// What the file system tells about a file or directory on a disk. Nothing for a path that does
// not open and for devices, pipes, consoles and volumes: they are no files on a disk, and reads
// from them can wait forever.
std::optional<BY_HANDLE_FILE_INFORMATION> DiskFileInformation(HANDLE file);

// The same for a path, opened for no access at all: files that others hold exclusively or that
// deny reading answer too, and directories as well as files.
std::optional<BY_HANDLE_FILE_INFORMATION> DiskFileInformation(std::wstring_view path);

}  // namespace tolk::stdx
