// The first request for a class object, made by many threads at once, creates exactly one.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "fernwick.h"
#include "test_paths.h"

namespace {

using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

TEST(ClassObjectRaceTest, ThreadsAskingAtOnceGetTheSameClassObject) {
    const HMODULE module = LoadLibraryW(FERNWICK_DLL_PATH);
    ASSERT_NE(module, nullptr);
    const auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));

    constexpr int kThreads = 16;
    std::vector<IUnknown*> answers(kThreads, nullptr);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < kThreads) YieldProcessor();
            getClassObject(CLSID_DocumentumRegistryHelper, IID_IUnknown,
                           reinterpret_cast<void**>(&answers[i]));
        });
    }
    for (auto& thread : threads) thread.join();

    ASSERT_NE(answers[0], nullptr);
    for (IUnknown* answer : answers) EXPECT_EQ(answer, answers[0]);
    for (IUnknown* answer : answers) {
        if (answer) answer->Release();
    }
}

}  // namespace
