#pragma once

#include <cstdint>

#include "support/avx2_use.h"

// The masks of the line windows taken by two 32-byte halves, where the processor has AVX2: a mask
// then costs two compares where SSE2 needs four, and no joining of 16-bit parts.
#if defined(FERNWICK_AVX2)
#include <immintrin.h>

namespace fernwick {

// As ByteBits64, for code compiled for AVX2. The value is kept as a byte and spread when the
// mask is taken, so that no object of this class needs more than the stack alignment that
// Windows keeps.
template <bool kEitherCase = false>
class ByteBits64Avx2 {
public:
    explicit ByteBits64Avx2(char value)
        : wanted_(static_cast<char>(kEitherCase ? value | kCaseBit : value)) {}

    [[gnu::target("avx2")]] std::uint64_t In(const char* window) const {
        const __m256i wanted = _mm256_set1_epi8(wanted_);
        __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window));
        __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window + 32));
        if constexpr (kEitherCase) {
            low = _mm256_or_si256(low, _mm256_set1_epi8(kCaseBit));
            high = _mm256_or_si256(high, _mm256_set1_epi8(kCaseBit));
        }
        const auto lowBits =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, wanted)));
        const auto highBits =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, wanted)));
        return std::uint64_t{highBits} << 32 | lowBits;
    }

private:
    static constexpr char kCaseBit = 0x20;
    char wanted_;
};

}  // namespace fernwick
#endif
