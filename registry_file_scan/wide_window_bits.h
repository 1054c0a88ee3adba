#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "registry_file_scan/line_window_bits.h"
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

// As AboveSpaceBits64, for code compiled for AVX2.
class AboveSpaceBits64Avx2 {
public:
    [[gnu::target("avx2")]] std::uint64_t In(const char* window) const {
        return std::uint64_t{HalfIn(window + 32)} << 32 | HalfIn(window);
    }

private:
    [[gnu::target("avx2")]] static std::uint32_t HalfIn(const char* half) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(half));
        const __m256i above =
            _mm256_cmpeq_epi8(_mm256_max_epu8(bytes, _mm256_set1_epi8(' ' + 1)), bytes);
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(above));
    }
};

// As AnyOfBytes64, for code compiled for AVX2; its values kept as bytes, as in ByteBits64Avx2.
class AnyOfBytes64Avx2 {
public:
    AnyOfBytes64Avx2(std::string_view eitherCase, std::span<const std::string> lines,
                     std::string_view exactText, char lead)
        : far_(eitherCase, lines, exactText),
          eitherCase_{Wanted(eitherCase, 0, true), Wanted(eitherCase, 1, true)},
          exactText_{Wanted(exactText, 0, false), Wanted(exactText, 1, false)},
          exactSiftAt_(exactText.size() > 1 ? 1 : 0),
          exactSift_(Wanted(exactText, exactSiftAt_, false)),
          zeroSifted_(exactText.empty() || exactText.front() == '\0' ? kNone : '\0'),
          lead_(lead == '\0' ? kNone : lead) {}

    // As AnyOfBytes64's; the value-initialised vector is none.
    struct Leads {
        __m256i seen{};
    };
    [[gnu::target("avx2")]] bool HoldLead(const Leads& leads) const {
        return !_mm256_testz_si256(leads.seen, leads.seen);
    }
    char Lead() const { return lead_; }

