#include "support/find_unit.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tolk::stdx {
namespace {

// Every length up to three blocks and more, the wanted unit at every place or nowhere, among units
// that share bytes with it (so a search by bytes rather than by units would stop early) and with
// the search starting at every alignment.
template <typename Unit>
void ExpectFindsTheFirstEqualUnit(Unit wanted, Unit lookalike) {
    std::vector<Unit> units(64, lookalike);
    for (std::size_t offset = 0; offset < 4; ++offset) {
        for (std::size_t length = 0; length + offset <= units.size(); ++length) {
            const Unit* first = units.data() + offset;
            EXPECT_EQ(FindUnit(first, first + length, wanted), first + length) << length;
            for (std::size_t at = 0; at < length; ++at) {
                units[offset + at] = wanted;
                if (at + 1 < length) units[offset + at + 1] = wanted;
                EXPECT_EQ(FindUnit(first, first + length, wanted), first + at)
                    << length << " " << at;
                units[offset + at] = lookalike;
                if (at + 1 < length) units[offset + at + 1] = lookalike;
            }
        }
    }
}

TEST(FindUnitTest, FindsTheFirstEqualUnitOfEveryWidth) {
    ExpectFindsTheFirstEqualUnit<char>('\n', '\x0B');
    ExpectFindsTheFirstEqualUnit<char16_t>(u'\n', u'\x0A0A');
    ExpectFindsTheFirstEqualUnit<char32_t>(U'\n', U'\x0A0A0A00');
    ExpectFindsTheFirstEqualUnit<wchar_t>(L'\n', L'\x0A00');
}

// Texts whose second and last bytes stand at many places, found at every place of haystacks
// built from their own bytes, as std::string_view::find finds them.
TEST(FindUnitTest, FindsTextWhereFindDoes) {
    for (const std::string_view text : {"\\XML Applications\\", "ab", "x", "abab", "aXbXa"}) {
        for (std::size_t length = 0; length < 70; ++length) {
            std::string haystack;
            for (std::size_t i = 0; haystack.size() < length; ++i)
                haystack += text[(i * 7) % text.size()];
            for (std::size_t at = 0; at <= length; ++at) {
                const std::string withText =
                    haystack.substr(0, at) + std::string(text) + haystack.substr(at);
                const char* const first = withText.data();
                const char* const found = FindText(first, first + withText.size(), text);
                EXPECT_EQ(found - first, static_cast<std::ptrdiff_t>(withText.find(text)))
                    << text << " " << length << " " << at;
            }
            const char* const plain = haystack.data();
            const std::size_t expected = haystack.find(text);
            EXPECT_EQ(FindText(plain, plain + haystack.size(), text) - plain,
                      static_cast<std::ptrdiff_t>(expected == std::string::npos ? haystack.size()
                                                                                : expected));
        }
    }
}

}  // namespace
}  // namespace tolk::stdx
