#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tolk::stdx {

// The first unit equal to value in [first, last), or last. The line and end-of-text searches of
// the registry file reader run over every byte of a file, and the C runtimes under the Windows
// builds search one unit at a time, so the search compares sixteen bytes at a time wherever SSE2
// is there, which is every build we make.
template <typename Unit>
const Unit* FindUnit(const Unit* first, const Unit* last, Unit value) {
    static_assert(sizeof(Unit) == 1 || sizeof(Unit) == 2 || sizeof(Unit) == 4);
#if defined(__SSE2__)
    constexpr std::ptrdiff_t kPerBlock = 16 / sizeof(Unit);
    __m128i wanted;
    if constexpr (sizeof(Unit) == 1) {
        wanted = _mm_set1_epi8(static_cast<char>(value));
    } else if constexpr (sizeof(Unit) == 2) {
        wanted = _mm_set1_epi16(static_cast<short>(value));
    } else {
        wanted = _mm_set1_epi32(static_cast<int>(value));
    }
    // One bit a byte, set for the bytes of the units in the block at that equal value.
    const auto equalBytes = [wanted](const Unit* at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        if constexpr (sizeof(Unit) == 1) {
            return _mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted));
        } else if constexpr (sizeof(Unit) == 2) {
            return _mm_movemask_epi8(_mm_cmpeq_epi16(block, wanted));
        } else {
            return _mm_movemask_epi8(_mm_cmpeq_epi32(block, wanted));
        }
    };
    // Two blocks a step while nothing is found; the step that finds it looks again block by block.
    while (last - first >= 2 * kPerBlock &&
           (equalBytes(first) | equalBytes(first + kPerBlock)) == 0) {
        first += 2 * kPerBlock;
    }
    for (; last - first >= kPerBlock; first += kPerBlock) {
        if (const int bytes = equalBytes(first)) {
            return first + __builtin_ctz(static_cast<unsigned>(bytes)) / sizeof(Unit);
        }
    }
#endif
    for (; first != last; ++first) {
        if (*first == value) return first;
    }
    return last;
}

// The last byte equal to value in [first, last), or nullptr: sixteen bytes a step back from last.
inline const char* FindLastUnit(const char* first, const char* last, char value) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(value);
    for (; last - first >= 16; last -= 16) {
        const auto bytes = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(last - 16)), wanted)));
        if (bytes != 0) return last - 16 + (31 - __builtin_clz(bytes));
    }
#endif
    while (last != first) {
        if (*--last == value) return last;
    }
    return nullptr;
}

// The first of the blocks of 64 bytes from first on that holds a byte other than zero, or the
// first that does not lie whole before last. Out of line: it is seldom called, and the scans that
// call it keep their values in registers.
[[gnu::noinline]] inline const char* PastZeroBlocks64(const char* first, const char* last) {
    for (; last - first >= 64; first += 64) {
#if defined(__SSE2__)
        const auto load = [first](int block) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 16 * block));
        };
        const __m128i any =
            _mm_or_si128(_mm_or_si128(load(0), load(1)), _mm_or_si128(load(2), load(3)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF) break;
#else
        if (std::any_of(first, first + 64, [](char byte) { return byte != '\0'; })) break;
#endif
    }
    return first;
}

// The first byte in [first, last) that is not zero, or last: the run of zero bytes that begins at
// first is passed sixteen bytes at a time, or where it fills the first sixteen, sixty-four.
inline const char* SkipZeroBytes(const char* first, const char* last) {
#if defined(__SSE2__)
    const auto zerosOf = [](const char* at) {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), _mm_setzero_si128()));
    };
    if (last - first >= 16 && zerosOf(first) == 0xFFFF) first = PastZeroBlocks64(first, last);
    for (; last - first >= 16; first += 16) {
        const int zeros = zerosOf(first);
        if (zeros != 0xFFFF) return first + __builtin_ctz(static_cast<unsigned>(~zeros));
    }
#endif
    while (first != last && *first == '\0') ++first;
    return first;
}

// The first place in [first, last) where text begins, or last. Places are sifted thirty-two at a
// time by the text's second and last bytes, which sets apart text that begins or ends like many
// others; only places that hold both are compared whole.
[[gnu::always_inline]] inline const char* FindText(const char* first, const char* last,
                                                   std::string_view text) {
    if (text.empty()) return first;
    if (static_cast<std::size_t>(last - first) < text.size()) return last;
    const char* const lastStart = last - (text.size() - 1);  // past the last place it may begin
    const auto holdsText = [&text](const char* at) {
        return std::memcmp(at, text.data(), text.size()) == 0;
    };
#if defined(__SSE2__)
    const std::size_t second = text.size() > 1 ? 1 : 0;
    const std::size_t end = text.size() - 1;
    const __m128i secondByte = _mm_set1_epi8(text[second]);
    const __m128i endByte = _mm_set1_epi8(text[end]);
    // One bit a place of the sixteen from at, set where the place holds both bytes.
    const auto placesFrom = [&](const char* at) {
        const __m128i atSecond = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + second));
        const __m128i atEnd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + end));
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(atSecond, secondByte), _mm_cmpeq_epi8(atEnd, endByte))));
    };
    const auto textAmong = [&](const char* from, unsigned places) -> const char* {
        for (; places != 0; places &= places - 1) {
            const char* const at = from + __builtin_ctz(places);
            if (holdsText(at)) return at;
        }
        return nullptr;
    };
    // Two vectors a step, and one for the last sixteen places.
    for (; lastStart - first >= 32; first += 32) {
        if (const char* const at =
                textAmong(first, placesFrom(first) | placesFrom(first + 16) << 16))
            return at;
    }
    if (lastStart - first >= 16) {
        if (const char* const at = textAmong(first, placesFrom(first))) return at;
        first += 16;
    }
#endif
    for (; first != lastStart; ++first) {
        if (holdsText(first)) return first;
    }
    return last;
}

template <typename Unit>
Unit* FindUnit(Unit* first, Unit* last, Unit value) {
    return const_cast<Unit*>(FindUnit(static_cast<const Unit*>(first), last, value));
}

}  // namespace tolk::stdx
