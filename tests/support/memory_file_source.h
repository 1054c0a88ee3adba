#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "registry_helper/file_source.h"

namespace fernwick::tests {

// The bytes of one file held in memory.
class MemoryByteSource : public ByteSource {
public:
    explicit MemoryByteSource(std::string bytes) : bytes_(std::move(bytes)) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min(size, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }

    bool Seek(std::uint64_t offset) override {
        if (offset > bytes_.size()) return false;
        position_ = static_cast<std::size_t>(offset);
        return true;
    }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

// Files held in memory by path; a path that maps to nothing does not exist. It keeps every path
// it was asked about.
class MemoryFileSource : public FileSource {
public:
    void Put(std::wstring path, std::string bytes) { files_[std::move(path)] = std::move(bytes); }
    void AddNetworkDrive(std::wstring root) { networkDrives_.insert(std::move(root)); }
    // A file whose path leads through a link onto another machine.
    void PutBehindNetworkLink(std::wstring path, std::string bytes) {
        behindNetworkLinks_.insert(path);
        Put(std::move(path), std::move(bytes));
    }

    bool Exists(std::wstring_view path) override {
        askedPaths.emplace_back(path);
        return files_.count(std::wstring(path)) != 0;
    }

    std::unique_ptr<ByteSource> OpenShared(std::wstring_view path) override {
        askedPaths.emplace_back(path);
        const auto file = files_.find(std::wstring(path));
        if (file == files_.end()) return nullptr;
        return std::make_unique<MemoryByteSource>(file->second);
    }

    std::unique_ptr<ByteSource> OpenSharedOnLocalDrive(std::wstring_view path) override {
        if (behindNetworkLinks_.count(std::wstring(path)) != 0) {
            askedPaths.emplace_back(path);
            return nullptr;
        }
        return OpenShared(path);
    }

    bool IsNetworkDrive(std::wstring_view root) override {
        return networkDrives_.count(std::wstring(root)) != 0;
    }

    std::vector<std::wstring> askedPaths;

private:
    std::map<std::wstring, std::string> files_;
    std::set<std::wstring> networkDrives_;
    std::set<std::wstring> behindNetworkLinks_;
};

}  // namespace fernwick::tests
