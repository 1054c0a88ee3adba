// Every public operation of the portable core, run with its n-th allocation failing for every n it
// reaches: it either gives its whole answer or throws std::bad_alloc (the frame's E_OUTOFMEMORY)
// with the object as it was, and never crashes or leaks (LeakSanitizer in native-asan). And what
// the lookups allocate, counted.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "import_picker/import_selection.h"
#include "registry_helper/config_file_finder.h"
#include "tests/support/directory_source_memory.h"
#include "registry_helper/registry_helper.h"
#include "tests/support/registry_store_memory.h"
#include "tests/support/std_file_source.h"
#include "server/registrar.h"
#include "tests/support/registry_writer_memory.h"
#include "tests/support/resource_text.h"
#include "tests/support/temp_files.h"
#include "tests/unit/allocation_failure.h"
#include "tests/unit/in_memory_import_view.h"

namespace fernwick {
namespace {

using tests::AllocationFailure;
using tests::CountAllocationPoints;

// What a run that ended in std::bad_alloc must leave: the object as before the call; for commands
// whose outcome was already made when showing it failed, either; for writes made one by one, a
// state that running again completes.
enum class AfterThrow { AsBefore, AsBeforeOrComplete, CompleteOnRepeat };

// One operation on an object of its own from make, seen through observe.
template <typename Object, typename Observed>
struct Trial {
    std::string name;
    std::function<std::unique_ptr<Object>()> make;
    std::function<void(Object&)> operation;
    std::function<Observed(Object&)> observe;
    AfterThrow afterThrow = AfterThrow::AsBefore;
};

// Runs the trial once without failure for the complete outcome, then once for every allocation
// it makes with that allocation failing. A run that absorbed the failure must give the complete
// outcome, one that threw must leave what afterThrow says.
template <typename Object, typename Observed>
void ExpectWholeOrUnchanged(const Trial<Object, Observed>& trial) {
    const Observed before = trial.observe(*trial.make());
    const auto reference = trial.make();
    trial.operation(*reference);
    const Observed complete = trial.observe(*reference);
    EXPECT_NE(before, complete) << trial.name << ": the operation changes nothing";

    const std::size_t points = CountAllocationPoints([&](AllocationFailure& failure) {
        const auto object = trial.make();
        const bool threw = failure.Run([&] { trial.operation(*object); });
        if (threw && trial.afterThrow == AfterThrow::CompleteOnRepeat) trial.operation(*object);
        const Observed after = trial.observe(*object);
        const bool allowsBefore = threw && trial.afterThrow != AfterThrow::CompleteOnRepeat;
        const bool allowsComplete = !threw || trial.afterThrow != AfterThrow::AsBefore;
        EXPECT_TRUE((allowsBefore && after == before) || (allowsComplete && after == complete))
            << trial.name << ", allocation " << failure.Index() << (threw ? " threw" : "");
    });
    std::cout << "[ alloc    ] " << trial.name << ": " << points << " allocation points\n";
    EXPECT_GT(points, 0u) << trial.name;
}

const std::wstring kEditList = L"SOFTWARE\\Documentum\\Common\\WorkingFiles\\";
const std::wstring kViewList = L"SOFTWARE\\Documentum\\Common\\ViewFiles\\";

class HelperUnderAllocationFailure : public ::testing::Test {
protected:
    HelperUnderAllocationFailure() {
        const auto hkcu = RegistryHive::CurrentUser;
        registry.SetString(hkcu, kEditList + L"0900000000000a01", L"FileName", L"C:\\Work\\a.xml");
        registry.SetString(hkcu, kEditList + L"0900000000000a01", L"DocbaseName", L"filebase");
        registry.SetString(hkcu, kEditList + L"0900000000000a01", L"UserName", L"tester");
        registry.SetString(hkcu, kViewList + L"0900000000000b02", L"FileName", L"C:\\View\\b.xml");
        registry.SetString(hkcu, kViewList + L"0900000000000b02\\Alternate FilePaths", L"1",
                           L"D:\\Copies\\b.xml<E:\\b.xml");
        registry.SetString(hkcu, kViewList + L"0900000000000c03", L"FileName", L"C:\\View\\c.xml");
        registry.SetString(RegistryHive::LocalMachine,
                           L"SOFTWARE\\Documentum\\Common\\LastConnectedDocbase", L"Docbase",
                           L"registrybase");
        registryFile =
            directory.Write("registry.txt",
                            "[documentum\\Common\\WorkingFiles\\0900000000000a01]\n"
                            "FileName=C:\\Work\\a.xml\n"
                            "DocbaseName=filebase\n"
                            "[documentum\\Common\\ViewFiles\\0900000000000b02]\n"
                            "FileName=C:\\View\\b.xml\n"
                            "[documentum\\Common\\ViewFiles\\0900000000000b02\\Alternate "
                            "FilePaths]\n"
                            "1=D:\\Copies\\b.xml<E:\\b.xml\n"
                            "[documentum\\XML Applications\\filebase\\Settings]\n");
    }

