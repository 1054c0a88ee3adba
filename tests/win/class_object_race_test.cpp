// The first request for a class object, made by many threads at once, creates exactly one.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/win/com_server.h"

namespace fernwick {
namespace {

TEST(ClassObjectRaceTest, ThreadsAskingAtOnceGetTheSameClassObject) {
    Server server;
    ASSERT_NE(server.module, nullptr);

    constexpr int kThreads = 16;
    std::vector<UniqueCom<IUnknown>> answers(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < kThreads) YieldProcessor();
            server.getClassObject(CLSID_DocumentumRegistryHelper, IID_PPV_ARGS(answers[i].put()));
        });
    }
    for (auto& thread : threads) thread.join();

    ASSERT_TRUE(answers[0]);
    for (const auto& answer : answers) EXPECT_EQ(answer.get(), answers[0].get());
}

}  // namespace
}  // namespace fernwick
