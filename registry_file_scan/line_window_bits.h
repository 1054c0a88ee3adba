#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The lines of text 64 bytes at a time, one bit a byte: scans that pass over most lines find the
// few they must see by the bits of the window's bytes, not line by line.
namespace fernwick {

// The masks of a window's four 16-byte blocks as one: joined by 32-bit halves, which a 32-bit
// processor keeps in a register each.
inline std::uint64_t JoinBlockBits(std::uint32_t first, std::uint32_t second, std::uint32_t third,
                                   std::uint32_t fourth) {
    return std::uint64_t{third | fourth << 16} << 32 | (first | second << 16);
}

// The place of the lowest bit set in a mask that is not 0. A 32-bit processor takes it half by
// half, where the compiler would call its runtime for the whole.
inline unsigned LowestBit(std::uint64_t bits) {
    if constexpr (sizeof(void*) == 8) return static_cast<unsigned>(__builtin_ctzll(bits));
    const auto low = static_cast<std::uint32_t>(bits);
    return low != 0 ? __builtin_ctz(low)
                    : 32 + __builtin_ctz(static_cast<std::uint32_t>(bits >> 32));
}

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
        const auto bitsOf = [this, window](int block) -> std::uint32_t {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * block));
            if constexpr (kEitherCase) bytes = _mm_or_si128(bytes, caseBit_);
            return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted_)));
        };
        return JoinBlockBits(bitsOf(0), bitsOf(1), bitsOf(2), bitsOf(3));
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

// One bit for each byte of a window of 64 bytes, set where the byte is above the space: ASCII
// that is neither a control character nor a space, and every byte of a character beyond ASCII.
class AboveSpaceBits64 {
public:
    std::uint64_t In(const char* window) const {
#if defined(__SSE2__)
        // As in ByteBits64; a byte is above the space where it is the greater of it and 21.
        const auto bitsOf = [this, window](int block) -> std::uint32_t {
            const __m128i bytes =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * block));
            return static_cast<std::uint32_t>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(bytes, justAbove_), bytes)));
        };
        return JoinBlockBits(bitsOf(0), bitsOf(1), bitsOf(2), bitsOf(3));
#else
        std::uint64_t bits = 0;
        for (int i = 63; i >= 0; --i)
            bits = bits << 1 | (static_cast<unsigned char>(window[i]) > ' ');
        return bits;
#endif
    }

#if defined(__SSE2__)
private:
    __m128i justAbove_ = _mm_set1_epi8(' ' + 1);
#endif
};

// Tells whether a window of 64 bytes holds where any of three texts may begin: the first two bytes
// of a text in either case (as ByteBits64<true> finds each), a byte exactly, and the first two
// bytes of another text exactly. An empty text or a zero byte stands for none; a text of one byte
// is looked for by that byte. Zero bytes vanish from the text, so a zero byte may stand for a
// text's second byte; alone they hide nothing. A text begins at one of the window's bytes, its
// second byte may be the one after the window. One test for the window, where the bits of each
// byte would take a mask each: most windows hold none of the texts a scan looks for.
class AnyOfBytes64 {
public:
    AnyOfBytes64(std::string_view eitherCase, char exact, std::string_view exactText)
#if defined(__SSE2__)
        : eitherCase_{Wanted(eitherCase, 0, true), Wanted(eitherCase, 1, true)},
          exact_(_mm_set1_epi8(exact == '\0' ? kNone : exact)),
          exactText_{Wanted(exactText, 0, false), Wanted(exactText, 1, false)},
          exactSiftAt_(exactText.size() > 1 ? 1 : 0),
          exactSift_(Wanted(exactText, exactSiftAt_, false)),
          zeroSift_(_mm_set1_epi8(exactSiftAt_ == 1 ? '\0' : kNone)),
          caseBit_(_mm_set1_epi8(kCaseBit)),
          lineFeed_(_mm_set1_epi8('\n'))
#else
        : eitherCase_(eitherCase.substr(0, 2)),
          exact_(exact),
          exactText_(exactText.substr(0, 2))
#endif
    {
    }

