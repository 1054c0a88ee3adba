#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "support/unique_handles_win32.h"

namespace fernwick::bench {

// The plain byte search that the scans under Wine are held against: reads the file in 64 KB blocks
// and looks for the text in each, across block ends too, with Boyer-Moore-Horspool as grep does.
inline bool PlainSearch(const std::filesystem::path& file, std::string_view text) {
    const tolk::stdx::UniqueFileHandle handle(
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle) return false;
    const std::boyer_moore_horspool_searcher searcher(text.begin(), text.end());
    std::vector<char> block(64 * 1024 + text.size());
    std::size_t kept = 0;
    for (DWORD read = 0;
         ReadFile(handle.get(), block.data() + kept, 64 * 1024, &read, nullptr) && read != 0;) {
        const std::string_view bytes(block.data(), kept + read);
        if (std::search(bytes.begin(), bytes.end(), searcher) != bytes.end()) return true;
        kept = std::min(bytes.size(), text.size() - 1);
        std::copy(bytes.end() - kept, bytes.end(), block.begin());
    }
    return false;
}

}  // namespace fernwick::bench
