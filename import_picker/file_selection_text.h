#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fernwick {

// Characters in the open dialog's result buffer as the dialog is set up.
inline constexpr std::uint32_t kResultBufferChars = 260;

// True when a selection whose text and folder path need these many characters (each with its
// terminator, as the dialog answers the size queries) does not fit the result buffer, so that it
// has to be captured. A dialog that answers 0 to either query gives nothing to capture.
bool SelectionExceedsResultBuffer(std::int64_t namesChars, std::int64_t folderChars);

// The names in the text of the open dialog's file name box: for several files each name stands
// in quotes ("a.xml" "b.xml" ), for one file the name stands alone. Only whole names of the text
// are returned, never the quotes or the blanks between them.
std::vector<std::wstring> SplitSelectionText(std::wstring_view text);

// folder\name, with exactly one backslash also where the folder is a drive root such as D:\.
std::wstring JoinFolderAndName(std::wstring_view folder, std::wstring_view name);

// The full paths in a result buffer that the open dialog filled: either one full path, or the
// folder followed by the names, each ended by a NUL, with an empty string after the last.
std::vector<std::wstring> PathsFromResultBuffer(std::wstring_view buffer);

}  // namespace fernwick
