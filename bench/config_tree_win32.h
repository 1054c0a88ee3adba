#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <string>

#include "support/unique_handles_win32.h"

// Trees for the configuration file search under Wine, and the plain walk that the search is held
// against: a recursive FindFirstFileW walk of both trees with a fixed path buffer and nothing else.
namespace fernwick::bench {

constexpr wchar_t kConfigFileName[] = L"ucf.client.config.xml";

inline std::filesystem::path ProfileFolder() {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROFILE, FALSE)) {
        std::fputs("no profile folder\n", stderr);
        std::exit(1);
    }
    return buffer;
}

inline void CreateFileWithTime(const std::filesystem::path& path, ULONGLONG seconds) {
    const tolk::stdx::UniqueFileHandle file(CreateFileW(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const ULONGLONG ticks = seconds * 10'000'000;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(file.get(), nullptr, nullptr, &time);
}

struct Newest {
    wchar_t path[MAX_PATH] = {};
    ULONGLONG ticks = 0;
    bool found = false;
};

// Walks the folder depth first, keeping the newest copy met.
inline void PlainWalk(wchar_t (&folder)[MAX_PATH], std::size_t length, Newest& newest) {
    if (length + 4 > 259) return;
    std::wcscpy(folder + length, L"\\*.*");
    WIN32_FIND_DATAW data;
    const tolk::stdx::UniqueFindHandle find(FindFirstFileW(folder, &data));
    folder[length] = L'\0';
    if (!find) return;
    do {
        const std::size_t nameLength = std::wcslen(data.cFileName);
        if (length + 1 + nameLength >= MAX_PATH) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0) {
                continue;
            }
            folder[length] = L'\\';
            std::wcscpy(folder + length + 1, data.cFileName);
            PlainWalk(folder, length + 1 + nameLength, newest);
            folder[length] = L'\0';
        } else if (std::wcscmp(data.cFileName, kConfigFileName) == 0) {
            const ULONGLONG seconds =
                ((static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                 data.ftLastWriteTime.dwLowDateTime) /
                10'000'000;
            if (!newest.found || seconds > newest.ticks) {
                std::swprintf(newest.path, MAX_PATH, L"%ls\\%ls", folder, data.cFileName);
                newest.ticks = seconds;
                newest.found = true;
            }
        }
    } while (FindNextFileW(find.get(), &data));
}

inline std::wstring PlainFind() {
    wchar_t profile[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, profile, CSIDL_PROFILE, FALSE)) return {};
    Newest newest;
    for (const wchar_t* root : {L"\\Documentum\\ucf", L"\\Documentum\\ucf-java"}) {
        wchar_t folder[MAX_PATH];
        std::swprintf(folder, MAX_PATH, L"%ls%ls", profile, root);
        PlainWalk(folder, std::wcslen(folder), newest);
    }
    return newest.path;
}

}  // namespace fernwick::bench
