#include "support/utf8_run.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define FERNWICK_UTF8_RUN_SSSE3 1
#include <immintrin.h>

#include "support/avx2_use.h"
#endif

namespace tolk::stdx {
namespace {

constexpr std::uint64_t kEveryByte(std::uint8_t value) { return 0x0101010101010101ull * value; }

// True when none of the eight bytes has its top bit set or is 1A.
bool EightAsciiBytes(const char* at) {
    std::uint64_t bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    const std::uint64_t textEnds = bytes ^ kEveryByte(0x1A);
    const std::uint64_t textEndBytes = (textEnds - kEveryByte(1)) & ~textEnds & kEveryByte(0x80);
    return ((bytes & kEveryByte(0x80)) | textEndBytes) == 0;
}

// The length of the well-formed character at byte, or 0 where none begins there or it is 1A. The
// bounds of the first follower exclude overlong forms, surrogates and code points beyond U+10FFFF.
std::ptrdiff_t CharacterLength(const unsigned char* byte, const unsigned char* end) {
    const unsigned lead = *byte;
    if (lead < 0x80) return lead == 0x1A ? 0 : 1;
    if (lead < 0xC2 || lead > 0xF4) return 0;
    std::ptrdiff_t length = 4;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead < 0xE0) {
        length = 2;
    } else if (lead < 0xF0) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else {
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    }
    if (end - byte < length || byte[1] < low || byte[1] > high) return 0;
    for (std::ptrdiff_t i = 2; i < length; ++i) {
        if ((byte[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

const char* ScalarRunEnd(const char* first, const char* last) {
    while (first != last) {
        if (last - first >= 8 && EightAsciiBytes(first)) {
            first += 8;
            continue;
        }
        const std::ptrdiff_t length = CharacterLength(reinterpret_cast<const unsigned char*>(first),
                                                      reinterpret_cast<const unsigned char*>(last));
        if (length == 0) break;
        first += length;
    }
    return first;
}

#if defined(FERNWICK_UTF8_RUN_SSSE3)
// Sixteen bytes at a time by the three lookups of Keiser and Lemire ("Validating UTF-8 in less
// than one instruction per byte", 2021): the high and low half of each byte's predecessor and
// its own high half each select the faults that pair could show, and a fault shows where all
// three agree. Continuation bytes owed by a lead two or three bytes back are checked apart.
namespace fault {
constexpr char kTooShort = 1 << 0;      // a lead followed by no continuation
constexpr char kTooLong = 1 << 1;       // ASCII followed by a continuation
constexpr char kOverlong3 = 1 << 2;     // E0 80..9F
constexpr char kTooLarge = 1 << 3;      // F4 90..BF, F5..FF 90..BF
constexpr char kSurrogate = 1 << 4;     // ED A0..BF
constexpr char kOverlong2 = 1 << 5;     // C0, C1 and a continuation
constexpr char kTooLarge1000 = 1 << 6;  // F5..FF 80..8F
constexpr char kOverlong4 = 1 << 6;     // F0 80..8F
constexpr char kTwoContinuations = static_cast<char>(1 << 7);
constexpr char kCarried = kTooShort | kTooLong | kTwoContinuations;
}  // namespace fault

// The lookups' tables, and for each byte of a block the value that it must not reach where the
// block's last character may not go on past it (the last three bytes begin none).
struct LookupTables {
    char byPreviousHigh[16];
    char byPreviousLow[16];
    char byCurrentHigh[16];
    char completeBelow[16];
};
constexpr LookupTables MakeLookupTables() {
    using namespace fault;
    constexpr char kLarge = kCarried | kTooLarge | kTooLarge1000;
    constexpr char kContinuation80 =
        kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge1000 | kOverlong4;
    constexpr char kContinuation90 =
        kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge;
    constexpr char kContinuationA0 =
        kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge;
    constexpr char kAny = static_cast<char>(-1);
    return {{kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
             kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
             kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
             kTooShort | kTooLarge | kTooLarge1000 | kOverlong4},
            {kCarried | kOverlong3 | kOverlong2 | kOverlong4, kCarried | kOverlong2, kCarried,
             kCarried, kCarried | kTooLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
             kLarge, kLarge | kSurrogate, kLarge, kLarge},
            {kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
             kContinuation80, kContinuation90, kContinuationA0, kContinuationA0, kTooShort,
             kTooShort, kTooShort, kTooShort},
            {kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny, kAny,
             static_cast<char>(0xEF), static_cast<char>(0xDF), static_cast<char>(0xBF)}};
}
constexpr LookupTables kLookupTables = MakeLookupTables();

// Where the character that holds the byte before block begins (block itself where it is first),
// for text from first that the checks have passed up to block.
const char* StartOfCharacterBefore(const char* first, const char* block) {
    const char* start = block;
    if (start != first) --start;
    for (int back = 0; back < 3 && start != first && (start[0] & 0xC0) == 0x80; ++back) --start;
    return start;
}

__attribute__((target("ssse3"))) const char* Ssse3RunEnd(const char* first, const char* last) {
    const auto table = [](const char(&bytes)[16]) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    };
    const __m128i byPreviousHigh = table(kLookupTables.byPreviousHigh);
    const __m128i byPreviousLow = table(kLookupTables.byPreviousLow);
    const __m128i byCurrentHigh = table(kLookupTables.byCurrentHigh);
    const __m128i completeBelow = table(kLookupTables.completeBelow);
    const __m128i lowHalf = _mm_set1_epi8(0x0F);
    const __m128i textEnd = _mm_set1_epi8(0x1A);
    const auto highHalf = [lowHalf](__m128i bytes) {
        return _mm_and_si128(_mm_srli_epi16(bytes, 4), lowHalf);
    };

    const auto load = [](const char* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // The bytes of a block that the lookups find faults, where previous is the block before: a
    // set bit in each.
    const auto lookupFaultsOf = [&](__m128i bytes, __m128i previous)
        __attribute__((target("ssse3"))) {
        const __m128i before1 = _mm_alignr_epi8(bytes, previous, 15);
        const __m128i special = _mm_and_si128(
            _mm_and_si128(_mm_shuffle_epi8(byPreviousHigh, highHalf(before1)),
                          _mm_shuffle_epi8(byPreviousLow, _mm_and_si128(before1, lowHalf))),
            _mm_shuffle_epi8(byCurrentHigh, highHalf(bytes)));
        // The third byte after a lead of E0 and above, and the fourth after F0 and above, must
        // be continuations: there the check above has marked two continuations in a row.
        const __m128i thirdOwed =
            _mm_subs_epu8(_mm_alignr_epi8(bytes, previous, 14), _mm_set1_epi8(0x60));
        const __m128i fourthOwed =
            _mm_subs_epu8(_mm_alignr_epi8(bytes, previous, 13), _mm_set1_epi8(0x70));
        const __m128i owed = _mm_and_si128(_mm_or_si128(thirdOwed, fourthOwed),
                                           _mm_set1_epi8(static_cast<char>(0x80)));
        return _mm_xor_si128(special, owed);
    };
    // And with 1A, which ends the text: -1 there.
    const auto faultsOf = [&](__m128i bytes, __m128i previous) __attribute__((target("ssse3"))) {
        return _mm_or_si128(_mm_cmpeq_epi8(bytes, textEnd), lookupFaultsOf(bytes, previous));
    };
    const auto none = [](__m128i faults) {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(faults, _mm_setzero_si128())) == 0xFFFF;
    };
    const auto complete = [&](__m128i block) { return none(_mm_subs_epu8(block, completeBelow)); };

    // Sixty-four bytes at a time while they hold no fault: ASCII without 1A after a complete
    // character by one test, other text by the lookups of its four blocks taken together.
    __m128i previous = _mm_setzero_si128();
    bool previousText = false;  // previous was looked up, and its last character may go on
    const char* block = first;
    for (; last - block >= 64; block += 64) {
        const __m128i bytes[4] = {load(block), load(block + 16), load(block + 32),
                                  load(block + 48)};
        const __m128i high =
            _mm_or_si128(_mm_or_si128(bytes[0], bytes[1]), _mm_or_si128(bytes[2], bytes[3]));
        const __m128i ends = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes[0], textEnd), _mm_cmpeq_epi8(bytes[1], textEnd)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes[2], textEnd), _mm_cmpeq_epi8(bytes[3], textEnd)));
        if (_mm_movemask_epi8(_mm_or_si128(high, ends)) == 0) {
            if (previousText && !complete(previous)) break;
            previous = _mm_setzero_si128();
            previousText = false;
            continue;
        }
        const __m128i faults =
            _mm_or_si128(_mm_or_si128(_mm_or_si128(lookupFaultsOf(bytes[0], previous),
                                                   lookupFaultsOf(bytes[1], bytes[0])),
                                      _mm_or_si128(lookupFaultsOf(bytes[2], bytes[1]),
                                                   lookupFaultsOf(bytes[3], bytes[2]))),
                         ends);
        if (!none(faults)) break;
        previous = bytes[3];
        previousText = true;
    }
    // The block that holds the fault, or the blocks left.
    for (; last - block >= 16; block += 16) {
        const __m128i bytes = load(block);
        if (!none(faultsOf(bytes, previous))) break;
        previous = bytes;
    }
    // The fault, or the bytes after the last block, lie in or after the character that holds the
    // last byte before the block, whose start the checks before have passed.
    return ScalarRunEnd(StartOfCharacterBefore(first, block), last);
}

__attribute__((target("avx2"))) __m256i Load32(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}
// A table of 16 bytes in both lanes.
__attribute__((target("avx2"))) __m256i InBothLanes(const char (&bytes)[16]) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
}

