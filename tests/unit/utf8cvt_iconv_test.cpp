// Every input of one to three bytes, decoded by the facet and by glibc's iconv as the reference.
// Native only: the Windows runtime has no iconv. It takes most of a minute (the facet throws for
// most inputs), so `make fuzz` runs it rather than `make test`.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "support/unique_resource.h"
#include "support/utf8_locale.h"
#include "support/utf8cvt.h"

namespace tolk::stdx {
namespace {

enum class Outcome { Complete, Incomplete, Malformed };

struct Conversion {
    Outcome outcome;
    std::wstring units;  // those converted ahead of an incomplete or malformed sequence too
    std::size_t errorPosition = 0;
};

Conversion DecodeWithFacet(const char* bytes, std::size_t size) {
    const auto& facet = std::use_facet<std::codecvt<wchar_t, char, std::mbstate_t>>(utf8Locale);
    std::mbstate_t state{};
    wchar_t units[8];
    const char* next = bytes;
    wchar_t* written = units;
    try {
        const auto result = facet.in(state, bytes, bytes + size, next, units, units + 8, written);
        return {result == std::codecvt_base::ok ? Outcome::Complete : Outcome::Incomplete,
                std::wstring(units, written)};
    } catch (const utf_error&) {
        return {Outcome::Malformed, std::wstring(units, written),
                static_cast<std::size_t>(next - bytes)};
    }
}

iconv_t ClosedIconv() noexcept { return reinterpret_cast<iconv_t>(-1); }

class IconvReference {
public:
    IconvReference() : descriptor_(iconv_open("UTF-16LE", "UTF-8")) {}

    bool IsOpen() const { return static_cast<bool>(descriptor_); }

    // The facet lets 00 vanish; the reference's U+0000 units are dropped to match.
    Conversion Decode(const char* bytes, std::size_t size) const {
        iconv(descriptor_.get(), nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes);
        std::size_t inLeft = size;
        unsigned char out[16];
        char* outNext = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        const std::size_t status = iconv(descriptor_.get(), &in, &inLeft, &outNext, &outLeft);
        const int error = errno;
        Conversion conversion{Outcome::Complete, {}};
        for (auto unit = out; unit + 1 < reinterpret_cast<unsigned char*>(outNext); unit += 2) {
            const wchar_t value = static_cast<wchar_t>(unit[0] | (unit[1] << 8));
            if (value != 0) conversion.units += value;
        }
        if (status == static_cast<std::size_t>(-1)) {
            conversion.outcome = error == EINVAL ? Outcome::Incomplete : Outcome::Malformed;
            conversion.errorPosition = static_cast<std::size_t>(in - bytes);
        }
        return conversion;
    }

private:
    UniqueResource<iconv_t, iconv_close, ClosedIconv> descriptor_;
};

TEST(Utf8cvtExhaustiveTest, AgreesWithIconvOnEveryInputOfUpToThreeBytes) {
    const IconvReference reference;
    ASSERT_TRUE(reference.IsOpen());
    std::size_t compared = 0;
    std::size_t disagreements = 0;
    for (std::size_t size = 1; size <= 3; ++size) {
        const std::uint32_t count = 1u << (8 * size);
        for (std::uint32_t value = 0; value < count; ++value) {
            char bytes[3];
            for (std::size_t i = 0; i < size; ++i) {
                bytes[i] = static_cast<char>(value >> (8 * (size - 1 - i)));
            }
            const Conversion facet = DecodeWithFacet(bytes, size);
            const Conversion expected = reference.Decode(bytes, size);
            ++compared;
            // The facet refuses a sequence at the byte that proves it wrong, iconv at its lead, and
            // iconv calls a cut-off sequence incomplete even when its first bytes already rule it
            // out. The facet's messages and exact positions have their own tests.
            const bool sameOutcome =
                facet.outcome == expected.outcome ||
                (facet.outcome == Outcome::Malformed && expected.outcome == Outcome::Incomplete);
            const bool agree =
                sameOutcome && facet.units == expected.units &&
                (facet.outcome != Outcome::Malformed ||
                 (facet.errorPosition >= expected.errorPosition && facet.errorPosition < size));
            if (!agree && ++disagreements <= 10) {
                ADD_FAILURE() << "bytes " << ::testing::PrintToString(std::string(bytes, size))
                              << ": facet " << static_cast<int>(facet.outcome) << " at "
                              << facet.errorPosition << ", iconv "
                              << static_cast<int>(expected.outcome) << " at "
                              << expected.errorPosition;
            }
        }
    }
    EXPECT_EQ(compared, 256u + 65536u + 16777216u);
    EXPECT_EQ(disagreements, 0u);
}

}  // namespace
}  // namespace tolk::stdx
