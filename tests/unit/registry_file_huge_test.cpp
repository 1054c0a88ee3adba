// Registry files of one line of 1 GiB. The files are sparse, so they cost no disk and are made at
// once; the hole reads as zero bytes, which the UTF-8 text drops but which still belong to the
// line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "registry_helper/registry_file_reader.h"
#include "support/utf8_text_buffer.h"
#include "tests/support/std_file_source.h"
#include "tests/support/temp_files.h"

namespace fernwick {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// Counts the bytes the reader takes from its files.
class CountingFileSource : public FileSource {
public:
    bool Exists(std::wstring_view path) override { return files_.Exists(path); }

    std::unique_ptr<ByteSource> OpenShared(std::wstring_view path) override {
        auto bytes = files_.OpenShared(path);
        if (!bytes) return nullptr;
        return std::make_unique<Counted>(std::move(bytes), bytesRead);
    }

    std::uint64_t bytesRead = 0;

private:
    class Counted : public ByteSource {
    public:
        Counted(std::unique_ptr<ByteSource> bytes, std::uint64_t& count)
            : bytes_(std::move(bytes)), count_(count) {}
        std::size_t Read(char* buffer, std::size_t size) override {
            const std::size_t read = bytes_->Read(buffer, size);
            count_ += read;
            return read;
        }
        bool Seek(std::uint64_t offset) override { return bytes_->Seek(offset); }

    private:
        std::unique_ptr<ByteSource> bytes_;
        std::uint64_t& count_;
    };

    StdFileSource files_;
};

long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    }
    return -1;
}

class RegistryFileHugeTest : public ::testing::Test {
protected:
    // head, then zero bytes up to 1 GiB, then tail.
    void UseSparseFile(std::string_view head, std::string_view tail) {
        state.registryFile = directory.Write("huge.txt", head);
        const std::filesystem::path file(state.registryFile);
        std::filesystem::resize_file(file, kGiB);
        std::ofstream(file, std::ios::binary | std::ios::app)
            .write(tail.data(), static_cast<std::streamsize>(tail.size()));
    }

    // Peak resident memory grows by less than 16 MB while the lookup runs.
    template <typename Lookup>
    void ExpectBoundedMemory(Lookup lookup) {
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
        const long baseline = StatusKilobytes("VmRSS:");
        lookup();
        EXPECT_LT(StatusKilobytes("VmHWM:") - baseline, 16 * 1024);
    }

    tests::TempDirectory directory;
    CountingFileSource files;
    LookupState state;
    RegistryFileReader reader{state, files};
};

TEST_F(RegistryFileHugeTest, LongLineEndsTheTextScansAtOnceAndTheDocbaseScanReadsItAll) {
    const std::string section =
        "[documentum\\Common\\WorkingFiles\\after]\nFileName=C:\\after.xml\n";
    UseSparseFile("FileName=" + std::string(5000, 'x'),
                  "\\XML Applications\\archive\\\n" + section);

    ExpectBoundedMemory([&] {
        EXPECT_FALSE(reader.FindByObjectId(L"after", ClientLists::EditAndView));
        EXPECT_FALSE(reader.FindByFileName(L"C:\\after.xml"));
    });
    EXPECT_EQ(state.current,
              (LocalCopyRecord{L"", L"", L"", L"", L"", L"C:\\after.xml", OpenMode::None}));
    // Both scans stopped at the line's first 4094 units.
    EXPECT_LT(files.bytesRead, 1u << 20);

    // The docbase scan has no line limit: it reads the whole line.
    files.bytesRead = 0;
    ExpectBoundedMemory([&] { reader.ReadLastConnectedDocbase(); });
    EXPECT_EQ(state.lastConnectedDocbase, L"archive");
    EXPECT_GT(files.bytesRead, kGiB);
}

TEST_F(RegistryFileHugeTest, ADocbaseNameOfAGibibyteIsCutAsLinesAre) {
    UseSparseFile("x\\XML Applications\\arch", "ive\\\n");

    ExpectBoundedMemory([&] { reader.ReadLastConnectedDocbase(); });
    EXPECT_EQ(state.lastConnectedDocbase, L"arch" + std::wstring(4090, L'\0'));
}

TEST_F(RegistryFileHugeTest, ZeroBytesOfAGibibyteVanishFromTheLine) {
    UseSparseFile("[documentum\\Common\\WorkingFiles\\", "big]\nUser=u\nFileName=C:\\big.xml\n");

    ExpectBoundedMemory([&] {
        EXPECT_TRUE(reader.FindByObjectId(L"big", ClientLists::EditOnly));
        EXPECT_EQ(state.current,
                  (LocalCopyRecord{L"big", L"", L"", L"u", L"", L"C:\\big.xml", OpenMode::Edit}));
        // The section's header is read again from its start.
        EXPECT_TRUE(reader.FindByFileName(L"C:\\big.xml"));
        EXPECT_EQ(state.current,
                  (LocalCopyRecord{L"big", L"", L"", L"u", L"", L"C:\\big.xml", OpenMode::Edit}));
    });
}

TEST_F(RegistryFileHugeTest, ScansReadEachByteOfShortLinesOnceWhateverTheSize) {
    // Lines of three letters, a name across the first border of the 64 KB blocks the docbase scan
    // reads, and the sought lines at the very end.
    const std::string crossing = "x\\XML Applications\\name-without-end\n";
    const std::string end =
        "[documentum\\Common\\WorkingFiles\\last]\nFileName=C:\\last.xml\n"
        "[a\\XML Applications\\archive\\x]\n";
    for (const std::size_t lines : {std::size_t{1} << 18, std::size_t{1} << 22}) {
        std::string file(65536 - 20, '\n');
        file += crossing;
        for (std::size_t line = 0; line < lines; ++line) file += "abc\n";
        file += end;
        state.registryFile = directory.Write("short-lines.txt", file);

        files.bytesRead = 0;
        EXPECT_TRUE(reader.FindByObjectId(L"last", ClientLists::EditAndView));
        EXPECT_TRUE(reader.FindByFileName(L"C:\\last.xml"));
        state.lastConnectedDocbase.clear();
        reader.ReadLastConnectedDocbase();
        EXPECT_EQ(state.lastConnectedDocbase, L"archive");
        // Each scan reads the file once; the file-name scan reads its section's block again.
        EXPECT_LE(files.bytesRead, 3 * file.size() + 2 * tolk::stdx::Utf8TextBuffer::kByteBlock)
            << lines << " lines";
    }
}

}  // namespace
}  // namespace fernwick
