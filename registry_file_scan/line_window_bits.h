#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
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

// The place of the highest bit set in a mask that is not 0, half by half as LowestBit.
inline unsigned HighestBit(std::uint64_t bits) {
    if constexpr (sizeof(void*) == 8) return 63 - static_cast<unsigned>(__builtin_clzll(bits));
    const auto high = static_cast<std::uint32_t>(bits >> 32);
    return high != 0 ? 63 - __builtin_clz(high)
                     : 31 - __builtin_clz(static_cast<std::uint32_t>(bits));
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

// The bytes far into the texts sought that the windows' tests compare where a text's first byte
// stands and no zero byte is near. Of the text in either case, or of each of the lines that begin
// with it where they are named (two at most): the last byte but one within reach, as the last is
// mostly the same in all the lines sought (a header's closing bracket). Of the exact text, a path:
// the same, and the two bytes after it, where they lie within reach: the first must be one that
// may end a path (a blank, a line feed or "<"), and where it is a blank, the second a blank too.
struct FarBytes {
    static constexpr std::size_t kReach = 62;

    FarBytes(std::string_view eitherCase, std::span<const std::string> lines,
             std::string_view exactText)
        : exactAt(At(exactText.size())),
          exactByte(exactText.empty() ? '\0' : exactText[exactAt]),
          exactEndAt(exactText.size() < kReach ? exactText.size() : 0) {
        const std::string_view texts[2] = {
            lines.size() == 1 || lines.size() == 2 ? std::string_view(lines.front()) : eitherCase,
            lines.size() == 2 ? std::string_view(lines.back()) : std::string_view()};
        for (int i = 0; i < 2; ++i) {
            const std::string_view text = texts[i].empty() ? texts[0] : texts[i];
            eitherCaseAt[i] = At(text.size());
            eitherCaseByte[i] =
                text.empty() ? '\0' : static_cast<char>(text[eitherCaseAt[i]] | 0x20);
        }
        twoLines = !texts[1].empty();
        furthest = std::max(
            {eitherCaseAt[0], eitherCaseAt[1], exactAt, exactEndAt == 0 ? 0 : exactEndAt + 1});
    }

    std::size_t eitherCaseAt[2];
    char eitherCaseByte[2];  // with bit 5 set
    std::size_t exactAt;
    char exactByte;
    std::size_t exactEndAt;  // 0 where the bytes after the path lie beyond reach
    bool twoLines;           // the lines' bytes are two
    std::size_t furthest;    // the furthest place looked at

private:
    static std::size_t At(std::size_t size) {
        return size < 3 ? std::max<std::size_t>(size, 1) - 1 : std::min(size - 2, kReach);
    }
};

// Tells whether a window of 64 bytes holds where either of two texts may begin, one in either case
// (as ByteBits64<true> finds each byte), the other exactly; an empty text or a zero byte stands
// for none. A text begins at one of the window's bytes; the bytes after its first may lie behind
// the window. Its first byte alone (of the exact text, its second, or its first before a zero
// byte: a path's first letter is common, a drive's colon is not) passes most windows. Where no
// zero byte stands near, a window that holds some is passed where none stands with its far bytes
// (FarBytes) in their places: lines that only begin as one sought does, as a drive's paths and a
// list's headers mostly do, pass. Zero bytes vanish from the text, so that where one stands near,
// the text is taken to begin where its first two bytes stand, or its first and a zero byte. Also
// tallies the lead bytes of the windows it passes, as vectors, which a pass looks at once. One test
// for the window, where the bits of each byte would take a mask each: most windows hold none of the
// texts a scan looks for.
class AnyOfBytes64 {
public:
    // The lines are those that begin with the text in either case where a scan names them, ASCII
    // letters in lower case.
    AnyOfBytes64(std::string_view eitherCase, std::span<const std::string> lines,
                 std::string_view exactText, char lead)
        : far_(eitherCase, lines, exactText)
#if defined(__SSE2__)
          ,
          eitherCase_{Wanted(eitherCase, 0, true), Wanted(eitherCase, 1, true)},
          eitherCaseFar_{_mm_set1_epi8(far_.eitherCaseByte[0]),
                         _mm_set1_epi8(far_.eitherCaseByte[1])},
          exactText_{Wanted(exactText, 0, false), Wanted(exactText, 1, false)},
          exactSiftAt_(exactText.size() > 1 ? 1 : 0),
          exactSift_(Wanted(exactText, exactSiftAt_, false)),
          exactFar_(_mm_set1_epi8(far_.exactByte)),
          lead_(_mm_set1_epi8(lead == '\0' ? kNone : lead)),
          caseBit_(_mm_set1_epi8(kCaseBit)),
          leadByte_(lead)
#else
          ,
          eitherCase_(eitherCase.substr(0, FarBytes::kReach + 1)),
          exactText_(exactText.substr(0, FarBytes::kReach + 1)),
          leadByte_(lead)
#endif
    {
    }

    // The lead bytes of the windows passed, taken together.
    struct Leads {
#if defined(__SSE2__)
        __m128i seen{};
#else
        bool seen = false;
#endif
    };
    bool HoldLead(const Leads& leads) const {
#if defined(__SSE2__)
        return _mm_movemask_epi8(leads.seen) != 0;
#else
        return leads.seen;
#endif
    }
    char Lead() const { return leadByte_; }

    // Whether the window holds none of the texts; where it holds none, its lead bytes are added
    // to leads.
    bool QuietIn(const char* window, Leads& leads) const {
#if defined(__SSE2__)
        // Written out block by block, as in ByteBits64.
        const __m128i firsts = _mm_or_si128(_mm_or_si128(FirstsOf(window, 0), FirstsOf(window, 1)),
                                            _mm_or_si128(FirstsOf(window, 2), FirstsOf(window, 3)));
        if (_mm_movemask_epi8(firsts) != 0 && !QuietPastFirsts(window)) return false;
        const auto leadIn = [this, window](int block) {
            return _mm_cmpeq_epi8(Load(window + 16 * block), lead_);
        };
        leads.seen = _mm_or_si128(leads.seen, _mm_or_si128(_mm_or_si128(leadIn(0), leadIn(1)),
                                                           _mm_or_si128(leadIn(2), leadIn(3))));
        return true;
#else
        bool holds = false;
        bool holdsLead = false;
        for (int i = 0; i < 64; ++i) {
            holds = holds || Begins(window + i, eitherCase_, true) ||
                    Begins(window + i, exactText_, false);
            holdsLead = holdsLead || (leadByte_ != '\0' && window[i] == leadByte_);
        }
        leads.seen = leads.seen || (!holds && holdsLead);
        return !holds;
#endif
    }

private:
    static constexpr char kCaseBit = 0x20;
    FarBytes far_;
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
    __m128i Folded(__m128i bytes) const { return _mm_or_si128(bytes, caseBit_); }
    // -1 where a byte is the first of the text in either case, or where the second of the exact
    // text follows it, or its first byte stands before a zero byte; or zero.
    __m128i FirstsOf(const char* window, int block) const {
        const __m128i bytes = Load(window + 16 * block);
        const __m128i sifted = Load(window + 16 * block + exactSiftAt_);
        return _mm_or_si128(
            _mm_cmpeq_epi8(Folded(bytes), eitherCase_[0]),
            _mm_or_si128(_mm_cmpeq_epi8(sifted, exactSift_),
                         _mm_and_si128(_mm_cmpeq_epi8(bytes, exactText_[0]),
                                       _mm_cmpeq_epi8(sifted, _mm_setzero_si128()))));
    }
    // Whether a window whose first look found some first bytes holds none of the texts, by their
    // first and far bytes where no zero byte stands near (up to the last that a text beginning at
    // its end may have looked at), or else by their first two.
    bool QuietPastFirsts(const char* window) const {
        // As far as the far bytes of a text that begins at the window's last byte.
        __m128i least = Load(window);
        for (std::size_t from = 16; from < 64 + far_.furthest; from += 16)
            least = _mm_min_epu8(least, Load(window + std::min(from, 48 + far_.furthest)));
        const bool zeroNear = _mm_movemask_epi8(_mm_cmpeq_epi8(least, _mm_setzero_si128())) != 0;
        __m128i hits = _mm_setzero_si128();
        for (int block = 0; block < 4; ++block) {
            const char* const at = window + 16 * block;
            hits = _mm_or_si128(hits, zeroNear ? PairHitsOf(at) : FarHitsOf(at));
        }
        return _mm_movemask_epi8(hits) == 0;
    }
    __m128i FarHitsOf(const char* at) const {
        const __m128i bytes = Load(at);
        const auto farIn = [this, at](int line) {
            return _mm_cmpeq_epi8(Folded(Load(at + far_.eitherCaseAt[line])), eitherCaseFar_[line]);
        };
        const __m128i eitherCase =
            _mm_and_si128(_mm_cmpeq_epi8(Folded(bytes), eitherCase_[0]),
                          far_.twoLines ? _mm_or_si128(farIn(0), farIn(1)) : farIn(0));
        __m128i exact = _mm_and_si128(_mm_cmpeq_epi8(bytes, exactText_[0]),
                                      _mm_cmpeq_epi8(Load(at + far_.exactAt), exactFar_));
        if (far_.exactEndAt != 0 && _mm_movemask_epi8(exact) != 0) {
            // Where the rest of the path may stand: "<" or a line feed ends it, and a blank (any
            // byte not above the space) that another blank follows, as blanks end a value; a list's
            // paths are not trimmed. The byte after the blank is looked at only where one stands.
            const __m128i after = Load(at + far_.exactEndAt);
            const auto notAbove = [](__m128i bytes) {
                return _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(' ')), _mm_set1_epi8(' '));
            };
            const auto equal = [](__m128i bytes, char wanted) {
                return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(wanted));
            };
            exact = _mm_and_si128(exact, _mm_or_si128(notAbove(after), equal(after, '<')));
            if (_mm_movemask_epi8(exact) != 0) {
                const __m128i next = Load(at + far_.exactEndAt + 1);
                exact = _mm_and_si128(
                    exact, _mm_or_si128(_mm_or_si128(equal(after, '<'), equal(after, '\n')),
                                        notAbove(_mm_max_epu8(after, next))));
            }
        }
        return _mm_or_si128(eitherCase, exact);
    }
    __m128i PairHitsOf(const char* at) const {
        const __m128i bytes = Load(at);
        const __m128i next = Load(at + 1);
        const __m128i zeroNext = _mm_cmpeq_epi8(next, _mm_setzero_si128());
        return _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(Folded(bytes), eitherCase_[0]),
                                          Follows(Folded(next), eitherCase_[1], zeroNext)),
                            _mm_and_si128(_mm_cmpeq_epi8(bytes, exactText_[0]),
                                          Follows(next, exactText_[1], zeroNext)));
    }

    __m128i eitherCase_[2];
    __m128i eitherCaseFar_[2];
    __m128i exactText_[2];
    int exactSiftAt_;  // which byte of the exact text the first look sifts by
    __m128i exactSift_;
    __m128i exactFar_;
    __m128i lead_;
    __m128i caseBit_;
#endif
    char leadByte_;
#if !defined(__SSE2__)
    // Whether the text begins at `at`, its bytes compared as far as the windows' tests reach.
    static bool Begins(const char* at, std::string_view text, bool eitherCase) {
        const auto folded = [eitherCase](char byte) { return eitherCase ? byte | kCaseBit : byte; };
        if (text.empty() || text.front() == '\0' || folded(at[0]) != folded(text[0])) return false;
        // A zero byte after the first may hide any of the bytes that follow.
        bool same = true;
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (at[i] == '\0') return true;
            same = same && folded(at[i]) == folded(text[i]);
        }
        return same;
    }

    std::string_view eitherCase_;
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

}  // namespace fernwick
