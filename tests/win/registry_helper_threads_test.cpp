// Registry helpers in several single-threaded apartments at once, each thread with its own
// objects, all reading the same client entries.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fernwick.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "test_paths.h"
#include "tests/support/com_apartment_win32.h"
#include "tests/win/scratch_hives.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueHkey;

constexpr int kDocuments = 50;
const std::wstring kList = L"SOFTWARE\\Documentum\\Common\\WorkingFiles\\";

std::wstring ObjectId(int index) {
    wchar_t text[17];
    swprintf(text, 17, L"09000000%08x", index);
    return text;
}

std::wstring PathOf(int index) { return L"C:\\Work\\Edit\\doc" + std::to_wstring(index) + L".xml"; }

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

class RegistryHelperThreadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        hives_.emplace(L"Software\\FernwickThreadsTest");
        for (int i = 0; i < kDocuments; ++i) {
            UniqueHkey key;
            ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kList + ObjectId(i)).c_str(), 0, nullptr,
                                      0, KEY_WRITE, nullptr, key.put(), nullptr),
                      ERROR_SUCCESS);
            SetText(key.get(), L"FileName", PathOf(i));
            SetText(key.get(), L"DocbaseName", L"docbase" + std::to_wstring(i));
        }
    }
    void TearDown() override { hives_.reset(); }

private:
    std::optional<ScratchHives> hives_;
};

// One thread's work: its own apartment and its own helper; every answer is checked.
int LookUpEverything(int thread) {
    const ComApartment apartment;
    int wrong = 0;
    {
        UniqueCom<IDocumentumRegistryHelper> helper;
        if (FAILED(CoCreateInstance(CLSID_DocumentumRegistryHelper, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(helper.put())))) {
            return kDocuments * 2;
        }
        for (int round = 0; round < 4; ++round) {
            for (int i = (thread * 7) % kDocuments, n = 0; n < kDocuments;
                 ++n, i = (i + 1) % kDocuments) {
                const UniqueBstr path(SysAllocString(PathOf(i).c_str()));
                VARIANT_BOOL found = VARIANT_FALSE;
                helper->InitFromFileName(path.get(), &found);
                UniqueBstr id, docbase;
                helper->get_ObjectID(id.put());
                helper->get_DocbaseName(docbase.put());
                if (found != VARIANT_TRUE || ObjectId(i) != id.get() ||
                    L"docbase" + std::to_wstring(i) != docbase.get())
                    ++wrong;
            }
        }
    }
    return wrong;
}

// With the 32-bit and the 64-bit build registered side by side, each process gets its own build.
TEST_F(RegistryHelperThreadsTest, CreationByProgIdLoadsThisBuildsServer) {
    const ComApartment apartment;
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"PexanFernwick.DocumentumRegistryHelper", &clsid), S_OK);
    UniqueCom<IDocumentumRegistryHelper> helper;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(helper.put())),
              S_OK);
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(GetModuleHandleW(L"Fernwick.dll"), path, MAX_PATH);
    EXPECT_EQ(_wcsicmp(path, FERNWICK_DLL_PATH), 0) << std::string(path, path + wcslen(path));
}

TEST_F(RegistryHelperThreadsTest, EightApartmentsLookUpConcurrentlyAndAllAnswersAreRight) {
    // Wine sets up its display driver once per process, on first use; several apartments doing
    // that at the same moment can deadlock inside Wine, so this thread does it first.
    ReleaseDC(nullptr, GetDC(nullptr));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 8; ++thread) {
        threads.emplace_back([&wrong, thread] { wrong += LookUpEverything(thread); });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace fernwick
