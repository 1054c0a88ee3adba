#pragma once

#include <cstddef>

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
    for (; last - first >= kPerBlock; first += kPerBlock) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
        __m128i equal;
        if constexpr (sizeof(Unit) == 1) {
            equal = _mm_cmpeq_epi8(block, wanted);
        } else if constexpr (sizeof(Unit) == 2) {
            equal = _mm_cmpeq_epi16(block, wanted);
        } else {
            equal = _mm_cmpeq_epi32(block, wanted);
        }
        if (const int bytes = _mm_movemask_epi8(equal)) {
            return first + __builtin_ctz(static_cast<unsigned>(bytes)) / sizeof(Unit);
        }
    }
#endif
    for (; first != last; ++first) {
        if (*first == value) return first;
    }
    return last;
}

template <typename Unit>
Unit* FindUnit(Unit* first, Unit* last, Unit value) {
    return const_cast<Unit*>(FindUnit(static_cast<const Unit*>(first), last, value));
}

}  // namespace tolk::stdx
