// Create, use and release cycles, and load, use and unload cycles, leave nothing behind.
#include "tests/win/com_server.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace fernwick {
namespace {

// Bytes in use in all heaps of the process: Wine's PrivateUsage does not count heap growth.
SIZE_T HeapBytes() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
    heaps.resize(GetProcessHeaps(heaps.size(), heaps.data()));
    SIZE_T used = 0;
    for (HANDLE heap : heaps) {
        HeapLock(heap);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return used;
}

TEST_F(ComServerTest, ManyCreateUseReleaseCyclesLeakNothing) {
    auto factory = server.Factory();
    auto cycle = [&] {
        UniqueCom<IDocumentumRegistryHelper> helper;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(helper.put())), S_OK);
        UniqueBstr name;
        helper->put_RegistryFile(nullptr);
        helper->get_ObjectID(name.put());
    };
    for (int i = 0; i < 10000; ++i) cycle();
    const SIZE_T settled = HeapBytes();
    for (int i = 0; i < 90000; ++i) cycle();
    EXPECT_LT(HeapBytes(), settled + 256 * 1024);
    factory.reset();
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

// A host loads and frees the component again and again: each real unload gives back all that the
// load and the calls took, the C++ runtime's own buffers included.
TEST_F(ComServerTest, ManyLoadUseUnloadCyclesLeakNothing) {
    // A copy under its own name loads and unloads beside the module this program keeps loaded.
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    const std::wstring copy = temp / L"fernwick-unload.dll";
    ASSERT_TRUE(CopyFileW(FERNWICK_DLL_PATH, copy.c_str(), FALSE));
    // Its malformed last line makes the reader throw and catch inside, as a damaged file would.
    const std::filesystem::path registryFile = temp / L"fernwick-unload-registry.txt";
    std::ofstream(registryFile) << "[documentum\\Common\\WorkingFiles\\0900000000000a01]\n"
                                   "FileName=C:\\Work\\guide.xml\n\xff\n";
    const UniqueBstr path(SysAllocString(registryFile.c_str()));
    const UniqueBstr id(SysAllocString(L"0900000000000a01"));
    auto cycle = [&] {
        Server loaded(copy.c_str());
        ASSERT_NE(loaded.module, nullptr);
        {
            auto helper = loaded.CreateHelper();
            VARIANT_BOOL found = VARIANT_FALSE;
            helper->put_RegistryFile(path.get());
            EXPECT_EQ(helper->InitFromObjectID(id.get(), &found), S_OK);
            EXPECT_EQ(found, VARIANT_TRUE);
            EXPECT_EQ(IdOf(helper.get(), L"FileName"), 6);
        }
        EXPECT_EQ(loaded.canUnloadNow(), S_OK);
        FreeLibrary(loaded.module);
        EXPECT_EQ(GetModuleHandleW(copy.c_str()), nullptr);
    };
    for (int i = 0; i < 10; ++i) cycle();
    const SIZE_T settled = HeapBytes();
    for (int i = 0; i < 200; ++i) cycle();
    EXPECT_LT(HeapBytes(), settled + 64 * 1024);
    std::filesystem::remove(registryFile);
    DeleteFileW(copy.c_str());
}

}  // namespace
}  // namespace fernwick
