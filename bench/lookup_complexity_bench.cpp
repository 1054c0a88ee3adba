// How the lookups' time grows with their input, whatever its shape: every scan of a registry file
// over files of 1, 10 and 100 MB in each shape against grep reading the same file, and the
// configuration file search over trees of 1k, 10k and 100k entries against a plain walk of the
// same tree. The files are written beside this program and removed afterwards. An argument runs
// only the lookups whose name holds it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/grep_baseline.h"
#include "bench/registry_file_shapes.h"
#include "bench/rounds.h"
#include "registry_helper/config_file_finder.h"
#include "registry_helper/lookup_state.h"
#include "registry_helper/registry_file_reader.h"
#include "tests/support/directory_source_memory.h"
#include "tests/support/std_file_source.h"

namespace {

using namespace fernwick::bench;
namespace fs = std::filesystem;

struct FileScan {
    const char* name;
    const char* absentText;  // what grep looks for
    std::function<void(fernwick::RegistryFileReader&, const fernwick::LookupState&,
                       const FileShape&)>
        run;
};

std::vector<FileScan> FileScans() {
    return {
        {"object_id", kAbsentObjectId,
         [](fernwick::RegistryFileReader& reader, const fernwick::LookupState&, const FileShape&) {
             Require(!reader.FindByObjectId(Widened(kAbsentObjectId),
                                            fernwick::ClientLists::EditAndView),
                     "found an absent object ID");
         }},
        {"file_name", kAbsentFileName,
         [](fernwick::RegistryFileReader& reader, const fernwick::LookupState&, const FileShape&) {
             Require(!reader.FindByFileName(Widened(kAbsentFileName)), "found an absent file name");
         }},
        {"alternate_paths", kAbsentFileName,
         [](fernwick::RegistryFileReader& reader, const fernwick::LookupState&, const FileShape&) {
             Require(!reader.FindByFileName(Widened(kAlternatePathPart)),
                     "found a path no section lists");
         }},
        {"last_docbase", kAbsentFileName,
         [](fernwick::RegistryFileReader& reader, const fernwick::LookupState& state,
            const FileShape& shape) {
             reader.ReadLastConnectedDocbase();
             // Only the shape that ends in a docbase names one.
             Require(state.lastConnectedDocbase == (shape.end.empty() ? L"" : L"archive"),
                     "the docbase scan answered wrongly");
         }},
    };
}

void MeasureFileScans(const fs::path& directory, const std::string& only) {
    const fs::path file = directory / "registry.txt";
    MeasureShapes(file, only, "grep", FileScans(),
                  [&](const FileScan& fileScan, const FileShape& shape, int rounds) {
                      const auto scan = [&] {
                          fernwick::StdFileSource files;
                          fernwick::LookupState state;
                          state.registryFile = file.wstring();
                          fernwick::RegistryFileReader reader(state, files);
                          fileScan.run(reader, state, shape);
                      };
                      return TimeInRounds(rounds, scan, [&] { Grep(file, fileScan.absentText); });
                  });
    fs::remove(file);
}

// Trees of folders ten entries wide below the first root, one copy of the configuration file in
// each folder of the lowest level; with loops, each of those folders also links back to the root.
struct TreeShape {
    const char* name;
    bool loops;
};
constexpr TreeShape kTreeShapes[] = {{"folder_tree", false}, {"looping_tree", true}};
constexpr std::size_t kEntryCounts[] = {1'000, 10'000, 100'000};
const std::wstring kProfile = L"C:\\Users\\tester";
const std::wstring kRoot = kProfile + L"\\Documentum\\ucf";

void BuildTree(fernwick::MemoryDirectorySource& tree, std::size_t entries, bool loops) {
    tree.SetProfileFolder(kProfile);
    for (std::size_t folder = 0; folder < entries / 10; ++folder) {
        std::wstring path = kRoot;
        for (std::size_t digits = folder, level = 1; level < entries / 10; level *= 10) {
            path += L"\\d" + std::to_wstring(digits % 10);
            digits /= 10;
        }
        tree.AddFile(path + L"\\ucf.client.config.xml", 1'000'000 + folder);
        for (int file = 1; file < 10; ++file) {
            tree.AddFile(path + L"\\file" + std::to_wstring(file) + L".dat", 1'000'000);
        }
        if (loops) tree.AddLink(path + L"\\root", kRoot);
    }
}

// Every folder below the root listed once, links left alone.
void PlainWalk(fernwick::DirectorySource& tree, const std::wstring& folder) {
    const auto search = tree.StartSearch(folder + L"\\*.*");
    if (!search) return;
    fernwick::DirectoryEntry entry;
    while (search->Next(entry)) {
        if (!entry.isDirectory || entry.isLink || entry.name == L"." || entry.name == L"..")
            continue;
        PlainWalk(tree, folder + L"\\" + std::wstring(entry.name));
    }
}

void MeasureConfigSearch(const std::string& only) {
    for (const TreeShape& shape : kTreeShapes) {
        const std::string name = std::string("complexity_config_search_") + shape.name;
        if (name.find(only) == std::string::npos) continue;
        GrowthReport report(name, "1k entries", "plain_walk");
        int rounds = 9;
        for (const std::size_t entries : kEntryCounts) {
            fernwick::MemoryDirectorySource tree;
            BuildTree(tree, entries, shape.loops);
            const RoundTimes times = TimeInRounds(
                rounds,
                [&] { Require(!fernwick::ConfigFileFinder(tree).Find().empty(), "no copy found"); },
                [&] { PlainWalk(tree, kRoot); });
            const double thousands = static_cast<double>(entries) / 1000;
            if (!report.Add(std::to_string(entries / 1000) + "k", thousands, times)) break;
            rounds = rounds > 3 ? rounds - 2 : 3;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const fs::path directory = fs::canonical("/proc/self/exe").parent_path() / "complexity-files";
    fs::create_directories(directory);
    MeasureFileScans(directory, only);
    fs::remove_all(directory);
    MeasureConfigSearch(only);
    return 0;
}