// As Ssse3RunEnd, by 32-byte halves, a table in each of their 16-byte lanes. A fault, or the bytes
// after the last whole block, are left to Ssse3RunEnd from the start of the character that holds
// the last byte before the block.
__attribute__((target("avx2"))) const char* Avx2RunEnd(const char* first, const char* last) {
    const __m256i byPreviousHigh = InBothLanes(kLookupTables.byPreviousHigh);
    const __m256i byPreviousLow = InBothLanes(kLookupTables.byPreviousLow);
    const __m256i byCurrentHigh = InBothLanes(kLookupTables.byCurrentHigh);
    // Only the last three bytes of a half may begin a character that goes on past it.
    const __m256i completeBelow = _mm256_inserti128_si256(
        _mm256_set1_epi8(-1),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLookupTables.completeBelow)), 1);
    const __m256i lowHalf = _mm256_set1_epi8(0x0F);
    const __m256i textEnd = _mm256_set1_epi8(0x1A);
    const auto highHalf = [lowHalf](__m256i bytes) __attribute__((target("avx2"))) {
        return _mm256_and_si256(_mm256_srli_epi16(bytes, 4), lowHalf);
    };
    const auto lookupFaultsOf = [&](__m256i bytes, __m256i previous)
        __attribute__((target("avx2"))) {
        // The 32 bytes before the half's: the last 16 of previous and the first 16 of its own.
        const __m256i before = _mm256_permute2x128_si256(previous, bytes, 0x21);
        const __m256i before1 = _mm256_alignr_epi8(bytes, before, 15);
        const __m256i special = _mm256_and_si256(
            _mm256_and_si256(
                _mm256_shuffle_epi8(byPreviousHigh, highHalf(before1)),
                _mm256_shuffle_epi8(byPreviousLow, _mm256_and_si256(before1, lowHalf))),
            _mm256_shuffle_epi8(byCurrentHigh, highHalf(bytes)));
        const __m256i thirdOwed =
            _mm256_subs_epu8(_mm256_alignr_epi8(bytes, before, 14), _mm256_set1_epi8(0x60));
        const __m256i fourthOwed =
            _mm256_subs_epu8(_mm256_alignr_epi8(bytes, before, 13), _mm256_set1_epi8(0x70));
        const __m256i owed = _mm256_and_si256(_mm256_or_si256(thirdOwed, fourthOwed),
                                              _mm256_set1_epi8(static_cast<char>(0x80)));
        return _mm256_xor_si256(special, owed);
    };

    __m256i previous = _mm256_setzero_si256();
    bool previousText = false;  // previous was looked up, and its last character may go on
    const char* block = first;
    for (; last - block >= 64; block += 64) {
        const __m256i low = Load32(block);
        const __m256i high = Load32(block + 32);
        const __m256i ends =
            _mm256_or_si256(_mm256_cmpeq_epi8(low, textEnd), _mm256_cmpeq_epi8(high, textEnd));
        if (_mm256_movemask_epi8(_mm256_or_si256(_mm256_or_si256(low, high), ends)) == 0) {
            if (previousText) {
                const __m256i cut = _mm256_subs_epu8(previous, completeBelow);
                if (!_mm256_testz_si256(cut, cut)) break;
                previous = _mm256_setzero_si256();
                previousText = false;
            }
            continue;
        }
        const __m256i faults = _mm256_or_si256(
            _mm256_or_si256(lookupFaultsOf(low, previous), lookupFaultsOf(high, low)), ends);
        if (!_mm256_testz_si256(faults, faults)) break;
        previous = high;
        previousText = true;
    }
    return Ssse3RunEnd(StartOfCharacterBefore(first, block), last);
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

