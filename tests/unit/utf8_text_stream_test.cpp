#include "support/utf8_text_stream.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/utf8_locale.h"
#include "tests/support/memory_file_source.h"

namespace tolk::stdx {
namespace {

using fernwick::tests::MemoryByteSource;

std::unique_ptr<Utf8TextStream> StreamOver(std::string bytes) {
    return std::make_unique<Utf8TextStream>(std::make_unique<MemoryByteSource>(std::move(bytes)));
}

std::vector<std::wstring> LinesOf(std::string bytes) {
    auto stream = StreamOver(std::move(bytes));
    std::vector<std::wstring> lines;
    for (std::wstring line; std::getline(*stream, line);) lines.push_back(line);
    EXPECT_FALSE(stream->bad());
    return lines;
}

std::optional<Utf8TextBuffer::LineMark> LineStart(Utf8TextStream& stream) {
    return stream.Buffer().MarkLineStart();
}

// Goes back to a marked line start and reads the line found there.
std::wstring LineAt(Utf8TextStream& stream, const Utf8TextBuffer::LineMark& mark) {
    stream.clear();
    if (!stream.Buffer().ReturnTo(mark)) return L"<cannot return>";
    std::wstring line;
    std::getline(stream, line);
    return line;
}

using Lines = std::vector<std::wstring>;

// The lines of ASCII text as a scan that passes lines by their bytes peeks them, one by one.
Lines PeekedLinesOf(std::string bytes) {
    auto stream = StreamOver(std::move(bytes));
    Lines lines;
    while (const auto line = stream->Buffer().PeekPlainLine()) {
        lines.emplace_back(line->bytes.begin(), line->bytes.end());
        stream->Buffer().SkipPeekedLine();
    }
    return lines;
}

TEST(Utf8TextStreamTest, ReadsUtf8WithTheTextRulesOfRegistryFiles) {
    EXPECT_EQ(StreamOver("")->getloc(), utf8Locale);
    EXPECT_EQ(LinesOf("a\r\nb\rc\n\r\n"), (Lines{L"a", L"b\rc", L""}));
    EXPECT_EQ(LinesOf("a\r"), (Lines{L"a\r"}));
    EXPECT_EQ(LinesOf("one\ntwo\x1Athree\nfour\n"), (Lines{L"one", L"two"}));
    EXPECT_EQ(LinesOf(std::string("a\0b\n\0\0\n", 7)), (Lines{L"ab", L""}));
    EXPECT_EQ(LinesOf("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\n"),
              (Lines{{wchar_t(0xE9), wchar_t(0x20AC), wchar_t(0xD83D), wchar_t(0xDE00)}}));
    // Only a byte-order mark at the very start is dropped.
    EXPECT_EQ(LinesOf("\xEF\xBB\xBF[head]\nx\xEF\xBB\xBFy\n"), (Lines{L"[head]", L"x\xFEFFy"}));
    EXPECT_EQ(LinesOf("\xEF\xBB"), Lines{});
}

TEST(Utf8TextStreamTest, LinesCrossingEveryInnerBoundaryComeOutWhole) {
    std::string bytes;
    Lines expected;
    auto add = [&](std::string body, std::wstring text, const char* ending) {
        bytes += body + ending;
        expected.push_back(text);
    };
    constexpr std::size_t kBlock = Utf8TextBuffer::kByteBlock;
    for (const std::size_t length : std::initializer_list<std::size_t>{
             4094, 4095, 16383, 16384, 16385, kBlock - 2, kBlock - 1, kBlock}) {
        add(std::string(length, 'a'), std::wstring(length, L'a'), "\r\n");
    }
    add(std::string(16382, 'b') + "\xF0\x9F\x98\x80",
        std::wstring(16382, L'b') + wchar_t(0xD83D) + wchar_t(0xDE00), "\n");
    add(std::string(16383, 'c') + "\rd", std::wstring(16383, L'c') + L"\rd", "\n");
    add(std::string(70000, 'e') + "\xC3\xA9", std::wstring(70000, L'e') + wchar_t(0xE9), "\r\n");
    EXPECT_EQ(LinesOf(bytes), expected);
}

// Past the first megabyte the blocks grow: numbered lines carried across both kinds of block end.
TEST(Utf8TextStreamTest, LinesComeOutWholeWhereTheBlocksGrow) {
    std::string bytes;
    Lines expected;
    for (std::size_t line = 0;
         bytes.size() < Utf8TextBuffer::kLargeSource + 2 * Utf8TextBuffer::kLargeByteBlock;
         ++line) {
        const std::string text = std::to_string(line) + std::string(97 + line % 7, 'g');
        bytes += text + "\n";
        expected.emplace_back(text.begin(), text.end());
    }
    EXPECT_EQ(LinesOf(bytes), expected);
    EXPECT_EQ(PeekedLinesOf(bytes), expected);
}

TEST(Utf8TextStreamTest, BoundedLineReadStopsAtTheLimit) {
    wchar_t line[4095];
    auto exact = StreamOver(std::string(4094, 'x') + "\nnext\n");
    exact->getline(line, 4095);
    EXPECT_TRUE(exact->good());
    EXPECT_EQ(std::wstring(line), std::wstring(4094, L'x'));
    exact->getline(line, 4095);
    EXPECT_EQ(std::wstring(line), L"next");

    auto longer = StreamOver(std::string(4095, 'x') + "\n");
    longer->getline(line, 4095);
    EXPECT_TRUE(longer->fail());
    EXPECT_EQ(std::wstring(line), std::wstring(4094, L'x'));

    auto unterminated = StreamOver("last");
    unterminated->getline(line, 4095);
    EXPECT_TRUE(unterminated->eof());
    EXPECT_FALSE(unterminated->fail());
    EXPECT_EQ(std::wstring(line), L"last");
    unterminated->getline(line, 4095);
    EXPECT_TRUE(unterminated->fail());
    EXPECT_EQ(std::wstring(line), L"");
}

TEST(Utf8TextStreamTest, MalformedByteKeepsTheUnitsBeforeItAndTurnsTheStreamBad) {
    wchar_t line[4095];
    auto stream = StreamOver("first\r\nse\xC3\xA9\xC3\x41nd\nthird\n");
    stream->getline(line, 4095);
    EXPECT_EQ(std::wstring(line), L"first");
    stream->getline(line, 4095);
    EXPECT_TRUE(stream->bad());
    EXPECT_EQ(std::wstring(line), L"se\xE9");

    auto carriageReturnFirst = StreamOver("ab\r\x80");
    std::wstring text;
    std::getline(*carriageReturnFirst, text);
    EXPECT_TRUE(carriageReturnFirst->bad());
    EXPECT_EQ(text, L"ab\r");

    auto farInALongLine = StreamOver(std::string(100000, 'a') + "\xFF" + "tail\n");
    std::getline(*farInALongLine, text);
    EXPECT_TRUE(farInALongLine->bad());
    EXPECT_EQ(text, std::wstring(100000, L'a'));
}

TEST(Utf8TextStreamTest, ReturnsToWhereALineBegan) {
    const std::string bytes =
        "\xEF\xBB\xBF[a]\r\n\xC3\xA9"
        "dition\n\n\xF0\x9F\x98\x80x\n" +
        std::string(70000, 'y') + "\nlast";
    auto stream = StreamOver(bytes);
    std::vector<Utf8TextBuffer::LineMark> starts;
    Lines lines;
    for (std::wstring line; stream->peek() != std::wistream::traits_type::eof();) {
        const auto start = LineStart(*stream);
        ASSERT_TRUE(start.has_value()) << lines.size();
        starts.push_back(*start);
        std::getline(*stream, line);
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 6u);
    for (std::size_t i = lines.size(); i-- > 0;) {
        EXPECT_EQ(LineAt(*stream, starts[i]), lines[i]) << i;
    }

    // Inside a line the start is not known.
    stream->clear();
    ASSERT_TRUE(stream->Buffer().ReturnTo(starts[1]));
    ASSERT_TRUE(LineStart(*stream).has_value());
    stream->get();
    EXPECT_FALSE(LineStart(*stream).has_value());

    // A file that has lost the lines marked cannot be returned to.
    auto shorter = StreamOver("[a]\n");
    EXPECT_FALSE(shorter->Buffer().ReturnTo(starts[4]));
}

TEST(Utf8TextStreamTest, KnowsLineStartsAtEveryChunkAndBlockBoundary) {
    // Lines of every length from 1 to 40 bytes put line starts on every inner boundary of the
    // buffer sooner or later, and so cut there a CR LF pair, a character of two or three bytes
    // that begins a line, a CR that begins one, and bytes that yield nothing.
    const std::string openings[] = {"[", "\xC3\xA9", "\xE2\x82\xAC", "\r", std::string("\0[", 2)};
    std::string bytes;
    for (std::size_t i = 0; bytes.size() < 300000; ++i) {
        bytes += openings[i % 5];
        bytes.append(i % 38, 'h');
        bytes += "]\r\n";
    }
    auto stream = StreamOver(bytes);
    std::vector<Utf8TextBuffer::LineMark> starts;
    Lines lines;
    for (std::wstring line;;) {
        // Looking at the next unit first, as a scan does, moves the buffer on to the next chunk.
        if (stream->peek() == std::wistream::traits_type::eof()) break;
        const auto start = LineStart(*stream);
        ASSERT_TRUE(start.has_value()) << lines.size();
        starts.push_back(*start);
        std::getline(*stream, line);
        lines.push_back(line);
    }
    ASSERT_FALSE(stream->bad());
    for (std::size_t i = lines.size(); i-- > 0;) {
        ASSERT_EQ(LineAt(*stream, starts[i]), lines[i]) << i;
    }
}

}  // namespace
}  // namespace tolk::stdx
