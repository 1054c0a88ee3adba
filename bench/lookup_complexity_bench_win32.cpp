// How the lookups' time grows with their input under Wine, whatever its shape: every scan of a
// registry file through the registry helper in file mode over files of 1, 10 and 100 MB in each
// shape, against a plain ReadFile loop that searches the same file, and the configuration file
// search over trees of 1k, 10k and 100k files against a plain FindFirstFileW walk. The files are
// written beside this program, the trees below the profile folder's "Documentum", and both are
// removed afterwards. An argument runs only the lookups whose name holds it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/config_tree_win32.h"
#include "bench/plain_search_win32.h"
#include "bench/registry_file_shapes.h"
#include "bench/rounds.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"

namespace {

using namespace fernwick::bench;
namespace fs = std::filesystem;

struct FileScan {
    const char* name;
    const char* absentText;  // what the plain search looks for
    std::function<void(fernwick::RegistryHelper&, const FileShape&)> run;
};

std::vector<FileScan> FileScans() {
    return {
        {"object_id", kAbsentObjectId,
         [](fernwick::RegistryHelper& helper, const FileShape&) {
             Require(!helper.InitFromObjectID(Widened(kAbsentObjectId)),
                     "found an absent object ID");
         }},
        {"file_name", kAbsentFileName,
         [](fernwick::RegistryHelper& helper, const FileShape&) {
             Require(!helper.InitFromFileName(Widened(kAbsentFileName)),
                     "found an absent file name");
         }},
        {"alternate_paths", kAbsentFileName,
         [](fernwick::RegistryHelper& helper, const FileShape&) {
             Require(!helper.InitFromFileName(Widened(kAlternatePathPart)),
                     "found a path no section lists");
         }},
        {"last_docbase", kAbsentFileName,
         [](fernwick::RegistryHelper& helper, const FileShape& shape) {
             // Only the shape that ends in a docbase names one.
             Require(helper.LastConnectedDocBaseName() == (shape.end.empty() ? L"" : L"archive"),
                     "the docbase scan answered wrongly");
         }},
    };
}

fs::path ProgramFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    Require(length != 0 && length <= MAX_PATH, "no program path");
    return fs::path(path).parent_path();
}

void MeasureFileScans(const fs::path& file, const std::string& only) {
    const fernwick::HelperPlatform platform = fernwick::Win32HelperPlatform();
    MeasureShapes(file, only, "plain_search", FileScans(),
                  [&](const FileScan& fileScan, const FileShape& shape, int rounds) {
                      const auto scan = [&] {
                          // A new helper each time: a docbase once found is kept for the
                          // helper's life.
                          fernwick::RegistryHelper helper(platform);
                          helper.SetRegistryFile(file.wstring());
                          fileScan.run(helper, shape);
                      };
                      const auto plain = [&] {
                          Require(!PlainSearch(file, fileScan.absentText), "found absent text");
                      };
                      return TimeInRounds(rounds, scan, plain);
                  });
    fs::remove(file);
}

// Folders ten entries wide below the first root, down to a level of folders that hold ten files,
// one of them a copy of the configuration file.
std::wstring BuildTree(const fs::path& root, std::size_t files) {
    std::wstring newest;
    for (std::size_t folder = 0; folder < files / 10; ++folder) {
        fs::path path = root;
        for (std::size_t digits = folder, level = 1; level < files / 10; level *= 10) {
            path /= L"d" + std::to_wstring(digits % 10);
            digits /= 10;
        }
        fs::create_directories(path);
        newest = (path / kConfigFileName).wstring();
        CreateFileWithTime(newest, 13'000'000'000ULL + folder);
        for (int file = 1; file < 10; ++file) {
            CreateFileWithTime(path / (L"file" + std::to_wstring(file) + L".dat"),
                               13'000'000'000ULL);
        }
    }
    return newest;
}

void MeasureConfigSearch(const std::string& only) {
    const std::string name = "complexity_config_search_folder_tree";
    if (name.find(only) == std::string::npos) return;
    const fs::path documentum = ProfileFolder() / L"Documentum";
    const fernwick::HelperPlatform platform = fernwick::Win32HelperPlatform();
    const fernwick::RegistryHelper helper(platform);
    GrowthReport report(name, "1k files", "plain_walk");
    int rounds = 9;
    for (const std::size_t files : {1'000, 10'000, 100'000}) {
        fs::remove_all(documentum);
        const std::wstring expected = BuildTree(documentum / L"ucf", files);
        const RoundTimes times = TimeInRounds(
            rounds, [&] { Require(helper.DetectUcfClientConfigXml() == expected, "wrong copy"); },
            [&] { Require(PlainFind() == expected, "the plain walk found another copy"); });
        const double thousands = static_cast<double>(files) / 1000;
        if (!report.Add(std::to_string(files / 1000) + "k", thousands, times)) break;
        rounds = rounds > 3 ? rounds - 2 : 3;
    }
    fs::remove_all(documentum);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    MeasureFileScans(ProgramFolder() / L"complexity-registry.txt", only);
    MeasureConfigSearch(only);
    return 0;
}