const char* FindUtf8RunEnd(const char* first, const char* last) {
#if defined(FERNWICK_UTF8_RUN_SSSE3)
    if (UseAvx2()) return Avx2RunEnd(first, last);
    if (HasSsse3()) return Ssse3RunEnd(first, last);
#endif
    return ScalarRunEnd(first, last);
}

std::size_t CountUtf16Units(const char* first, const char* last) {
    std::size_t units = 0;
#if defined(__SSE2__)
    // Each byte yields one unit, less one where it is a continuation or zero byte, plus one where
    // it leads four bytes; the compare masks are -1 where they hold. The sixteen counts are summed
    // by their absolute difference from zero.
    const __m128i continuationBelow = _mm_set1_epi8(-0x40);
    const __m128i fourByteLeadBelow = _mm_set1_epi8(-0x10);
    const __m128i one = _mm_set1_epi8(1);
    __m128i sums = _mm_setzero_si128();
    for (; last - first >= 16; first += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
        const __m128i none = _mm_or_si128(_mm_cmplt_epi8(bytes, continuationBelow),
                                          _mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
        const __m128i two = _mm_andnot_si128(_mm_cmplt_epi8(bytes, fourByteLeadBelow),
                                             _mm_cmplt_epi8(bytes, _mm_setzero_si128()));
        const __m128i each = _mm_sub_epi8(_mm_add_epi8(one, none), two);
        sums = _mm_add_epi64(sums, _mm_sad_epu8(each, _mm_setzero_si128()));
    }
    units = static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
            static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
#endif
    for (; first != last; ++first) {
        const auto byte = static_cast<unsigned char>(*first);
        units += (byte != 0 && (byte & 0xC0) != 0x80) + (byte >= 0xF0);
    }
    return units;
}

}  // namespace tolk::stdx
