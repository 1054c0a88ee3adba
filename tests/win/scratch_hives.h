#pragma once

// Redirects HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, for every thread of the process, into two
// scratch keys of the real current user's hive while the object lives, so that lookups read only
// what a test wrote there. The scratch keys are deleted afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/unique_handles_win32.h"

namespace fernwick {

class ScratchHives {
public:
    explicit ScratchHives(std::wstring scratchKey) : scratchKey_(std::move(scratchKey)) {
        RegDeleteTreeW(HKEY_CURRENT_USER, scratchKey_.c_str());
        user_ = Create(scratchKey_ + L"\\user");
        machine_ = Create(scratchKey_ + L"\\machine");
        EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, user_.get()), ERROR_SUCCESS);
        EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get()), ERROR_SUCCESS);
    }
    ~ScratchHives() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        user_.reset();
        machine_.reset();
        EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, scratchKey_.c_str()), ERROR_SUCCESS);
    }
    ScratchHives(const ScratchHives&) = delete;
    ScratchHives& operator=(const ScratchHives&) = delete;

    HKEY User() const { return user_.get(); }
    HKEY Machine() const { return machine_.get(); }

private:
    static tolk::stdx::UniqueHkey Create(const std::wstring& path) {
        tolk::stdx::UniqueHkey key;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    std::wstring scratchKey_;
    tolk::stdx::UniqueHkey user_;
    tolk::stdx::UniqueHkey machine_;
};

}  // namespace fernwick