    // Whether the window holds none of the texts; endsLines tells whether it holds a line feed.
    bool QuietIn(const char* window, bool& endsLines) const {
#if defined(__SSE2__)
        // Written out block by block, as in ByteBits64. The first bytes alone pass most windows
        // (of the exact text, its second or a zero byte: a path's first letter is common, a
        // drive's colon is not); only a window that holds some is looked at by the pairs.
        const __m128i firsts = _mm_or_si128(_mm_or_si128(FirstsOf(window, 0), FirstsOf(window, 1)),
                                            _mm_or_si128(FirstsOf(window, 2), FirstsOf(window, 3)));
        const auto lineFeedsOf = [this, window](int block) {
            return _mm_cmpeq_epi8(Load(window + 16 * block), lineFeed_);
        };
        const __m128i lineFeeds = _mm_or_si128(_mm_or_si128(lineFeedsOf(0), lineFeedsOf(1)),
                                               _mm_or_si128(lineFeedsOf(2), lineFeedsOf(3)));
        endsLines = _mm_movemask_epi8(lineFeeds) != 0;
        if (_mm_movemask_epi8(firsts) == 0) return true;
        const __m128i hits = _mm_or_si128(_mm_or_si128(HitsOf(window, 0), HitsOf(window, 1)),
                                          _mm_or_si128(HitsOf(window, 2), HitsOf(window, 3)));
        return _mm_movemask_epi8(hits) == 0;
#else
        bool holds = false;
        endsLines = false;
        for (int i = 0; i < 64; ++i) {
            holds = holds || HoldsAt(window + i);
            endsLines = endsLines || window[i] == '\n';
        }
        return !holds;
#endif
    }

private:
    static constexpr char kCaseBit = 0x20;
#if defined(__SSE2__)
    // A byte that no byte of a window equals: FF never stands in the well-formed UTF-8 that the
    // windows hold. As a second byte wanted, it stands for any.
    static constexpr char kNone = static_cast<char>(0xFF);
    // What byte `at` of a text must be: for no text, one that no byte is (zero where bit 5 is
    // set in the bytes); any after its last byte.
    static __m128i Wanted(std::string_view text, std::size_t at, bool eitherCase) {
        if (text.empty() || text.front() == '\0') return _mm_set1_epi8(eitherCase ? '\0' : kNone);
        if (at >= text.size()) return _mm_set1_epi8(kNone);
        return _mm_set1_epi8(static_cast<char>(eitherCase ? text[at] | kCaseBit : text[at]));
    }
    static __m128i Load(const char* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }
    // -1 where a second byte may follow: the byte wanted, a zero byte, or any for FF.
    static __m128i Follows(__m128i bytes, __m128i wanted, __m128i zero) {
        return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, wanted), zero),
                            _mm_cmpeq_epi8(wanted, _mm_set1_epi8(kNone)));
    }
    // -1 where a byte is the first of a text (or where the second of the exact text, or a zero
    // byte, follows), or zero.
    __m128i FirstsOf(const char* window, int block) const {
        const __m128i bytes = Load(window + 16 * block);
        const __m128i sifted = Load(window + 16 * block + exactSiftAt_);
        return _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(bytes, caseBit_), eitherCase_[0]),
                         _mm_cmpeq_epi8(sifted, exactSift_)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, exact_), _mm_cmpeq_epi8(sifted, zeroSift_)));
    }
    __m128i HitsOf(const char* window, int block) const {
        const __m128i bytes = Load(window + 16 * block);
        const __m128i next = Load(window + 16 * block + 1);
        const __m128i zeroNext = _mm_cmpeq_epi8(next, _mm_setzero_si128());
        const __m128i eitherCase =
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(bytes, caseBit_), eitherCase_[0]),
                          Follows(_mm_or_si128(next, caseBit_), eitherCase_[1], zeroNext));
        const __m128i exactText = _mm_and_si128(_mm_cmpeq_epi8(bytes, exactText_[0]),
                                                Follows(next, exactText_[1], zeroNext));
        return _mm_or_si128(_mm_or_si128(eitherCase, exactText), _mm_cmpeq_epi8(bytes, exact_));
    }

    __m128i eitherCase_[2];
    __m128i exact_;
    __m128i exactText_[2];
    int exactSiftAt_;  // which byte of the exact text the first look sifts by
    __m128i exactSift_;
    __m128i zeroSift_;  // a zero byte in the place sifted by stands for the second byte
    __m128i caseBit_;
    __m128i lineFeed_;
