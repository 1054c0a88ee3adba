#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "registry_file_scan/registry_line_scanner.h"
#include "tests/support/memory_file_source.h"

namespace fernwick {
namespace {

using tolk::stdx::Utf8TextStream;

std::unique_ptr<Utf8TextStream> StreamOver(const std::string& bytes) {
    return std::make_unique<Utf8TextStream>(std::make_unique<tests::MemoryByteSource>(bytes));
}

// The scanner reads exactly as std::wistream::getline with a 4095-unit buffer does on the same
// bytes: the same lines and the same stream states after each read.
void ExpectLikeGetline(const std::string& bytes) {
    auto scanned = StreamOver(bytes);
    auto reference = StreamOver(bytes);
    RegistryLineScanner lines(*scanned);
    wchar_t line[RegistryLineScanner::kMaxLineUnits + 1];
    for (int read = 0; lines.CanRead(); ++read) {
        const std::wstring got(lines.Read());
        reference->getline(line, RegistryLineScanner::kMaxLineUnits + 1);
        ASSERT_EQ(got, std::wstring(line)) << "line " << read;
        ASSERT_EQ(scanned->rdstate(), reference->rdstate()) << "line " << read;
    }
    EXPECT_TRUE(reference->fail());
}

TEST(RegistryLineScannerTest, ReadsAsTheBoundedGetlineDoesAcrossEveryInnerBoundary) {
    std::string bytes;
    for (std::size_t length : {0u, 1u, 4093u, 4094u}) {
        bytes += std::string(length, 'a') + "\r\n";
    }
    // Lines of every length up to 60 put line feeds and CR LF pairs on every chunk boundary.
    for (std::size_t i = 0; bytes.size() < 200000; ++i) bytes += std::string(i % 60, 'b') + "\r\n";
    ExpectLikeGetline(bytes);
    ExpectLikeGetline(bytes + "unterminated");
    ExpectLikeGetline(bytes + std::string(4094, 'c') + "\nnext\n");
    ExpectLikeGetline(bytes + std::string(4094, 'c'));
    ExpectLikeGetline(bytes + std::string(4095, 'c') + "\nnext\n");
    ExpectLikeGetline(bytes + std::string(20000, 'c') + "\n");
    ExpectLikeGetline(bytes + "se\xC3\xA9\xC3\x41nd\nafter\n");
    ExpectLikeGetline(bytes + std::string(4094, 'c') + "\xFF\n");
    ExpectLikeGetline(bytes + std::string(4093, 'c') + "\xF0\x9F\x98\x80\n");
    ExpectLikeGetline("\xEF\xBB\xBF[a]\r\n\x1A[b]\n");
    ExpectLikeGetline("");
}

TEST(RegistryLineScannerTest, SeesHeadersAheadAndReturnsToThem) {
    auto stream = StreamOver(std::string(4000, 'x') + "\n[head]\r\nentry=1\n");
    RegistryLineScanner lines(*stream);
    EXPECT_FALSE(lines.NextIsSectionHeader());
    lines.Read();
    ASSERT_TRUE(lines.NextIsSectionHeader());
    const auto start = lines.NextLineMark();
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(lines.Read(), L"[head]");
    EXPECT_EQ(lines.Read(), L"entry=1");
    EXPECT_EQ(lines.Read(), L"");
    EXPECT_FALSE(lines.CanRead());
    EXPECT_FALSE(lines.ReturnTo(*start));
    stream->clear();
    ASSERT_TRUE(lines.ReturnTo(*start));
    EXPECT_EQ(lines.Read(), L"[head]");

    auto malformed = StreamOver("\x80[head]\n");
    RegistryLineScanner bad(*malformed);
    EXPECT_FALSE(bad.NextIsSectionHeader());
    EXPECT_TRUE(malformed->bad());
    EXPECT_FALSE(bad.CanRead());
}

}  // namespace
}  // namespace fernwick
