#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace fernwick::tests {

// A directory of its own for one test, removed with everything in it afterwards.
class TempDirectory {
public:
    TempDirectory() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("fernwick-" + std::to_string(std::random_device{}()) + "-" +
                 std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes the bytes to a file of this directory and answers its path.
    std::wstring Write(std::string_view name, std::string_view bytes) const {
        const auto file = path_ / name;
        std::ofstream(file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file.wstring();
    }

private:
    std::filesystem::path path_;
};

}  // namespace fernwick::tests
