// Full scans of generated registry files against grep reading the same files in the same run (the
// fastest round's speed, and the median of the rounds' time ratios), the scan's peak memory, and
// the facet's own throughput. Prints "name: value unit" lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <locale>
#include <string>
#include <vector>

#include "bench/grep_baseline.h"
#include "bench/registry_file_sample.h"
#include "bench/rounds.h"
#include "registry_helper/lookup_state.h"
#include "registry_helper/registry_file_reader.h"
#include "tests/support/std_file_source.h"
#include "support/utf8_locale.h"

namespace {

using fernwick::bench::Fastest;
using fernwick::bench::Grep;
using fernwick::bench::kAbsentFileName;
using fernwick::bench::kAbsentObjectId;
using fernwick::bench::MedianRoundRatio;
using fernwick::bench::RoundTimes;
using fernwick::bench::SecondsOf;
using fernwick::bench::TimeInRounds;
using fernwick::bench::WriteSampleFile;
namespace fs = std::filesystem;

constexpr int kRounds = 7;

// Full scans for text that the file does not hold.
class AbsentTextScans {
public:
    explicit AbsentTextScans(const fs::path& file) : reader_(state_, files_) {
        state_.registryFile = file.wstring();
    }
    void ByObjectId() {
        const std::string id = kAbsentObjectId;
        if (reader_.FindByObjectId(std::wstring(id.begin(), id.end()),
                                   fernwick::ClientLists::EditAndView)) {
            std::abort();
        }
    }
    void ByFileName() {
        const std::string path = kAbsentFileName;
        if (reader_.FindByFileName(std::wstring(path.begin(), path.end()))) std::abort();
    }

private:
    fernwick::StdFileSource files_;
    fernwick::LookupState state_;
    fernwick::RegistryFileReader reader_;
};

// Rounds of a scan and of grep for the same text.
void ReportAgainstGrep(const std::string& name, const fs::path& file,
                       const std::function<void()>& scan, const std::string& text) {
    const RoundTimes times = TimeInRounds(kRounds, scan, [&] { Grep(file, text); });
    const double megabytes = static_cast<double>(fs::file_size(file)) / 1e6;
    std::printf("%s_scan: %.0f MB/s\n", name.c_str(), megabytes / Fastest(times.measured));
    std::printf("%s_grep: %.0f MB/s\n", name.c_str(), megabytes / Fastest(times.baseline));
    std::printf("%s_time_ratio: %.2f x grep\n", name.c_str(), MedianRoundRatio(times));
}

void ReportScan(const std::string& name, const fs::path& file) {
    AbsentTextScans scans(file);
    std::printf("%s_size: %.1f MB\n", name.c_str(), static_cast<double>(fs::file_size(file)) / 1e6);
    ReportAgainstGrep(
        name + "_object_id", file, [&] { scans.ByObjectId(); }, kAbsentObjectId);
    ReportAgainstGrep(
        name + "_file_name", file, [&] { scans.ByFileName(); }, kAbsentFileName);
}

long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    }
    return -1;
}

void ReportPeakMemory(const fs::path& file) {
    // Resets the peak to the present size, so that only the scan's growth shows.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long baseline = StatusKilobytes("VmRSS:");
    AbsentTextScans scans(file);
    scans.ByObjectId();
    scans.ByFileName();
    const long peak = StatusKilobytes("VmHWM:");
    std::printf("scan_100mb_peak_memory_above_baseline: %.2f MB\n",
                static_cast<double>(peak - baseline) / 1024.0);
}

void ReportFacet(const std::string& name, const std::string& bytes) {
    const auto& facet =
        std::use_facet<std::codecvt<wchar_t, char, std::mbstate_t>>(tolk::stdx::utf8Locale);
    std::wstring units(64 * 1024, L'\0');
    std::size_t produced = 0;
    const auto decodeAll = [&] {
        std::mbstate_t state{};
        const char* from = bytes.data();
        const char* end = bytes.data() + bytes.size();
        while (from != end) {
            const char* next = from;
            wchar_t* written = units.data();
            facet.in(state, from, end, next, units.data(), units.data() + units.size(), written);
            produced += static_cast<std::size_t>(written - units.data());
            from = next;
        }
    };
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) times.push_back(SecondsOf(decodeAll));
    if (produced == 0) std::abort();
    std::printf("facet_%s: %.0f MB/s\n", name.c_str(),
                static_cast<double>(bytes.size()) / 1e6 / Fastest(times));
}

}  // namespace

int main() {
    const fs::path directory = fs::temp_directory_path() / "fernwick-bench";
    fs::create_directories(directory);

    const fs::path small = directory / "registry-10mb.txt";
    const fs::path large = directory / "registry-100mb.txt";
    const fs::path longLines = directory / "registry-long-lines.txt";
    WriteSampleFile(small, 10'000'000);
    WriteSampleFile(large, 100'000'000);
    WriteSampleFile(longLines, 10'000'000, [](std::size_t index) {
        return index % 2 == 0
                   ? "[documentum\\Common\\ViewFiles\\0900000000000a01]\r\n"
                   : "1=" + std::string(4080, static_cast<char>('a' + index % 26)) + "\r\n";
    });

    ReportScan("registry_10mb", small);
    ReportScan("registry_100mb", large);
    ReportScan("long_lines_10mb", longLines);
    ReportPeakMemory(large);

    std::string ascii;
    std::string mixed;
    while (ascii.size() < 64'000'000) ascii += "FileName=C:\\Work\\View\\manual.xml\r\n";
    while (mixed.size() < 64'000'000)
        mixed += "DocbaseName=archiv\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 text\r\n";
    ReportFacet("ascii", ascii);
    ReportFacet("mixed", mixed);

    fs::remove_all(directory);
    return 0;
}
