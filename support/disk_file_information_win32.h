#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// Devices, pipes, consoles and volumes open like files, but they are no files on a disk and reads
// from them can wait forever; these tell them apart.
namespace tolk::stdx {

// True for a file or directory on a disk. Asks only what the file system answers at once: under
// Wine the volume's serial number, which GetFileInformationByHandle also reads, costs about half a
// millisecond.
bool IsOnDisk(HANDLE file);

// The path of an open file once every link on the way to it was followed, on the drive letter
// ("\\?\C:\...") or the share ("\\?\UNC\server\share\...") that holds it; empty when the
// system cannot tell, as for a volume without a letter.
std::wstring FinalPath(HANDLE file);

// The same for a path, opened for no access at all: files that others hold exclusively or that
// deny reading answer too, and directories as well as files.
bool IsOnDisk(std::wstring_view path);

// What the file system tells about a file or directory on a disk, its volume and its index there;
// nothing for a path that does not open or is no entry on a disk.
std::optional<BY_HANDLE_FILE_INFORMATION> DiskFileInformation(std::wstring_view path);

}  // namespace tolk::stdx
