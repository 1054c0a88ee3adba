#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace fernwick::tests {

// Ends the test program when the calls made during its life do not return in time. A thread
// blocked in a read cannot be stopped, so the program reports and exits at once instead of
// waiting for the test driver's timeout.
class Watchdog {
public:
    Watchdog(std::string what, std::chrono::milliseconds limit)
        : thread_([this, what = std::move(what), limit] {
              std::unique_lock lock(mutex_);
              if (finished_.wait_for(lock, limit, [this] { return done_; })) return;
              std::fprintf(stderr, "%s did not return within %lld ms\n", what.c_str(),
                           static_cast<long long>(limit.count()));
              std::fflush(stderr);
              std::_Exit(3);
          }) {}

    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_one();
        thread_.join();
    }

    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;  // last, so that it starts once the members it uses exist
};

}  // namespace fernwick::tests
