#include "support/utf8cvt.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/utf8_locale.h"

namespace tolk::stdx {
namespace {

using Codecvt = std::codecvt<wchar_t, char, std::mbstate_t>;

const Codecvt& Facet() { return std::use_facet<Codecvt>(utf8Locale); }

struct Decoded {
    std::codecvt_base::result result;
    std::wstring units;
    std::size_t consumed;
};

Decoded Decode(std::string_view bytes, std::mbstate_t& state, std::size_t room = 64) {
    std::wstring units(room, L'\0');
    const char* next = nullptr;
    wchar_t* written = nullptr;
    const auto result = Facet().in(state, bytes.data(), bytes.data() + bytes.size(), next,
                                   units.data(), units.data() + room, written);
    units.resize(static_cast<std::size_t>(written - units.data()));
    return {result, units, static_cast<std::size_t>(next - bytes.data())};
}

Decoded Decode(std::string_view bytes) {
    std::mbstate_t state{};
    return Decode(bytes, state);
}

// Decodes in pieces of at most inStep bytes into outputs of at most outStep units, re-presenting
// whatever a call left unconsumed, the way a stream buffer does.
std::wstring DecodeInPieces(std::string_view bytes, std::size_t inStep, std::size_t outStep) {
    std::mbstate_t state{};
    std::wstring text;
    std::size_t position = 0;
    while (position < bytes.size()) {
        const auto piece = bytes.substr(position, inStep);
        const Decoded decoded = Decode(piece, state, outStep);
        text += decoded.units;
        position += decoded.consumed;
    }
    return text;
}

struct Rejection {
    std::string message;
    std::size_t position;
    std::wstring unitsBefore;
};

Rejection DecodeRejected(std::string_view bytes) {
    std::mbstate_t state{};
    std::wstring units(64, L'\0');
    const char* next = nullptr;
    wchar_t* written = nullptr;
    try {
        Facet().in(state, bytes.data(), bytes.data() + bytes.size(), next, units.data(),
                   units.data() + units.size(), written);
    } catch (const std::runtime_error& error) {
        EXPECT_NE(dynamic_cast<const utf_error*>(&error), nullptr);
        units.resize(static_cast<std::size_t>(written - units.data()));
        return {error.what(), static_cast<std::size_t>(next - bytes.data()), units};
    }
    ADD_FAILURE() << "no utf_error for " << ::testing::PrintToString(bytes);
    return {};
}

TEST(Utf8cvtDecodeTest, WellFormedSequencesGiveTheirUtf16Units) {
    const struct {
        std::string_view bytes;
        std::wstring units;
    } cases[] = {
        {"\x41", L"\x0041"},
        {"\xC3\xA9", L"\x00E9"},
        {"\xE2\x82\xAC", L"\x20AC"},
        {"\xE0\xA0\x80", L"\x0800"},
        {"\xED\x9F\xBF", L"\xD7FF"},
        {"\xEE\x80\x80", L"\xE000"},
        {"\xEF\xBF\xBF", L"\xFFFF"},
        {"\xEF\xBB\xBF", L"\xFEFF"},
        {"\xF0\x9F\x98\x80", {wchar_t(0xD83D), wchar_t(0xDE00)}},
        {"\xF0\x90\x80\x80", {wchar_t(0xD800), wchar_t(0xDC00)}},
        {"\xF3\xA0\x80\x80", {wchar_t(0xDB40), wchar_t(0xDC00)}},
        {"\xF4\x8F\xBF\xBF", {wchar_t(0xDBFF), wchar_t(0xDFFF)}},
        {std::string_view("a\0b", 3), L"ab"},
        {std::string_view("\0", 1), L""},
    };
    for (const auto& c : cases) {
        const Decoded decoded = Decode(c.bytes);
        EXPECT_EQ(decoded.result, std::codecvt_base::ok) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(decoded.units, c.units) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(decoded.consumed, c.bytes.size());
    }
}

TEST(Utf8cvtDecodeTest, SurrogatePairCrossesAOneUnitOutput) {
    const std::string_view bytes = "\xF0\x9F\x98\x80";
    std::mbstate_t state{};
    const Decoded high = Decode(bytes, state, 1);
    EXPECT_EQ(high.result, std::codecvt_base::partial);
    EXPECT_EQ(high.units, std::wstring(1, wchar_t(0xD83D)));
    EXPECT_EQ(high.consumed, 3u);

    const Decoded low = Decode(bytes.substr(3), state, 1);
    EXPECT_EQ(low.result, std::codecvt_base::ok);
    EXPECT_EQ(low.units, std::wstring(1, wchar_t(0xDE00)));
    EXPECT_EQ(low.consumed, 1u);
}

TEST(Utf8cvtDecodeTest, IncompleteSequenceWaitsInTheState) {
    std::mbstate_t state{};
    const Decoded lead = Decode("\xC3", state);
    EXPECT_EQ(lead.result, std::codecvt_base::partial);
    EXPECT_EQ(lead.units, L"");
    EXPECT_EQ(lead.consumed, 1u);
    const Decoded rest = Decode("\xA9", state);
    EXPECT_EQ(rest.result, std::codecvt_base::ok);
    EXPECT_EQ(rest.units, L"\x00E9");
}

TEST(Utf8cvtDecodeTest, AnyBufferSizesGiveTheSameText) {
    std::string bytes;
    for (int i = 0; i < 40; ++i) {
        bytes += "plain ASCII text of a registry line";
        bytes += std::string_view("\0", 1);
        bytes += "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n";
    }
    std::mbstate_t state{};
    const std::wstring whole = Decode(bytes, state, 4096).units;
    ASSERT_EQ(whole.size(), 40u * (35 + 2 + 2 + 2));
    for (std::size_t inStep : {1u, 2u, 3u, 7u, 8u, 9u, 64u, 5000u}) {
        for (std::size_t outStep : {1u, 2u, 5u, 8u, 17u, 4096u}) {
            EXPECT_EQ(DecodeInPieces(bytes, inStep, outStep), whole)
                << "in " << inStep << ", out " << outStep;
        }
    }
}

TEST(Utf8cvtDecodeTest, MalformedInputThrowsAtTheOffendingByte) {
    const struct {
        std::string_view bytes;
        const char* message;
        std::size_t position;
        std::wstring_view convertedFirst = L"";
    } cases[] = {
        {"\x80", "malformd UTF-8: too many followers", 0},
        {"ab\xC3\xA9\xA9", "malformd UTF-8: too many followers", 4, L"ab\x00E9"},
        {"\xC0\x80", "overlong 2 bytes sequence", 0},
        {"\xC1\xBF", "overlong 2 bytes sequence", 0},
        {"\xE0\x9F\xBF", "overlong 3 bytes sequence", 1},
        {"\xF0\x8F\xBF\xBF", "overlong 4 bytes sequence", 1},
        {"\xED\xA0\x80", "Bad Unicode character - unexpected surrogate", 2},
        {"\xED\xBF\xBF", "Bad Unicode character - unexpected surrogate", 2},
        {"\xF8", "Bad UTF-8 sequence", 0},
        {"\xFC", "Bad UTF-8 sequence", 0},
        {"\xFE", "Bad UTF-8 sequence", 0},
        {"\xFF", "Bad UTF-8 sequence", 0},
        {"\xC3\x41", "malformd UTF-8: not enough followers", 1},
        {"\xE2\x82\xF0", "malformd UTF-8: not enough followers", 2},
        {"\xF0\x9F\x98\x80\xDF\x41", "malformd UTF-8: not enough followers", 5, L"\xD83D\xDE00"},
        {"\xF4\x90\x80\x80", "Bad Unicode character - beyond U+10FFFF", 1},
        {"\xF5\x80\x80\x80", "Bad Unicode character - beyond U+10FFFF", 0},
        {"\xF7\xBF\xBF\xBF", "Bad Unicode character - beyond U+10FFFF", 0},
    };
    for (const auto& c : cases) {
        const std::string prefixed = "x\xC3\xA9" + std::string(c.bytes);
        const Rejection rejection = DecodeRejected(prefixed);
        EXPECT_EQ(rejection.message, c.message) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(rejection.position, 3 + c.position) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(rejection.unitsBefore, L"x\x00E9" + std::wstring(c.convertedFirst))
            << ::testing::PrintToString(c.bytes);
    }
}

TEST(Utf8cvtTest, AnswersItsFixedProperties) {
    const Codecvt& facet = Facet();
    EXPECT_EQ(facet.max_length(), 6);
    EXPECT_EQ(facet.encoding(), -1);
    EXPECT_FALSE(facet.always_noconv());
    std::mbstate_t state{};
    const std::string_view bytes = "\xC3\xA9\xE2\x82\xAC";
    EXPECT_EQ(facet.length(state, bytes.data(), bytes.data() + bytes.size(), 3), 3);
    EXPECT_EQ(facet.length(state, bytes.data(), bytes.data() + bytes.size(), 99), 5);
}

struct Encoded {
    std::codecvt_base::result result;
    std::string bytes;
};

Encoded Encode(std::wstring_view units, std::mbstate_t& state, std::size_t room = 64) {
    std::string bytes(room, '\0');
    const wchar_t* next = nullptr;
    char* written = nullptr;
    const auto result = Facet().out(state, units.data(), units.data() + units.size(), next,
                                    bytes.data(), bytes.data() + room, written);
    EXPECT_EQ(next, units.data() + units.size());
    bytes.resize(static_cast<std::size_t>(written - bytes.data()));
    return {result, bytes};
}

Encoded Unshift(std::mbstate_t& state, std::size_t room = 64) {
    std::string bytes(room, '\0');
    char* written = nullptr;
    const auto result = Facet().unshift(state, bytes.data(), bytes.data() + room, written);
    bytes.resize(static_cast<std::size_t>(written - bytes.data()));
    return {result, bytes};
}

TEST(Utf8cvtEncodeTest, WritesUtf8AndLeavesTheLastContinuationBytesPending) {
    const struct {
        std::wstring units;
        std::string_view bytes;
    } complete[] = {
        {L"\x00E9\x0041", "\xC3\xA9\x41"},
        {L"\x1000\x0041", "\xE1\x80\x80\x41"},
        {{wchar_t(0xD800), wchar_t(0xDC00), L'A'}, "\xF0\x90\x80\x80\x41"},
        {{wchar_t(0xDBFF), wchar_t(0xDFFF), L'A'}, "\xF4\x8F\xBF\xBF\x41"},
        {L"\x0041", "\x41"},
    };
    for (const auto& c : complete) {
        std::mbstate_t state{};
        const Encoded encoded = Encode(c.units, state);
        EXPECT_EQ(encoded.result, std::codecvt_base::ok);
        EXPECT_EQ(encoded.bytes, c.bytes);
    }

    std::mbstate_t state{};
    const Encoded lead = Encode(L"\x20AC", state);
    EXPECT_EQ(lead.result, std::codecvt_base::partial);
    EXPECT_EQ(lead.bytes, "\xE2");
    const Encoded rest = Unshift(state);
    EXPECT_EQ(rest.result, std::codecvt_base::ok);
    EXPECT_EQ(rest.bytes, "\x82\xAC");
    EXPECT_EQ(Unshift(state).result, std::codecvt_base::ok);

    std::mbstate_t narrow{};
    Encode(L"\x20AC", narrow);
    const Encoded first = Unshift(narrow, 1);
    EXPECT_EQ(first.result, std::codecvt_base::partial);
    EXPECT_EQ(first.bytes, "\x82");
    const Encoded second = Unshift(narrow, 1);
    EXPECT_EQ(second.result, std::codecvt_base::ok);
    EXPECT_EQ(second.bytes, "\xAC");
}

TEST(Utf8cvtEncodeTest, OneByteOutputsStillGiveTheWholeText) {
    const std::wstring units = {wchar_t(0xD83D), wchar_t(0xDE00), L'b', wchar_t(0x20AC)};
    std::mbstate_t state{};
    std::string bytes;
    std::size_t position = 0;
    while (position < units.size()) {
        char byte = 0;
        const wchar_t* next = nullptr;
        char* written = nullptr;
        Facet().out(state, units.data() + position, units.data() + units.size(), next, &byte,
                    &byte + 1, written);
        bytes.append(&byte, static_cast<std::size_t>(written - &byte));
        position = static_cast<std::size_t>(next - units.data());
    }
    for (Encoded tail = Unshift(state, 1);; tail = Unshift(state, 1)) {
        bytes += tail.bytes;
        if (tail.result == std::codecvt_base::ok) break;
    }
    EXPECT_EQ(bytes, "\xF0\x9F\x98\x80\x62\xE2\x82\xAC");
}

TEST(Utf8cvtEncodeTest, UnpairedSurrogatesAreRefused) {
    const std::wstring refused[] = {
        {wchar_t(0xDC00)},
        {L'a', wchar_t(0xDFFF)},
        {wchar_t(0xD800), L'A'},
        {wchar_t(0xD800), wchar_t(0xD800)},
    };
    for (const auto& units : refused) {
        std::mbstate_t state{};
        std::string bytes(16, '\0');
        const wchar_t* next = nullptr;
        char* written = nullptr;
        try {
            Facet().out(state, units.data(), units.data() + units.size(), next, bytes.data(),
                        bytes.data() + bytes.size(), written);
            ADD_FAILURE() << "accepted " << units.size() << " units";
        } catch (const utf_error& error) {
            EXPECT_STREQ(error.what(), "Bad Unicode character");
        }
    }

    std::mbstate_t state{};
    EXPECT_EQ(Encode(std::wstring(1, wchar_t(0xDBFF)), state).result, std::codecvt_base::partial);
    EXPECT_THROW(Unshift(state), utf_error);
}

}  // namespace
}  // namespace tolk::stdx
