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

#include "bench/config_tree_win32.h"
#include "bench/rounds.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "support/unique_handles_win32.h"

namespace {

constexpr int kGroups = 10;
constexpr int kFoldersPerGroup = 100;
constexpr int kFilesPerFolder = 10;
constexpr int kRounds = 16;
using fernwick::bench::CreateFileWithTime;
using fernwick::bench::kConfigFileName;
using fernwick::bench::ProfileFolder;

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
                                              ? std::wstring(kConfigFileName)
                                              : L"file" + std::to_wstring(file) + L".dat";
                CreateFileWithTime(directory / name, 13'000'000'000ULL + group * 100 + folder);
            }
        }
    }
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
using fernwick::bench::PlainFind;

int main() {
    const std::filesystem::path documentum = ProfileFolder() / L"Documentum";
    std::filesystem::remove_all(documentum);
    Populate(documentum / L"ucf");
    const std::wstring expected =
        (documentum / L"ucf\\group9\\folder90" / kConfigFileName).wstring();

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
