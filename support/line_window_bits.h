#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The lines of text 64 bytes at a time, one bit a byte: scans that pass over most lines find the
// few they must see by the bits of the window's bytes, not line by line.
namespace tolk::stdx {

// Finds a byte in windows of 64 bytes: one bit for each byte of the window, set where the byte
// equals the value; with kEitherCase, where it equals it with bit 5 set in both: an ASCII letter
// in either case, and for other bytes a few more than the one asked for. Made once for a run of
// windows, so that the value stands ready in a register.
template <bool kEitherCase = false>
class ByteBits64 {
public:
    explicit ByteBits64(char value)
#if defined(__SSE2__)
        : wanted_(_mm_set1_epi8(static_cast<char>(kEitherCase ? value | kCaseBit : value))),
          caseBit_(_mm_set1_epi8(kCaseBit))
#else
        : wanted_(kEitherCase ? value | kCaseBit : value)
#endif
    {
    }

    std::uint64_t In(const char* window) const {
#if defined(__SSE2__)
        // Written out block by block: a loop here is not unrolled at every optimisation level.
        const auto bitsOf = [this, window](int block) -> std::uint64_t {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * block));
            if constexpr (kEitherCase) bytes = _mm_or_si128(bytes, caseBit_);
            return static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted_)));
        };
        return bitsOf(0) | bitsOf(1) << 16 | bitsOf(2) << 32 | bitsOf(3) << 48;
#else
        std::uint64_t bits = 0;
        for (int i = 63; i >= 0; --i) {
            bits = bits << 1 | ((kEitherCase ? window[i] | kCaseBit : window[i]) == wanted_);
        }
        return bits;
#endif
    }

private:
    static constexpr char kCaseBit = 0x20;
#if defined(__SSE2__)
    __m128i wanted_;
    __m128i caseBit_;
#else
    char wanted_;
#endif
};

// One bit for each of the 64 bytes from window, set where the byte is a space or below it, or
// "<": where a path in a list of paths may end.
inline std::uint64_t PathEndBits64(const char* window) {
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i separator = _mm_set1_epi8('<');
    const auto bitsOf = [window, space, separator](int block) -> std::uint64_t {
        const __m128i bytes =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * block));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(bytes, space), bytes),
                                          _mm_cmpeq_epi8(bytes, separator));
        return static_cast<std::uint16_t>(_mm_movemask_epi8(ends));
    };
    return bitsOf(0) | bitsOf(1) << 16 | bitsOf(2) << 32 | bitsOf(3) << 48;
#else
    std::uint64_t bits = 0;
    for (int i = 63; i >= 0; --i) {
        const auto byte = static_cast<unsigned char>(window[i]);
        bits = bits << 1 | (byte <= ' ' || byte == '<');
    }
    return bits;
#endif
}

// The line feeds of the window that end a line holding a marked byte. Each mark, added to the bits
// of the bytes that are not line feeds, carries up through the rest of its line into the line
// feed that ends it. openLineMarked tells whether the line open at the window's start holds a mark
// already, and comes out telling the same of the line open at its end.
inline std::uint64_t MarkedLineEnds(std::uint64_t lineFeeds, std::uint64_t marks,
                                    bool& openLineMarked) {
    const std::uint64_t inLines = ~lineFeeds;
    std::uint64_t sum = 0;
    const bool carried = __builtin_add_overflow(inLines, marks & inLines, &sum);
    const bool carriedOn = __builtin_add_overflow(sum, std::uint64_t{openLineMarked}, &sum);
    openLineMarked = carried || carriedOn;
    return sum & lineFeeds;
}

// The places of the window that lie at most reach - 1 bytes after a set bit of starts, the bit's
// own place included, with earlier the bits of the window before; 1 <= reach <= 64. A line feed
// among them ends a line shorter than reach bytes, where starts are the lines' first bytes.
inline std::uint64_t NearStarts(std::uint64_t starts, std::uint64_t earlier, unsigned reach) {
    std::uint64_t near = starts;
    unsigned covered = 1;
    for (; covered * 2 <= reach; covered *= 2) {
        near |= near << covered | earlier >> (64 - covered);
        earlier |= earlier << covered;
    }
    if (covered < reach) near |= near << (reach - covered) | earlier >> (64 - (reach - covered));
    return near;
}

// The three latest of the marked places met as windows pass, oldest first: enough to tell the two
// latest before a limit that at most one of them lies at or past.
class LatestMarks {
public:
    // Adds the set bits of marks, places of the window, after those added before.
    void Add(const char* window, std::uint64_t marks) {
        const char* highest[3];
        int count = 0;
        for (; count < 3 && marks != 0; ++count) {
            const int place = 63 - __builtin_clzll(marks);
            highest[count] = window + place;
            marks &= ~(std::uint64_t{1} << place);
        }
        while (count > 0) {
            latest_[0] = latest_[1];
            latest_[1] = latest_[2];
            latest_[2] = highest[--count];
        }
    }
    // Hands the two latest places before limit to hand, the older first, and forgets them all;
    // false as soon as hand answers false.
    template <typename Hand>
    bool HandBefore(const char* limit, const Hand& hand) {
        int newest = 2;
        if (latest_[newest] != nullptr && latest_[newest] >= limit) --newest;
        const char* const older = latest_[newest - 1];
        const char* const latest = latest_[newest];
        latest_[0] = latest_[1] = latest_[2] = nullptr;
        return (older == nullptr || hand(older)) && (latest == nullptr || hand(latest));
    }

private:
    const char* latest_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace tolk::stdx