    // A helper that answered an earlier lookup, in registry mode or reading the registry file.
    std::unique_ptr<RegistryHelper> Prepared(bool fileMode) {
        auto helper =
            std::make_unique<RegistryHelper>(HelperPlatform{registry, directories, files});
        EXPECT_TRUE(helper->InitFromObjectID(L"0900000000000c03"));
        if (fileMode) helper->SetRegistryFile(registryFile);
        return helper;
    }

    struct Observed {
        LocalCopyRecord record;
        std::wstring cachedDocbase;
        std::size_t openKeys;
        bool operator==(const Observed&) const = default;
    };
    // The record, and the docbase cache as a missing registry file reveals it.
    Observed Observe(RegistryHelper& helper) {
        Observed observed{helper.Current(), {}, registry.OpenKeyCount()};
        helper.SetRegistryFile(directory.path().wstring() + L"/missing.txt");
        observed.cachedDocbase = helper.LastConnectedDocBaseName();
        return observed;
    }

    MemoryRegistryStore registry;
    MemoryDirectorySource directories;
    StdFileSource files;
    tests::TempDirectory directory;
    std::wstring registryFile;
};

TEST_F(HelperUnderAllocationFailure, EveryLookupAnswersWhollyOrLeavesTheHelperAsItWas) {
    for (const bool fileMode : {false, true}) {
        const std::pair<std::string, std::function<void(RegistryHelper&)>> lookups[] = {
            {"InitFromObjectID",
             [](RegistryHelper& h) { EXPECT_TRUE(h.InitFromObjectID(L"0900000000000a01")); }},
            {"InitViewFromObjectID",
             [](RegistryHelper& h) { EXPECT_TRUE(h.InitViewFromObjectID(L"0900000000000b02")); }},
            {"InitFromFileName by alternate path",
             [](RegistryHelper& h) { EXPECT_TRUE(h.InitFromFileName(L"E:\\b.xml")); }},
            {"LastConnectedDocBaseName",
             [fileMode](RegistryHelper& h) {
                 EXPECT_EQ(h.LastConnectedDocBaseName(), fileMode ? L"filebase" : L"registrybase");
             }},
        };
        for (const auto& [name, lookup] : lookups) {
            ExpectWholeOrUnchanged(Trial<RegistryHelper, Observed>{
                name + (fileMode ? ", registry file" : ", registry"),
                [&] { return Prepared(fileMode); }, lookup,
                [&](RegistryHelper& helper) { return Observe(helper); }});
        }
    }
}

// The helper keeps its state safe from failed lookups without copying it: its lookups allocate
// what their own work needs, whether or not the helper holds the longest docbase name a file gives.
TEST_F(HelperUnderAllocationFailure, ALookupCopiesNothingTheHelperAlreadyHolds) {
    const std::string longest(4094, 'x');
    const std::wstring nameFile = directory.Write(
        "long-name.txt", "[documentum\\XML Applications\\" + longest + "y\\Settings]\n");
    for (const bool fileMode : {false, true}) {
        const auto lookupsAllocate = [&](bool holdsName) {
            RegistryHelper helper(HelperPlatform{registry, directories, files});
            if (holdsName) {
                helper.SetRegistryFile(nameFile);
                EXPECT_EQ(helper.LastConnectedDocBaseName(),
                          std::wstring(longest.begin(), longest.end()));
            }
            helper.SetRegistryFile(fileMode ? registryFile : L"");
            const std::size_t before = tests::AllocatedBytes();
            for (int i = 0; i < 4; ++i) {
                EXPECT_TRUE(helper.InitFromObjectID(L"0900000000000a01"));
                EXPECT_FALSE(helper.InitFromFileName(L"C:\\Work\\none.xml"));
            }
            EXPECT_EQ(helper.Current().FileName, L"C:\\Work\\none.xml");
            EXPECT_EQ(helper.Current().DocbaseName, L"");
            return tests::AllocatedBytes() - before;
        };
        const std::size_t holding = lookupsAllocate(true);
        EXPECT_LT(holding - std::min(holding, lookupsAllocate(false)),
                  longest.size() * sizeof(wchar_t))
            << (fileMode ? "registry file" : "registry");
    }
}

TEST(ConfigFileSearchUnderAllocationFailure, AnswersTheNewestCopyOrThrowsWithNoSearchLeftOpen) {
    MemoryDirectorySource directories;
    directories.SetProfileFolder(L"C:\\Users\\tester");
    directories.AddFile(L"C:\\Users\\tester\\Documentum\\ucf\\host\\config\\ucf.client.config.xml",
                        100);
    directories.AddFolder(L"C:\\Users\\tester\\Documentum\\ucf\\host\\cache\\deep");
    directories.AddFile(L"C:\\Users\\tester\\Documentum\\ucf-java\\ucf.client.config.xml", 200);
    struct Search {
        std::wstring found = L"(not run)";
    };
    ExpectWholeOrUnchanged(Trial<Search, std::pair<std::wstring, std::size_t>>{
        "DetectUcfClientConfigXml", [] { return std::make_unique<Search>(); },
        [&](Search& search) { search.found = ConfigFileFinder(directories).Find(); },
        [&](Search& search) { return std::pair(search.found, directories.OpenSearchCount()); }});
}

TEST(RegistrarUnderAllocationFailure, ARunStopsWithNothingLeakedAndARepeatedRunCompletesIt) {
    const auto run = [&](const std::wstring& script, RegistrarMode mode, RegistryWriter& writer) {
        const auto parsed = ParseRegistryScript(
            script, tests::RegistrarValues(L"ImportPicker", L"C:\\Fernwick\\Fernwick.dll"));
        ASSERT_TRUE(parsed.has_value());
        ASSERT_EQ(RunRegistryScript(*parsed, mode, writer), 0);
    };
    // Registration writes key by key and stops at the first failure, a refused write or a failed
    // allocation alike; running it again completes it.
    for (const char* file : {"documentum_registry_helper.rgs", "import_picker.rgs"}) {
        const std::wstring script = tests::ResourceText(file);
        for (const auto mode : {RegistrarMode::Register, RegistrarMode::Unregister}) {
            const std::string name =
                std::string(file) +
                (mode == RegistrarMode::Register ? ", register" : ", unregister");
            ExpectWholeOrUnchanged(Trial<MemoryRegistryWriter, std::vector<std::wstring>>{
                name,
                [&] {
                    auto writer = std::make_unique<MemoryRegistryWriter>();
                    writer->CreateKey(RegistryRoot::ClassesRoot, L"CLSID\\{Other}");
                    if (mode == RegistrarMode::Unregister)
                        run(script, RegistrarMode::Register, *writer);
                    return writer;
                },
                [&](MemoryRegistryWriter& writer) { run(script, mode, writer); },
                [](MemoryRegistryWriter& writer) { return writer.KeyPaths(); },
                AfterThrow::CompleteOnRepeat});
        }
    }
}

// The Import dialog's selection after some files and a folder were added and two rows selected.
struct Picked {
    Picked() {
        selection.Initialize();
        selection.AddFiles({L"C:\\Data\\b.xml", L"C:\\Data\\d.xml"});
        selection.AddFolder(L"C:\\Folders\\Old");
        selection.AddFolder(L"C:\\Folders\\Other");
        view.Select({0, 2});
    }
    InMemoryImportView view;
    ImportSelection selection{view, L"C:\\Start", L"C:\\Start\\first.xml"};
};

struct PickedState {
    std::set<std::wstring> folders;
    std::set<std::wstring> files;
    std::wstring lastFolder;
    std::wstring lastFile;
    std::vector<std::wstring> rowTexts;
    std::vector<std::wstring> rowPaths;
    bool okEnabled;
    bool operator==(const PickedState&) const = default;

