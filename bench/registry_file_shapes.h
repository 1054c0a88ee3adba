#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/registry_file_sample.h"
#include "bench/rounds.h"

#if defined(_WIN32)
#include <windows.h>

#include "support/unique_handles_win32.h"
#else
#include <unistd.h>
#endif

// Registry files of the shapes that make a scan's work depend on more than the file's size, and
// the figures the complexity benchmarks of both builds print about them.
namespace fernwick::bench {

// Lookups that read a whole file of any of the shapes: none of the shapes lists this name, while
// the alternate paths of the sample sections hold it as part of each path.
constexpr const char* kAlternatePathPart = "C:\\Work";

inline std::wstring Widened(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

// Ends the benchmark when a lookup answers wrongly: its figures would measure something else.
inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

constexpr std::size_t kMegabyte = 1'000'000;
constexpr std::size_t kBlock = 64 * 1024;

struct FileShape {
    const char* name;
    std::function<std::string(std::size_t)> part;  // the file is parts 0, 1, 2, ...
    std::string end;                               // and then these bytes
};

inline std::string Repeated(const std::string& line, std::size_t times) {
    std::string text;
    text.reserve(line.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += line;
    return text;
}

// A line that names a docbase without ending it, laid across the end of every 64 KB block.
inline std::string BlockCrossingPart(std::size_t) {
    const std::string head = "x\\XML Applications\\docbase-";
    const std::string tail = "name-without-end\r\n";
    const std::string filler = "DocbaseName=filler\r\n";
    std::string part = tail;
    while (part.size() + filler.size() + head.size() <= kBlock) part += filler;
    part.append(kBlock - head.size() - part.size(), 'f');
    return part + head;
}

inline std::string CarriageReturnsOnly(std::string text) {
    std::string lines;
    for (const char byte : text) {
        if (byte != '\n') lines += byte;
    }
    return lines;
}

// Lines that hold a zero byte, which yields no character: alone, after a letter, after an entry,
// and in the middle of a longer line.
inline std::string ZeroBytePart(std::size_t) {
    using namespace std::string_literals;
    return Repeated("\0\n"s + "a\0\n"s + "k=v\0\n"s + std::string(32, 'z') + "\0"s +
                        std::string(32, 'z') + "\n",
                    256);
}

// Lines that begin and end as the headers sought and are as long, but name other objects.
inline std::string HeaderLookalikePart(std::size_t index) {
    std::string lines;
    for (std::size_t line = 0; line < 256; ++line) {
        char id[17];
        std::snprintf(id, sizeof id, "09%014zx", index * 256 + line);
        lines += std::string("[documentum\\Common\\") +
                 (line % 2 == 0 ? "WorkingFiles\\" : "ViewFiles\\") + id + "]\n";
    }
    return lines;
}

// A section's user and file names and the alternate paths' folder, written in other scripts.
inline std::string WithText(std::string section, const std::string& text) {
    for (const std::string word : {"Reviewer One", "manual", "Copies"}) {
        for (std::size_t at = section.find(word); at != std::string::npos;
             at = section.find(word, at + text.size())) {
            section.replace(at, word.size(), text);
        }
    }
    return section;
}

// The section of the object ID sought, without a file name, and a body that fills the file. The
// header spells the ID in capitals, which the lookup matches and the plain search does not.
inline std::string HugeSectionPart(std::size_t index) {
    const std::string body = Repeated("UserName=Reviewer One\r\nComment=checked\r\n", 64);
    if (index > 0) return body;
    std::string id = kAbsentObjectId;
    for (char& letter : id) letter = static_cast<char>(std::toupper(letter));
    return "[documentum\\Common\\WorkingFiles\\" + id + "]\r\n" + body;
}

// Alternate paths of a document, each holding the path that a lookup by alternate path seeks where
// a path may stand, without listing it.
inline std::string SoughtPathAmongAlternatesPart(std::size_t index) {
    char id[17];
    std::snprintf(id, sizeof id, "09%014zx", index);
    const std::string header = "[documentum\\Common\\ViewFiles\\" + std::string(id);
    return header + "]\nFileName=C:\\View\\" + id + ".xml\n" + header + "\\Alternate FilePaths]\n" +
           Repeated(std::string("1=") + kAlternatePathPart + " x\n", 256);
}

inline std::vector<FileShape> FileShapes() {
    return {
        {"short_lines", [](std::size_t) { return Repeated("abc\n", 1024); }, ""},
        {"backslash_lines", [](std::size_t) { return Repeated("\\\\\\\\\n", 1024); }, ""},
        {"limit_lines", [](std::size_t) { return "1=" + std::string(4092, 'v') + "\r\n"; }, ""},
        {"one_huge_line", [](std::size_t) { return std::string(4096, 'x'); }, ""},
        {"tiny_sections", [](std::size_t) { return Repeated("[s]\nk=v\n", 512); }, ""},
        {"alternate_path_sections",
         [](std::size_t index) {
             char id[17];
             std::snprintf(id, sizeof id, "09%014zx", index);
             const std::string header = "[documentum\\Common\\ViewFiles\\" + std::string(id);
             return header + "]\nFileName=C:\\View\\" + id + ".xml\n" + header +
                    "\\Alternate FilePaths]\n" +
                    Repeated("1=C:\\Work\\View\\" + std::string(id) + ".xml<D:\\Copies\\" + id +
                                 ".xml\n",
                             8);
         },
         ""},
        {"marker_at_end", SampleSection, "[documentum\\XML Applications\\archive\\Settings]\r\n"},
        {"block_crossing_name", BlockCrossingPart, ""},
        {"carriage_returns_only",
         [](std::size_t index) { return CarriageReturnsOnly(SampleSection(index)); }, ""},
        {"zero_byte_lines", ZeroBytePart, ""},
        {"zero_limit_lines", [](std::size_t) { return std::string(4095, '\0') + "\n"; }, ""},
        {"header_lookalikes", HeaderLookalikePart, ""},
        {"latin_sections",
         [](std::size_t index) {
             return WithText(SampleSection(index), "Zo\xC3\xAB Br\xC3\xABnt\xC3\xA9");
         },
         ""},
        {"cjk_sections",
         [](std::size_t index) {
             return WithText(SampleSection(index),
                             "\xE6\x96\x87\xE6\x9B\xB8\xE7\xAE\xA1\xE7\x90\x86");
         },
         ""},
        {"two_byte_short_lines", [](std::size_t) { return Repeated("k=\xC3\xA9\n", 1024); }, ""},
        {"huge_sought_section", HugeSectionPart, ""},
        {"sought_path_among_alternates", SoughtPathAmongAlternatesPart, ""},
        {"docbase_marker_lines",
         [](std::size_t) { return Repeated("\\XML Applications\\archive\\x\r\n", 256); }, ""},
    };
}

// Writes the file and waits until the system has stored it, so that storing it does not share the
// machine with the rounds that read it.
inline void WriteShapedFile(const std::filesystem::path& file, std::size_t bytes,
                            const FileShape& shape) {
    WriteSampleFile(file, bytes - shape.end.size(), shape.part);
    std::ofstream(file, std::ios::binary | std::ios::app) << shape.end;
#if defined(_WIN32)
    const tolk::stdx::UniqueFileHandle handle(CreateFileW(file.c_str(), GENERIC_WRITE,
                                                          FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                          nullptr, OPEN_EXISTING, 0, nullptr));
    Require(handle && FlushFileBuffers(handle.get()), "the file could not be stored");
#else
    sync();
#endif
}

// The sizes each shape is measured at, and the rounds at each: more where a run is short and the
// neighbours' load weighs more, and at the largest, whose ratios are the ones read, enough that the
// few rounds a neighbour disturbs (a ratio of 1.6 among rounds of 1.1) do not move the median.
struct Size {
    const char* name;
    std::size_t bytes;
    int rounds;
};
constexpr Size kSizes[] = {
    {"1mb", kMegabyte, 9}, {"10mb", 10 * kMegabyte, 5}, {"100mb", 100 * kMegabyte, 9}};

// A run longer than this leaves out the larger sizes of that scan and shape.
constexpr double kPatienceSeconds = 30;

// Collects one lookup's figures over the sizes and prints them as "name: value unit" lines: the
// fastest round's time per unit of input of the lookup and of its baseline, the median of the
// rounds' ratios between the two, and how much the time per unit grew from the smallest to the
// largest size. A baseline that grows as much tells of the machine (caches), not of the lookup.
class GrowthReport {
public:
    GrowthReport(std::string name, const char* unit, const char* baseline)
        : name_(std::move(name)), unit_(unit), baseline_(baseline) {}

    // False when the run took so long that larger sizes are left out.
    bool Add(const std::string& size, double units, const RoundTimes& times) {
        const double perUnit = Fastest(times.measured) / units * 1e3;
        const double baselinePerUnit = Fastest(times.baseline) / units * 1e3;
        const char* const name = name_.c_str();
        std::printf("%s_%s: %.3f ms/%s\n", name, size.c_str(), perUnit, unit_);
        std::printf("%s_%s_%s: %.3f ms/%s\n", name, size.c_str(), baseline_, baselinePerUnit,
                    unit_);
        std::printf("%s_%s_ratio: %.2f x %s\n", name, size.c_str(), MedianRoundRatio(times),
                    baseline_);
        if (first_ == 0) {
            first_ = perUnit;
            baselineFirst_ = baselinePerUnit;
        }
        last_ = perUnit;
        baselineLast_ = baselinePerUnit;
        std::fflush(stdout);
        if (Fastest(times.measured) <= kPatienceSeconds) return true;
        std::printf("%s_larger_sizes: skipped, one run took %.0f s\n", name,
                    Fastest(times.measured));
        return false;
    }
    ~GrowthReport() {
        if (first_ == 0) return;
        std::printf("%s_growth: %.2f x\n", name_.c_str(), last_ / first_);
        std::printf("%s_%s_growth: %.2f x\n", name_.c_str(), baseline_,
                    baselineLast_ / baselineFirst_);
    }
    GrowthReport(const GrowthReport&) = delete;
    GrowthReport& operator=(const GrowthReport&) = delete;

private:
    std::string name_;
    const char* unit_;
    const char* baseline_;
    double first_ = 0;
    double last_ = 0;
    double baselineFirst_ = 0;
    double baselineLast_ = 0;
};

// Writes every shape at every size into file and times each scan whose report name holds only,
// against its baseline; a scan whose run took too long is left out of the larger sizes.
// timeScan(scan, shape, rounds) answers the round times of one scan and of its baseline.
template <typename Scan, typename TimeScan>
void MeasureShapes(const std::filesystem::path& file, const std::string& only, const char* baseline,
                   const std::vector<Scan>& scans, TimeScan timeScan) {
    for (const FileShape& shape : FileShapes()) {
        struct Running {
            const Scan* scan;
            std::unique_ptr<GrowthReport> report;
            bool goesOn = true;
        };
        std::vector<Running> running;
        for (const Scan& scan : scans) {
            const std::string name = std::string("complexity_") + shape.name + "_" + scan.name;
            if (name.find(only) == std::string::npos) continue;
            running.push_back({&scan, std::make_unique<GrowthReport>(name, "MB", baseline)});
        }
        for (const Size& size : kSizes) {
            if (std::none_of(running.begin(), running.end(), [](auto& r) { return r.goesOn; })) {
                break;
            }
            WriteShapedFile(file, size.bytes, shape);
            const double megabytes = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
            for (Running& r : running) {
                if (!r.goesOn) continue;
                r.goesOn =
                    r.report->Add(size.name, megabytes, timeScan(*r.scan, shape, size.rounds));
            }
        }
    }
}

}  // namespace fernwick::bench
