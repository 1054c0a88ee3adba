// Full scans of generated 10 MB and 100 MB registry files through the registry helper in file
// mode, each against a plain ReadFile loop that searches the same bytes for the same absent text
// with Boyer-Moore-Horspool, as grep does.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "bench/plain_search_win32.h"
#include "bench/registry_file_sample.h"
#include "bench/rounds.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"

namespace {

using fernwick::bench::kAbsentFileName;
using fernwick::bench::kAbsentObjectId;
using fernwick::bench::PlainSearch;

constexpr int kRounds = 5;

std::wstring Widened(std::string_view text) { return std::wstring(text.begin(), text.end()); }

void RequireAbsent(bool found) {
    if (found) {
        std::fputs("found text that the file does not hold\n", stderr);
        std::exit(1);
    }
}

void Report(const char* sample, std::size_t bytes, const char* name,
            const std::function<void()>& scan, const std::function<void()>& plain) {
    const fernwick::bench::RoundTimes times = fernwick::bench::TimeInRounds(kRounds, scan, plain);
    const double megabytes = static_cast<double>(bytes) / 1e6;
    std::printf("%s_scan_%s: %.0f MB/s\n", sample, name,
                megabytes / fernwick::bench::Fastest(times.measured));
    std::printf("%s_plain_search_%s: %.0f MB/s\n", sample, name,
                megabytes / fernwick::bench::Fastest(times.baseline));
    std::printf("%s_time_ratio_%s: %.2f x plain search\n", sample, name,
                fernwick::bench::MedianRoundRatio(times));
}

void ReportScans(const char* name, std::size_t bytes) {
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp) == 0) std::exit(1);
    const std::filesystem::path file = std::filesystem::path(temp) / L"fernwick-scan-bench.txt";
    fernwick::bench::WriteSampleFile(file, bytes);

    fernwick::RegistryHelper helper(fernwick::Win32HelperPlatform());
    helper.SetRegistryFile(file.wstring());
    Report(
        name, bytes, "object_id",
        [&] { RequireAbsent(helper.InitFromObjectID(Widened(kAbsentObjectId))); },
        [&] { RequireAbsent(PlainSearch(file, kAbsentObjectId)); });
    Report(
        name, bytes, "file_name",
        [&] { RequireAbsent(helper.InitFromFileName(Widened(kAbsentFileName))); },
        [&] { RequireAbsent(PlainSearch(file, kAbsentFileName)); });
    std::filesystem::remove(file);
}

}  // namespace

int main() {
    ReportScans("registry_10mb", 10'000'000);
    ReportScans("registry_100mb", 100'000'000);
    return 0;
}