    static PickedState Of(Picked& p) {
        const ImportSelection& s = p.selection;
        return {s.SelectedFolders(),  s.SelectedFiles(), s.LastSelectedFolder(),
                s.LastSelectedFile(), p.view.Texts(),    p.view.Paths(),
                p.view.okEnabled};
    }
};

TEST(ImportSelectionUnderAllocationFailure, EveryCommandTakesEffectWhollyOrNotAtAll) {
    const std::pair<std::string, std::function<void(Picked&)>> commands[] = {
        {"AddFiles",
         [](Picked& p) {
             p.selection.AddFiles({L"C:\\Data\\c.xml", L"C:\\Data\\b.xml", L"D:\\a.xml"});
         }},
        {"AddFolder", [](Picked& p) { p.selection.AddFolder(L"C:\\Folders\\New"); }},
        {"AddFolder, already listed",
         [](Picked& p) { p.selection.AddFolder(L"C:\\Folders\\Old"); }},
        {"RemoveSelected", [](Picked& p) { p.selection.RemoveSelected(); }},
    };
    for (const auto& [name, command] : commands) {
        ExpectWholeOrUnchanged(
            Trial<Picked, PickedState>{name, [] { return std::make_unique<Picked>(); }, command,
                                       &PickedState::Of, AfterThrow::AsBeforeOrComplete});
    }
}

}  // namespace
}  // namespace fernwick
