// Decodes random bytes with the facet through random buffer sizes and compares every unit, every
// refusal and its position with a plain reference decoder written from the facet's rules. Input
// that decodes cleanly is encoded back and must give the same bytes, minus the vanished 00s.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <locale>
#include <optional>
#include <string>
#include <string_view>

#include "support/utf8_locale.h"
#include "support/utf8cvt.h"

namespace {

using Codecvt = std::codecvt<wchar_t, char, std::mbstate_t>;

struct Outcome {
    std::wstring units;
    std::string error;  // empty when nothing was refused
    std::size_t errorPosition = 0;
    bool incomplete = false;  // the input ended inside a character
};

bool IsFollower(unsigned char byte) { return (byte & 0xC0) == 0x80; }

Outcome DecodeByReference(std::string_view bytes) {
    Outcome outcome;
    auto refuse = [&](const char* message, std::size_t position) {
        outcome.error = message;
        outcome.errorPosition = position;
        return outcome;
    };
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            if (lead != 0) outcome.units += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        if (lead < 0xC0) return refuse("malformd UTF-8: too many followers", i);
        if (lead < 0xC2) return refuse("overlong 2 bytes sequence", i);
        if (lead >= 0xF8) return refuse("Bad UTF-8 sequence", i);
        if (lead >= 0xF5) return refuse("Bad Unicode character - beyond U+10FFFF", i);
        const std::size_t followers = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        std::uint32_t codePoint = lead & (0x7F >> (followers + 1));
        for (std::size_t k = 1; k <= followers; ++k) {
            if (i + k == bytes.size()) {
                outcome.incomplete = true;
                return outcome;
            }
            const auto byte = static_cast<unsigned char>(bytes[i + k]);
            if (!IsFollower(byte)) return refuse("malformd UTF-8: not enough followers", i + k);
            if (k == 1 && lead == 0xE0 && byte < 0xA0) {
                return refuse("overlong 3 bytes sequence", i + k);
            }
            if (k == 1 && lead == 0xF0 && byte < 0x90) {
                return refuse("overlong 4 bytes sequence", i + k);
            }
            if (k == 1 && lead == 0xF4 && byte >= 0x90) {
                return refuse("Bad Unicode character - beyond U+10FFFF", i + k);
            }
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            return refuse("Bad Unicode character - unexpected surrogate", i + followers);
        }
        if (codePoint > 0xFFFF) {
            outcome.units += static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            outcome.units += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
        } else {
            outcome.units += static_cast<wchar_t>(codePoint);
        }
        i += followers + 1;
    }
    return outcome;
}

// Step sizes from 1 to 16, or large, so that both the byte-wise and the block-wise paths run.
std::size_t StepFrom(unsigned char seed) { return seed < 0xF0 ? (seed & 0x0F) + 1 : 4096; }

Outcome DecodeByFacet(std::string_view bytes, std::size_t inStep, std::size_t outStep) {
    const auto& facet = std::use_facet<Codecvt>(tolk::stdx::utf8Locale);
    Outcome outcome;
    std::mbstate_t state{};
    std::wstring output(outStep, L'\0');
    std::size_t position = 0;
    std::codecvt_base::result result = std::codecvt_base::ok;
    while (position < bytes.size()) {
        const std::size_t size = std::min(inStep, bytes.size() - position);
        const char* from = bytes.data() + position;
        const char* next = from;
        wchar_t* written = output.data();
        try {
            result = facet.in(state, from, from + size, next, output.data(),
                              output.data() + outStep, written);
        } catch (const tolk::stdx::utf_error& error) {
            outcome.units.append(output.data(), written);
            outcome.error = error.what();
            outcome.errorPosition = position + static_cast<std::size_t>(next - from);
            return outcome;
        }
        if (next == from && written == output.data()) __builtin_trap();
        outcome.units.append(output.data(), written);
        position += static_cast<std::size_t>(next - from);
    }
    outcome.incomplete = result == std::codecvt_base::partial;
    return outcome;
}

std::string EncodeByFacet(std::wstring_view units, std::size_t outStep) {
    const auto& facet = std::use_facet<Codecvt>(tolk::stdx::utf8Locale);
    std::mbstate_t state{};
    std::string bytes;
    std::string output(outStep, '\0');
    std::size_t position = 0;
    while (position < units.size()) {
        const wchar_t* from = units.data() + position;
        const wchar_t* next = from;
        char* written = output.data();
        facet.out(state, from, units.data() + units.size(), next, output.data(),
                  output.data() + outStep, written);
        bytes.append(output.data(), written);
        position += static_cast<std::size_t>(next - from);
    }
    for (;;) {
        char* written = output.data();
        const auto result = facet.unshift(state, output.data(), output.data() + outStep, written);
        bytes.append(output.data(), written);
        if (result == std::codecvt_base::ok) return bytes;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t inStep = StepFrom(data[0]);
    const std::size_t outStep = StepFrom(data[1]);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);

    const Outcome expected = DecodeByReference(bytes);
    const Outcome actual = DecodeByFacet(bytes, inStep, outStep);
    if (actual.units != expected.units || actual.error != expected.error ||
        actual.errorPosition != expected.errorPosition ||
        actual.incomplete != expected.incomplete) {
        __builtin_trap();
    }

    if (expected.error.empty() && !expected.incomplete) {
        std::string withoutZeros(bytes);
        std::erase(withoutZeros, '\0');
        if (EncodeByFacet(actual.units, outStep) != withoutZeros) __builtin_trap();
    }
    return 0;
}
