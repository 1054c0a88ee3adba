#include "support/find_unit.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tolk::stdx
