// Full scans of generated registry files against grep reading the same files in the same run, the
// scan's peak memory, and the facet's own throughput. Prints "name: value unit" lines.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <locale>
#include <string>

#include "bench/registry_file_sample.h"
#include "registry_helper/lookup_state.h"
#include "registry_helper/registry_file_reader.h"
#include "registry_helper/std_file_source.h"
#include "support/utf8_locale.h"

namespace {

using Clock = std::chrono::steady_clock;
using fernwick::bench::kAbsentFileName;
using fernwick::bench::kAbsentObjectId;
using fernwick::bench::WriteSampleFile;
namespace fs = std::filesystem;

// Best of three: the figure least disturbed by the other work on the machine.
double BestSeconds(const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

double GrepSeconds(const fs::path& file, const std::string& text) {
    const std::string command = "grep -c -F '" + text + "' '" + file.string() + "' >/dev/null";
    return BestSeconds([&] {
        if (std::system(command.c_str()) == -1) std::abort();
    });
}

struct ScanFigures {
    double byObjectId;
    double byFileName;
};

ScanFigures ScanSeconds(const fs::path& file) {
    fernwick::StdFileSource files;
    fernwick::LookupState state;
    state.registryFile = file.wstring();
    fernwick::RegistryFileReader reader(state, files);
    const std::wstring absentId(kAbsentObjectId, kAbsentObjectId + 16);
    const std::string path = kAbsentFileName;
    const std::wstring absentPath(path.begin(), path.end());
    ScanFigures figures{};
    figures.byObjectId = BestSeconds([&] {
        if (reader.FindByObjectId(absentId, fernwick::ClientLists::EditAndView)) std::abort();
    });
    figures.byFileName = BestSeconds([&] {
        if (reader.FindByFileName(absentPath)) std::abort();
    });
    return figures;
}

void ReportScan(const std::string& name, const fs::path& file) {
    const double megabytes = static_cast<double>(fs::file_size(file)) / 1e6;
    const ScanFigures scan = ScanSeconds(file);
    const double grepId = GrepSeconds(file, kAbsentObjectId);
    const double grepPath = GrepSeconds(file, kAbsentFileName);
    std::printf("%s_size: %.1f MB\n", name.c_str(), megabytes);
    std::printf("%s_scan_object_id: %.0f MB/s\n", name.c_str(), megabytes / scan.byObjectId);
    std::printf("%s_scan_file_name: %.0f MB/s\n", name.c_str(), megabytes / scan.byFileName);
    std::printf("%s_grep_object_id: %.0f MB/s\n", name.c_str(), megabytes / grepId);
    std::printf("%s_grep_file_name: %.0f MB/s\n", name.c_str(), megabytes / grepPath);
    std::printf("%s_time_ratio_object_id: %.2f x grep\n", name.c_str(), scan.byObjectId / grepId);
    std::printf("%s_time_ratio_file_name: %.2f x grep\n", name.c_str(), scan.byFileName / grepPath);
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
    ScanSeconds(file);
    const long peak = StatusKilobytes("VmHWM:");
    std::printf("scan_100mb_peak_memory_above_baseline: %.2f MB\n",
                static_cast<double>(peak - baseline) / 1024.0);
}

void ReportFacet(const std::string& name, const std::string& bytes) {
    const auto& facet =
        std::use_facet<std::codecvt<wchar_t, char, std::mbstate_t>>(tolk::stdx::utf8Locale);
    std::wstring units(64 * 1024, L'\0');
    std::size_t produced = 0;
    const double seconds = BestSeconds([&] {
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
    });
    if (produced == 0) std::abort();
    std::printf("facet_%s: %.0f MB/s\n", name.c_str(),
                static_cast<double>(bytes.size()) / 1e6 / seconds);
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
