#include "support/utf8_run.h"

#include <gtest/gtest.h>

#include <string>

#include "support/avx2_use.h"

namespace tolk::stdx {
namespace {

// The well-formed byte sequences as the Unicode standard tables them (its table 3-7): the range
// of each byte after a lead, or an empty range where none begins there.
struct Sequence {
    unsigned char first, last;           // the lead bytes of this row
    unsigned char second[2], others[2];  // the range of the next byte, and of the ones after
    int length;
};
constexpr Sequence kWellFormed[] = {
    {0x00, 0x7F, {0, 0}, {0, 0}, 1},
    {0xC2, 0xDF, {0x80, 0xBF}, {0, 0}, 2},
    {0xE0, 0xE0, {0xA0, 0xBF}, {0x80, 0xBF}, 3},
    {0xE1, 0xEC, {0x80, 0xBF}, {0x80, 0xBF}, 3},
    {0xED, 0xED, {0x80, 0x9F}, {0x80, 0xBF}, 3},
    {0xEE, 0xEF, {0x80, 0xBF}, {0x80, 0xBF}, 3},
    {0xF0, 0xF0, {0x90, 0xBF}, {0x80, 0xBF}, 4},
    {0xF1, 0xF3, {0x80, 0xBF}, {0x80, 0xBF}, 4},
    {0xF4, 0xF4, {0x80, 0x8F}, {0x80, 0xBF}, 4},
};

// The run end and the units of the run, character by character by the table; 1A ends the run.
std::pair<std::size_t, std::size_t> ExpectedRun(const std::string& bytes) {
    std::size_t at = 0;
    std::size_t units = 0;
    while (at < bytes.size()) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
        int length = 0;
        for (const Sequence& row : kWellFormed) {
            if (byte(0) < row.first || byte(0) > row.last || byte(0) == 0x1A) continue;
            bool whole = at + row.length <= bytes.size();
            for (int i = 1; whole && i < row.length; ++i) {
                const unsigned char* range = i == 1 ? row.second : row.others;
                whole = byte(i) >= range[0] && byte(i) <= range[1];
            }
            if (whole) length = row.length;
        }
        if (length == 0) break;
        units += byte(0) == 0 ? 0 : length == 4 ? 2 : 1;
        at += length;
    }
    return {at, units};
}

// Every pair of bytes, with the bytes after them that tell the rows apart, at each place about the
// ends of the sixteen-byte blocks, the 32-byte halves and the first sixty-four bytes, behind
// sixty-four ASCII bytes, before the end of the input or sixty-four ASCII bytes, behind ASCII text
// or a character of four bytes. Where the processor has AVX2, half the pairs at each place are
// judged without it.
TEST(Utf8RunTest, EndsWhereTheFirstCharacterThatIsNotWellFormedBegins) {
    const bool avx2 = UseAvx2();
    const std::string befores[] = {std::string(90, 'a'), std::string(36, 'a') + "\xF0\x9F\x98\x80"};
    const std::size_t places[] = {12, 13, 14, 15, 16, 17, 18, 31, 32,
                                  47, 48, 62, 63, 64, 78, 79, 80, 81};
    const std::string afters[] = {"",         "\x80",     "\x80\x80", "\xBF\xBF", "\x8F\x80",
                                  "\x9F\xBF", "\xA0\x80", "a",        "\xC3\xA9"};
    for (unsigned pair = 0; pair < 0x10000; ++pair) {
        const std::string two{static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
        for (const std::string& after : afters) {
            for (const std::string& before : befores) {
                for (const std::size_t place : places) {
                    std::string bytes = before.substr(0, place) + two + after;
                    if (place % 2 == 0) bytes += std::string(80, 'z');
                    const auto [end, units] = ExpectedRun(bytes);
                    UseAvx2() = avx2 && ((pair ^ place) & 1) == 0;
                    const char* const first = bytes.data();
                    ASSERT_EQ(FindUtf8RunEnd(first, first + bytes.size()) - first,
                              static_cast<std::ptrdiff_t>(end))
                        << pair << " " << after << " " << place;
                    ASSERT_EQ(CountUtf16Units(first, first + end), units);
                }
            }
        }
    }
    UseAvx2() = avx2;
}

}  // namespace
}  // namespace tolk::stdx
