#include "import_picker/file_selection_text.h"

namespace fernwick {

bool SelectionExceedsResultBuffer(std::int64_t namesChars, std::int64_t folderChars) {
    if (namesChars <= 0 || folderChars <= 0) return false;
    return static_cast<std::uint64_t>(namesChars) + static_cast<std::uint64_t>(folderChars) >
           kResultBufferChars;
}

std::vector<std::wstring> SplitSelectionText(std::wstring_view text) {
    std::vector<std::wstring> names;
    if (text.find(L'"') == std::wstring_view::npos) {
        if (!text.empty()) names.emplace_back(text);
        return names;
    }
    // Every name lies between an opening and a closing quote; what stands between a closing and
    // the next opening quote is separator.
    std::size_t open = text.find(L'"');
    while (open != std::wstring_view::npos) {
        const std::size_t close = text.find(L'"', open + 1);
        if (close == std::wstring_view::npos) break;
        if (close > open + 1) names.emplace_back(text.substr(open + 1, close - open - 1));
        open = text.find(L'"', close + 1);
    }
    return names;
}

std::wstring JoinFolderAndName(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += name;
    return path;
}

std::vector<std::wstring> PathsFromResultBuffer(std::wstring_view buffer) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start < buffer.size() && buffer[start] != L'\0') {
        std::size_t end = buffer.find(L'\0', start);
        if (end == std::wstring_view::npos) end = buffer.size();
        parts.emplace_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() <= 1) return parts;
    std::vector<std::wstring> paths;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        paths.push_back(JoinFolderAndName(parts.front(), parts[i]));
    }
    return paths;
}

}  // namespace fernwick
