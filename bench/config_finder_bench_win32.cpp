// Configuration file detection over a large tree: the registry helper against a plain recursive
// FindFirstFileW walk that looks for the same name. The tree is built below the profile folder's
// "Documentum" and removed afterwards.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/rounds.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "support/unique_handles_win32.h"

namespace {

constexpr int kGroups = 10;
constexpr int kFoldersPerGroup = 100;
constexpr int kFilesPerFolder = 10;
constexpr int kRounds = 16;
constexpr wchar_t kConfigName[] = L"ucf.client.config.xml";

std::filesystem::path ProfileFolder() {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROFILE, FALSE)) {
        std::fputs("no profile folder\n", stderr);
        std::exit(1);
    }
    return buffer;
}

void CreateFileWithTime(const std::filesystem::path& path, ULONGLONG seconds) {
    const tolk::stdx::UniqueFileHandle file(CreateFileW(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const ULONGLONG ticks = seconds * 10'000'000;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(file.get(), nullptr, nullptr, &time);
}

// 1,000 folders of 10 files each; every tenth folder holds a copy of the configuration file.
void Populate(const std::filesystem::path& root) {
    for (int group = 0; group < kGroups; ++group) {
        for (int folder = 0; folder < kFoldersPerGroup; ++folder) {
            const std::filesystem::path directory =
                root / (L"group" + std::to_wstring(group)) / (L"folder" + std::to_wstring(folder));
            std::filesystem::create_directories(directory);
            const bool holdsCopy = folder % 10 == 0;
            for (int file = 0; file < kFilesPerFolder; ++file) {
                const std::wstring name = holdsCopy && file == 0
                                              ? std::wstring(kConfigName)
                                              : L"file" + std::to_wstring(file) + L".dat";
                CreateFileWithTime(directory / name, 13'000'000'000ULL + group * 100 + folder);
            }
        }
    }
}

struct Newest {
    wchar_t path[MAX_PATH] = {};
    ULONGLONG ticks = 0;
    bool found = false;
};

// The same walk with a fixed path buffer and nothing else.
void PlainWalk(wchar_t (&folder)[MAX_PATH], std::size_t length, Newest& newest) {
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
        } else if (std::wcscmp(data.cFileName, kConfigName) == 0) {
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

std::wstring PlainFind() {
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

void RequireAnswer(const std::wstring& answer, const std::wstring& expected) {
    if (answer != expected) {
        std::fputs("the walks disagree\n", stderr);
        std::exit(1);
    }
}

}  // namespace

using fernwick::bench::Fastest;
using fernwick::bench::MedianRoundRatio;

int main() {
    const std::filesystem::path documentum = ProfileFolder() / L"Documentum";
    std::filesystem::remove_all(documentum);
    Populate(documentum / L"ucf");
    const std::wstring expected = (documentum / L"ucf\\group9\\folder90" / kConfigName).wstring();

    const fernwick::RegistryHelper helper(fernwick::Win32HelperPlatform());
    const fernwick::bench::RoundTimes times = fernwick::bench::TimeInRounds(
        kRounds, [&] { RequireAnswer(helper.DetectUcfClientConfigXml(), expected); },
        [&] { RequireAnswer(PlainFind(), expected); });
    std::filesystem::remove_all(documentum);

    std::printf("config_finder_detect: %.2f ms\n", Fastest(times.measured) * 1e3);
    std::printf("config_finder_plain_walk: %.2f ms\n", Fastest(times.baseline) * 1e3);
    std::printf("config_finder_ratio: %.3f ratio\n", MedianRoundRatio(times));
    return 0;
}
