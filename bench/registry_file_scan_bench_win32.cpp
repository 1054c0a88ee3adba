// A full scan of a generated 100 MB registry file through the registry helper in file mode,
// against a plain ReadFile loop that searches the same bytes for the same absent text with
// Boyer-Moore-Horspool, as grep does.
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

void RequireAbsent(bool found) {
    if (found) {
        std::fputs("found text that the file does not hold\n", stderr);
        std::exit(1);
    }
}

void Report(const char* name, const std::function<void()>& scan,
            const std::function<void()>& plain) {
    const fernwick::bench::RoundTimes times = fernwick::bench::TimeInRounds(kRounds, scan, plain);
    const double megabytes = static_cast<double>(kFileBytes) / 1e6;
    std::printf("registry_100mb_scan_%s: %.0f MB/s\n", name,
                megabytes / fernwick::bench::Fastest(times.measured));
    std::printf("registry_100mb_plain_search_%s: %.0f MB/s\n", name,
                megabytes / fernwick::bench::Fastest(times.baseline));
    std::printf("registry_100mb_time_ratio_%s: %.2f x plain search\n", name,
                fernwick::bench::MedianRoundRatio(times));
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
        "object_id", [&] { RequireAbsent(helper.InitFromObjectID(Widened(kAbsentObjectId))); },
        [&] { RequireAbsent(PlainSearch(file, kAbsentObjectId)); });
    Report(
        "file_name", [&] { RequireAbsent(helper.InitFromFileName(Widened(kAbsentFileName))); },
        [&] { RequireAbsent(PlainSearch(file, kAbsentFileName)); });

    std::filesystem::remove(file);
    return 0;
}
