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

#include "bench/registry_file_sample.h"
#include "bench/rounds.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "support/unique_handles_win32.h"

namespace {

using fernwick::bench::kAbsentFileName;
using fernwick::bench::kAbsentObjectId;

constexpr int kRounds = 5;

std::wstring Widened(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// Reads the file in 64 KB blocks and looks for the text in each, across block ends too.
bool PlainSearch(const std::filesystem::path& file, std::string_view text) {
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
