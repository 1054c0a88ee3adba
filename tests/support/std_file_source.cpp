#include "tests/support/std_file_source.h"

#include <filesystem>
#include <fstream>

namespace fernwick {
namespace {

class StdByteSource : public ByteSource {
public:
    explicit StdByteSource(std::filebuf file) : file_(std::move(file)) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        return static_cast<std::size_t>(file_.sgetn(buffer, static_cast<std::streamsize>(size)));
    }

    bool Seek(std::uint64_t offset) override {
        const auto position = static_cast<std::streamoff>(offset);
        return file_.pubseekpos(position, std::ios_base::in) == std::streampos(position);
    }

private:
    std::filebuf file_;
};

}  // namespace

bool StdFileSource::Exists(std::wstring_view path) {
    std::error_code error;
    const auto status = std::filesystem::status(std::filesystem::path(path), error);
    return std::filesystem::is_regular_file(status) || std::filesystem::is_directory(status);
}

std::unique_ptr<ByteSource> StdFileSource::OpenShared(std::wstring_view path) {
    const std::filesystem::path file(path);
    std::error_code error;
    // Opening a pipe waits for a writer.
    if (!std::filesystem::is_regular_file(file, error)) return nullptr;
    std::filebuf buffer;
    if (buffer.open(file, std::ios_base::in | std::ios_base::binary) == nullptr) return nullptr;
    return std::make_unique<StdByteSource>(std::move(buffer));
}

}  // namespace fernwick
