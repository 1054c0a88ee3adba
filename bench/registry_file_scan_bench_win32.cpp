// A full scan of a generated 100 MB registry file through the registry helper in file mode,
// against a plain ReadFile loop that searches the same bytes for the same absent text with
// Boyer-Moore-Horspool, as grep does.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/registry_file_sample.h"
#include "bench/round_statistics.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "support/unique_handles_win32.h"

namespace {

using fernwick::bench::kAbsentFileName;
using fernwick::bench::kAbsentObjectId;

constexpr std::size_t kFileBytes = 100'000'000;
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

double MillisecondsOf(const std::function<bool()>& scan) {
    const auto start = std::chrono::steady_clock::now();
    if (scan()) {
        std::fputs("found text that the file does not hold\n", stderr);
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void Report(const char* name, const std::function<bool()>& scan,
            const std::function<bool()>& plain) {
    std::vector<double> scanTimes;
    std::vector<double> plainTimes;
    // The order alternates between rounds so that neither side always runs on a warmer cache.
    for (int round = 0; round < kRounds; ++round) {
        if (round % 2 == 0) {
            scanTimes.push_back(MillisecondsOf(scan));
            plainTimes.push_back(MillisecondsOf(plain));
        } else {
            plainTimes.push_back(MillisecondsOf(plain));
            scanTimes.push_back(MillisecondsOf(scan));
        }
    }
    const double megabytes = static_cast<double>(kFileBytes) / 1e6;
    std::printf("registry_100mb_scan_%s: %.0f MB/s\n", name,
                megabytes / fernwick::bench::Fastest(scanTimes) * 1e3);
    std::printf("registry_100mb_plain_search_%s: %.0f MB/s\n", name,
                megabytes / fernwick::bench::Fastest(plainTimes) * 1e3);
    std::printf("registry_100mb_time_ratio_%s: %.2f x plain search\n", name,
                fernwick::bench::MedianRoundRatio(scanTimes, plainTimes));
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp) == 0) return 1;
    const std::filesystem::path file = std::filesystem::path(temp) / L"fernwick-scan-bench.txt";
    fernwick::bench::WriteSampleFile(file, kFileBytes);

    fernwick::RegistryHelper helper(fernwick::Win32HelperPlatform());
    helper.SetRegistryFile(file.wstring());
    Report(
        "object_id", [&] { return helper.InitFromObjectID(Widened(kAbsentObjectId)); },
        [&] { return PlainSearch(file, kAbsentObjectId); });
    Report(
        "file_name", [&] { return helper.InitFromFileName(Widened(kAbsentFileName)); },
        [&] { return PlainSearch(file, kAbsentFileName); });

    std::filesystem::remove(file);
    return 0;
}