#else
    static bool Begins(const char* at, std::string_view text, bool eitherCase) {
        if (text.empty() || text.front() == '\0') return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char byte = eitherCase ? at[i] | kCaseBit : at[i];
            if (byte != (eitherCase ? text[i] | kCaseBit : text[i]) && (i == 0 || at[i] != '\0'))
                return false;
        }
        return true;
    }
    bool HoldsAt(const char* at) const {
        return (exact_ != '\0' && *at == exact_) || Begins(at, eitherCase_, true) ||
               Begins(at, exactText_, false);
    }

    std::string_view eitherCase_;
    char exact_;
    std::string_view exactText_;
#endif
};

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

// Where the text of the window's lines begins: at their first byte, a set bit of starts, or past
// the zero bytes they begin with, where a carry that starts at the line's first byte comes to rest.
// openZerosOnly tells whether the line open at the window's start holds nothing but zero bytes so
// far, and comes out telling the same of the line open at its end.
inline std::uint64_t TextStarts(std::uint64_t starts, std::uint64_t zeros, bool& openZerosOnly) {
    if (zeros == 0 && !openZerosOnly) return starts;
    const std::uint64_t from = starts | openZerosOnly;
    std::uint64_t past = 0;
    openZerosOnly = __builtin_add_overflow(zeros, from & zeros, &past);
    return (from | past) & ~zeros;
}

// Whether more than two bits are set.
inline bool HoldsMoreThanTwo(std::uint64_t bits) {
    bits &= bits - 1;
    bits &= bits - 1;
    return bits != 0;
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

// The marked places met as windows pass, kept by the three latest windows that held any: enough to
// tell the two latest places before a limit that at most one of them lies at or past.
class LatestMarks {
public:
    // Adds the set bits of marks, places of the window, after those added before.
    void Add(const char* window, std::uint64_t marks) {
        if (marks == 0) return;
        for (int i = 0; i < 2; ++i) {
            windows_[i] = windows_[i + 1];
            marks_[i] = marks_[i + 1];
        }
        windows_[2] = window;
        marks_[2] = marks;
    }
    // Hands the two latest places before limit to hand, the older first, and forgets them all;
    // false as soon as hand answers false.
    template <typename Hand>
    bool HandBefore(const char* limit, const Hand& hand) {
        const char* latest[2] = {nullptr, nullptr};
        int found = 0;
        for (int i = 2; i >= 0 && marks_[i] != 0 && found < 2; --i) {
            std::uint64_t marks = marks_[i];
            const std::ptrdiff_t before = limit - windows_[i];
            if (before < 64) marks &= before > 0 ? (std::uint64_t{1} << before) - 1 : 0;
            for (; marks != 0 && found < 2; ++found) {
                const int place = 63 - __builtin_clzll(marks);
                latest[found] = windows_[i] + place;
                marks &= ~(std::uint64_t{1} << place);
            }
        }
        marks_[0] = marks_[1] = marks_[2] = 0;
        return (found < 2 || hand(latest[1])) && (found < 1 || hand(latest[0]));
    }

private:
    const char* windows_[3] = {nullptr, nullptr, nullptr};
    std::uint64_t marks_[3] = {0, 0, 0};
};

}  // namespace fernwick