    [[gnu::target("avx2")]] bool QuietIn(const char* window, Leads& leads) const {
        const __m256i low = Load(window);
        const __m256i high = Load(window + 32);
        const __m256i siftedLow = Load(window + exactSiftAt_);
        const __m256i siftedHigh = Load(window + 32 + exactSiftAt_);
        const __m256i firsts =
            _mm256_or_si256(FirstsOf(low, siftedLow), FirstsOf(high, siftedHigh));
        const __m256i zeroSifted = Equal(_mm256_min_epu8(siftedLow, siftedHigh), zeroSifted_);
        // Zero bytes stand where the path's second byte may be looked for: the path may begin
        // only where its first byte stands before one.
        const bool quiet =
            _mm256_movemask_epi8(_mm256_or_si256(firsts, zeroSifted)) == 0 ||
            (_mm256_movemask_epi8(firsts) == 0 &&
             _mm256_movemask_epi8(_mm256_or_si256(
                 _mm256_and_si256(Equal(low, exactText_[0]), Equal(siftedLow, '\0')),
                 _mm256_and_si256(Equal(high, exactText_[0]), Equal(siftedHigh, '\0')))) == 0) ||
            QuietPastFirsts(window);
        if (quiet)
            leads.seen =
                _mm256_or_si256(leads.seen, _mm256_or_si256(Equal(low, lead_), Equal(high, lead_)));
        return quiet;
    }

private:
    static constexpr char kCaseBit = 0x20;
    static constexpr char kNone = static_cast<char>(0xFF);  // as AnyOfBytes64's
    // As AnyOfBytes64's.
    static char Wanted(std::string_view text, std::size_t at, bool eitherCase) {
        if (text.empty() || text.front() == '\0') return eitherCase ? '\0' : kNone;
        if (at >= text.size()) return kNone;
        return static_cast<char>(eitherCase ? text[at] | kCaseBit : text[at]);
    }
    [[gnu::target("avx2")]] static __m256i Load(const char* at) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    }
    [[gnu::target("avx2")]] static __m256i Equal(__m256i bytes, char wanted) {
        return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(wanted));
    }
    [[gnu::target("avx2")]] static __m256i Follows(__m256i bytes, char wanted, __m256i zero) {
        return wanted == kNone ? _mm256_set1_epi8(-1) : _mm256_or_si256(Equal(bytes, wanted), zero);
    }
    [[gnu::target("avx2")]] static __m256i NotAboveSpace(__m256i bytes) {
        return Equal(_mm256_max_epu8(bytes, _mm256_set1_epi8(' ')), ' ');
    }
    [[gnu::target("avx2")]] static __m256i Folded(__m256i bytes) {
        return _mm256_or_si256(bytes, _mm256_set1_epi8(kCaseBit));
    }
    // As AnyOfBytes64's, for a half and the bytes that sift it, but for the path's first byte
    // before a zero byte, which QuietIn looks for only where zero bytes stand.
    [[gnu::target("avx2")]] __m256i FirstsOf(__m256i bytes, __m256i sifted) const {
        return _mm256_or_si256(Equal(Folded(bytes), eitherCase_[0]), Equal(sifted, exactSift_));
    }
    // As AnyOfBytes64's.
    [[gnu::noinline, gnu::target("avx2")]] bool QuietPastFirsts(const char* window) const {
        const __m256i low = Load(window);
        const __m256i high = Load(window + 32);
        __m256i least = _mm256_min_epu8(_mm256_min_epu8(low, high), Load(window + 64));
        // As far as the far bytes of a text that begins at the window's last byte.
        if (far_.furthest > 32)
            least = _mm256_min_epu8(least, Load(window + 32 + FarBytes::kReach));
        const __m256i zeros = Equal(least, '\0');
        if (_mm256_movemask_epi8(zeros) != 0) {
            return _mm256_movemask_epi8(_mm256_or_si256(PairHitsOf(low, window),
                                                        PairHitsOf(high, window + 32))) == 0;
        }
        const __m256i eitherCaseHits = _mm256_or_si256(EitherCaseFarHitsOf(low, window),
                                                       EitherCaseFarHitsOf(high, window + 32));
        if (exactText_[0] == kNone) return _mm256_movemask_epi8(eitherCaseHits) == 0;
        // A path's end is looked at only where the rest of it may stand.
        __m256i exactLow = ExactFarHitsOf(low, window);
        __m256i exactHigh = ExactFarHitsOf(high, window + 32);
        if (far_.exactEndAt != 0 &&
            _mm256_movemask_epi8(_mm256_or_si256(exactLow, exactHigh)) != 0) {
            exactLow = _mm256_and_si256(exactLow, PathMayEndAt(window));
            exactHigh = _mm256_and_si256(exactHigh, PathMayEndAt(window + 32));
            if (_mm256_movemask_epi8(_mm256_or_si256(exactLow, exactHigh)) != 0) {
                exactLow = _mm256_and_si256(exactLow, PathEndsAt(window));
                exactHigh = _mm256_and_si256(exactHigh, PathEndsAt(window + 32));
            }
        }
        return _mm256_movemask_epi8(
                   _mm256_or_si256(_mm256_or_si256(exactLow, exactHigh), eitherCaseHits)) == 0;
    }
    [[gnu::target("avx2")]] __m256i EitherCaseFarHitsOf(__m256i bytes, const char* at) const {
        __m256i far = Equal(Folded(Load(at + far_.eitherCaseAt[0])), far_.eitherCaseByte[0]);
        if (far_.twoLines) {
            far = _mm256_or_si256(
                far, Equal(Folded(Load(at + far_.eitherCaseAt[1])), far_.eitherCaseByte[1]));
        }
        return _mm256_and_si256(Equal(Folded(bytes), eitherCase_[0]), far);
    }
    [[gnu::target("avx2")]] __m256i ExactFarHitsOf(__m256i bytes, const char* at) const {
        return _mm256_and_si256(Equal(bytes, exactText_[0]),
                                Equal(Load(at + far_.exactAt), far_.exactByte));
    }
    // As AnyOfBytes64's.
    [[gnu::target("avx2")]] __m256i PathMayEndAt(const char* at) const {
        const __m256i after = Load(at + far_.exactEndAt);
        return _mm256_or_si256(NotAboveSpace(after), Equal(after, '<'));
    }
    [[gnu::target("avx2")]] __m256i PathEndsAt(const char* at) const {
        const __m256i after = Load(at + far_.exactEndAt);
        const __m256i next = Load(at + far_.exactEndAt + 1);
        return _mm256_or_si256(_mm256_or_si256(Equal(after, '<'), Equal(after, '\n')),
                               NotAboveSpace(_mm256_max_epu8(after, next)));
    }
    [[gnu::target("avx2")]] __m256i PairHitsOf(__m256i bytes, const char* at) const {
        const __m256i next = Load(at + 1);
        const __m256i zeroNext = Equal(next, '\0');
        return _mm256_or_si256(
            _mm256_and_si256(Equal(Folded(bytes), eitherCase_[0]),
                             Follows(Folded(next), eitherCase_[1], zeroNext)),
            _mm256_and_si256(Equal(bytes, exactText_[0]), Follows(next, exactText_[1], zeroNext)));
    }

    FarBytes far_;
    char eitherCase_[2];
    char exactText_[2];
    std::size_t exactSiftAt_;  // which byte of the exact text the first look sifts by
    char exactSift_;
    char zeroSifted_;
    char lead_;
};

}  // namespace fernwick
#endif
