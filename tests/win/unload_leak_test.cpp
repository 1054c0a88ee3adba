// Create, use and release cycles, and load, use and unload cycles, leave nothing behind.
#include "tests/win/com_server.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <utility>
#include <vector>

namespace fernwick {
namespace {

using tolk::stdx::UniqueHandle;

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

// How much the heaps grow over `times` runs of step, after ten runs that let them settle; printed
// as "[ heap     ] <times> <what>: +<bytes> bytes".
long long HeapGrowth(int times, const char* what, const std::function<void()>& step) {
    for (int i = 0; i < 10; ++i) step();
    const SIZE_T settled = HeapBytes();
    for (int i = 0; i < times; ++i) step();
    const long long grown = static_cast<long long>(HeapBytes()) - static_cast<long long>(settled);
    std::cout << "[ heap     ] " << times << " " << what << ": +" << grown << " bytes\n";
    return grown;
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

// A registry file whose malformed last line makes the reader throw and catch inside, as a damaged
// file would: each thread that looks up in it gets the C++ runtime's per-thread exception state.
class MalformedRegistryFile {
public:
    MalformedRegistryFile() {
        std::ofstream(path_) << "[documentum\\Common\\WorkingFiles\\0900000000000a01]\n"
                                "FileName=C:\\Work\\guide.xml\n\xff\n";
    }
    ~MalformedRegistryFile() { std::filesystem::remove(path_); }

    void LookUpWith(Server& server) const {
        auto helper = server.CreateHelper();
        VARIANT_BOOL found = VARIANT_FALSE;
        helper->put_RegistryFile(pathText_.get());
        EXPECT_EQ(helper->InitFromObjectID(id_.get(), &found), S_OK);
        EXPECT_EQ(found, VARIANT_TRUE);
    }

private:
    const std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / L"fernwick-leak-registry.txt";
    const UniqueBstr pathText_{SysAllocString(path_.c_str())};
    const UniqueBstr id_{SysAllocString(L"0900000000000a01")};
};

// A thread of its own, made with the system's own call, which allocates nothing in this program.
class Thread {
public:
    explicit Thread(std::function<void()> work)
        : work_(std::move(work)), handle_(CreateThread(nullptr, 0, &Run, this, 0, nullptr)) {}
    ~Thread() { Join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Join() {
        if (handle_) WaitForSingleObject(handle_.get(), INFINITE);
        handle_.reset();
    }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<Thread*>(self)->work_();
        return 0;
    }

    std::function<void()> work_;
    UniqueHandle handle_;
};

// A host loads and frees the component again and again: each real unload gives back all that the
// load and the calls took, the C++ runtime's own buffers included, also those of a thread that
// is still running when the component unloads.
TEST_F(ComServerTest, ManyLoadUseUnloadCyclesLeakNothing) {
    // A copy under its own name loads and unloads beside the module this program keeps loaded.
    const std::wstring copy = std::filesystem::temp_directory_path() / L"fernwick-unload.dll";
    ASSERT_TRUE(CopyFileW(FERNWICK_DLL_PATH, copy.c_str(), FALSE));
    const MalformedRegistryFile registryFile;
    auto cycle = [&] {
        Server loaded(copy.c_str());
        ASSERT_NE(loaded.module, nullptr);
        registryFile.LookUpWith(loaded);
        EXPECT_EQ(IdOf(loaded.CreateHelper().get(), L"FileName"), 6);
        const UniqueHandle lookedUp(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        const UniqueHandle unloaded(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        Thread running([&] {
            registryFile.LookUpWith(loaded);
            SetEvent(lookedUp.get());
            WaitForSingleObject(unloaded.get(), INFINITE);
        });
        WaitForSingleObject(lookedUp.get(), INFINITE);
        EXPECT_EQ(loaded.canUnloadNow(), S_OK);
        FreeLibrary(loaded.module);
        EXPECT_EQ(GetModuleHandleW(copy.c_str()), nullptr);
        SetEvent(unloaded.get());
    };
    constexpr int kCycles = 200;
    const long long grown = HeapGrowth(kCycles, "load, use and unload cycles", cycle);
    // Less than 8 bytes a cycle: the smallest block the heap hands out is larger.
    EXPECT_LT(grown, 8 * kCycles);
    DeleteFileW(copy.c_str());
}

// A host that makes a thread per request: each thread's runtime state goes when the thread ends.
TEST_F(ComServerTest, ThreadsThatEndLeaveNothingBehind) {
    const MalformedRegistryFile registryFile;
    auto thread = [&] { Thread([&] { registryFile.LookUpWith(server); }).Join(); };
    constexpr int kThreads = 500;
    EXPECT_LT(HeapGrowth(kThreads, "threads with one lookup each", thread), 8 * kThreads);
}

}  // namespace
}  // namespace fernwick
