#include "support/utf8cvt.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "support/utf8_run.h"

namespace tolk::stdx {
namespace {

static_assert(sizeof(std::mbstate_t) >= sizeof(std::uint32_t));

// The conversion state is one 32-bit integer at the start of the caller's mbstate_t.
std::uint32_t LoadState(const std::mbstate_t& state) {
    std::uint32_t value;
    std::memcpy(&value, &state, sizeof value);
    return value;
}

void StoreState(std::mbstate_t& state, std::uint32_t value) {
    std::memcpy(&state, &value, sizeof value);
}

// Decoding: bit 31 = low surrogate owed, bits 28-30 = continuation bytes expected, bits 0-27 = the
// code point bits gathered so far.
constexpr std::uint32_t kLowSurrogateOwed = 1u << 31;
constexpr int kExpectedShift = 28;
constexpr std::uint32_t kGatheredBits = (1u << kExpectedShift) - 1;

std::uint32_t ExpectedFollowers(std::uint32_t state) { return (state >> kExpectedShift) & 7; }

// Encoding: bit 31 = continuation bytes pending, bits 24-25 = how many, bits 0-20 = the code point
// they come from. Without bit 31, a non-zero state is a high surrogate waiting for its partner;
// the whole unit is kept rather than its 10 payload bits so that D800 (payload 0) still reads as
// waiting.
constexpr std::uint32_t kContinuationPending = 1u << 31;
constexpr int kPendingCountShift = 24;
constexpr std::uint32_t kCodePointBits = (1u << 21) - 1;

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

constexpr const char* kBeyondUnicode = "Bad Unicode character - beyond U+10FFFF";
constexpr const char* kBadCharacter = "Bad Unicode character";

constexpr std::uint64_t kEveryByte(std::uint8_t value) { return 0x0101010101010101ull * value; }

// True when none of the eight bytes is 00 or has its top bit set: plain ASCII characters.
bool AllPlainAscii(std::uint64_t bytes) {
    const std::uint64_t zeroBytes = (bytes - kEveryByte(1)) & ~bytes & kEveryByte(0x80);
    return ((bytes & kEveryByte(0x80)) | zeroBytes) == 0;
}

// Widens the leading run of plain ASCII bytes, sixteen at a time; answers its length. The bytes
// go through a local copy so that the compiler need not fear the stores overwriting them.
std::size_t WidenPlainAscii(const char* in, std::size_t size, wchar_t* out) {
    std::size_t done = 0;
    while (size - done >= 16) {
        unsigned char bytes[16];
        std::memcpy(bytes, in + done, sizeof bytes);
        std::uint64_t low;
        std::uint64_t high;
        std::memcpy(&low, bytes, 8);
        std::memcpy(&high, bytes + 8, 8);
        if (!AllPlainAscii(low) || !AllPlainAscii(high)) break;
        for (int i = 0; i < 16; ++i) out[done + i] = static_cast<wchar_t>(bytes[i]);
        done += 16;
    }
    return done;
}

bool EightZeroBytes(const char* in) {
    std::uint64_t bytes;
    std::memcpy(&bytes, in, sizeof bytes);
    return bytes == 0;
}

// Decodes bytes that FindUtf8RunEnd has found well-formed. Registry files are nearly all ASCII,
// and a run of zero bytes vanishes whole.
wchar_t* DecodeWellFormed(const char* in, const char* end, wchar_t* out) {
    const auto continuation = [&in](int at) { return static_cast<std::uint32_t>(in[at]) & 0x3F; };
    while (in != end) {
        const auto lead = static_cast<unsigned char>(*in);
        if (lead == 0) {
            in += end - in >= 8 && EightZeroBytes(in) ? 8 : 1;
        } else if (lead < 0x80) {
            // Eight at a time where they are all plain, so that text between other characters
            // costs no more than a test.
            std::uint64_t eight = 0;
            if (end - in >= 8) std::memcpy(&eight, in, sizeof eight);
            const int count = AllPlainAscii(eight) ? 8 : 1;
            for (int i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(in[i]);
            in += count;
            out += count;
        } else if (lead < 0xE0) {
            *out++ = static_cast<wchar_t>((lead & 0x1F) << 6 | continuation(1));
            in += 2;
        } else if (lead < 0xF0) {
            *out++ =
                static_cast<wchar_t>((lead & 0x0F) << 12 | continuation(1) << 6 | continuation(2));
            in += 3;
        } else {
            const std::uint32_t codePoint = (lead & 0x07u) << 18 | continuation(1) << 12 |
                                            continuation(2) << 6 | continuation(3);
            *out++ = static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            *out++ = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
            in += 4;
        }
    }
    return out;
}

// Publishes how far the conversion got, so that a caller keeps the units converted ahead of the
// malformed input, and throws.
template <typename Source, typename Target>
[[noreturn]] void Reject(const char* message, std::mbstate_t& state, std::uint32_t current,
                         const Source* in, const Source*& fromNext, Target* out, Target*& toNext) {
    fromNext = in;
    toNext = out;
    StoreState(state, current);
    throw utf_error(message);
}

// Writes the continuation bytes that an encoded character still owes, as far as the output goes.
void WritePendingContinuations(std::uint32_t& current, char*& out, const char* outEnd) {
    while (current != 0 && out != outEnd) {
        const std::uint32_t count = (current >> kPendingCountShift) & 3;
        const std::uint32_t codePoint = current & kCodePointBits;
        *out++ = static_cast<char>(0x80 | ((codePoint >> (6 * (count - 1))) & 0x3F));
        current =
            count == 1 ? 0 : kContinuationPending | ((count - 1) << kPendingCountShift) | codePoint;
    }
}

}  // namespace

std::codecvt_base::result utf8cvt<1>::do_in(state_type& state, const extern_type* from,
                                            const extern_type* fromEnd,
                                            const extern_type*& fromNext, intern_type* to,
                                            intern_type* toEnd, intern_type*& toNext) const {
    const extern_type* in = from;
    intern_type* out = to;
    std::uint32_t current = LoadState(state);

    while (in != fromEnd && out != toEnd) {
        if (current == 0) {
            // Plain ASCII is widened at once. Well-formed text from the first byte beyond it is
            // decoded without the checks below, which see only what ends it: a malformed
            // character, 1A, or one cut off by the end of the input or of the output (which has
            // room for it, as no character yields more units than it has bytes).
            const std::size_t widened = WidenPlainAscii(
                in, static_cast<std::size_t>(std::min(fromEnd - in, toEnd - out)), out);
            in += widened;
            out += widened;
            const char* const wellFormedEnd =
                FindUtf8RunEnd(in, in + std::min(fromEnd - in, toEnd - out));
            out = DecodeWellFormed(in, wellFormedEnd, out);
            in = wellFormedEnd;
            if (in == fromEnd || out == toEnd) break;
        }

        const auto byte = static_cast<unsigned char>(*in);
        if ((current & kLowSurrogateOwed) == 0) {
            const std::uint32_t expected = ExpectedFollowers(current);
            const std::uint32_t gathered = current & kGatheredBits;
            if ((byte & 0xC0) == 0x80) {
                if (expected == 0)
                    Reject("malformd UTF-8: too many followers", state, current, in, fromNext, out,
                           toNext);
                // Right after E0 or F0 the gathered bits are still 0; every other lead leaves a
                // non-zero payload by the first follower (F0 80 is refused here).
                if (expected == 2 && gathered == 0 && byte <= 0x9F) {
                    Reject("overlong 3 bytes sequence", state, current, in, fromNext, out, toNext);
                }
                if (expected == 3 && gathered == 0 && byte <= 0x8F) {
                    Reject("overlong 4 bytes sequence", state, current, in, fromNext, out, toNext);
                }
                // F4 90 and above decode beyond U+10FFFF, which UTF-16 cannot carry: the
                // surrogate formulas would silently fold such a value onto another character.
                if (expected == 3 && gathered == 4 && byte >= 0x90)
                    Reject(kBeyondUnicode, state, current, in, fromNext, out, toNext);
                current = ((expected - 1) << kExpectedShift) |
                          (((gathered << 6) | (byte & 0x3F)) & kGatheredBits);
            } else {
                if (expected != 0)
                    Reject("malformd UTF-8: not enough followers", state, current, in, fromNext,
                           out, toNext);
                if (byte < 0x80) {
                    current = byte;
                } else if (byte < 0xE0) {
                    if (byte < 0xC2)
                        Reject("overlong 2 bytes sequence", state, current, in, fromNext, out,
                               toNext);
                    current = (1u << kExpectedShift) | (byte & 0x1F);
                } else if (byte < 0xF0) {
                    current = (2u << kExpectedShift) | (byte & 0x0F);
                } else if (byte < 0xF5) {
                    current = (3u << kExpectedShift) | (byte & 0x07);
                } else if (byte < 0xF8) {
                    Reject(kBeyondUnicode, state, current, in, fromNext, out, toNext);
                } else {
                    Reject("Bad UTF-8 sequence", state, current, in, fromNext, out, toNext);
                }
            }
        }

        const std::uint32_t codePoint = current & kGatheredBits;
        if (ExpectedFollowers(current) == 0 && codePoint != 0) {
            if (codePoint <= 0xFFFF) {
                if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
                    Reject("Bad Unicode character - unexpected surrogate", state, current, in,
                           fromNext, out, toNext);
                }
                *out++ = static_cast<intern_type>(codePoint);
                current = 0;
            } else if ((current & kLowSurrogateOwed) == 0) {
                *out++ = static_cast<intern_type>(0xD800 + ((codePoint - 0x10000) >> 10));
                current |= kLowSurrogateOwed;
                // The last byte is presented again for the low surrogate, so that an output of one
                // unit still receives the whole pair.
                continue;
            } else {
                *out++ = static_cast<intern_type>(0xDC00 + (codePoint & 0x3FF));
                current = 0;
            }
        }
        ++in;
    }

    fromNext = in;
    toNext = out;
    StoreState(state, current);
    return current == 0 ? ok : partial;
}

std::codecvt_base::result utf8cvt<1>::do_out(state_type& state, const intern_type* from,
                                             const intern_type* fromEnd,
                                             const intern_type*& fromNext, extern_type* to,
                                             extern_type* toEnd, extern_type*& toNext) const {
    const intern_type* in = from;
    extern_type* out = to;
    std::uint32_t current = LoadState(state);

    while (in != fromEnd && out != toEnd) {
        if ((current & kContinuationPending) != 0) {
            WritePendingContinuations(current, out, toEnd);
            continue;
        }
        const auto unit = static_cast<std::uint32_t>(*in);
        std::uint32_t codePoint = unit;
        if (current != 0) {
            // Unpaired surrogates cannot be written as UTF-8 without producing the very bytes the
            // decoder refuses, so they are refused here too.
            if (!IsLowSurrogate(unit))
                Reject(kBadCharacter, state, current, in, fromNext, out, toNext);
            codePoint = 0x10000 + (((current & 0x3FF) << 10) | (unit & 0x3FF));
            current = 0;
        } else if (IsHighSurrogate(unit)) {
            current = unit;
            ++in;
            continue;
        } else if (IsLowSurrogate(unit) || unit > 0xFFFF) {
            Reject(kBadCharacter, state, current, in, fromNext, out, toNext);
        }
        ++in;

        std::uint32_t followers = 0;
        if (codePoint < 0x80) {
            *out++ = static_cast<extern_type>(codePoint);
        } else if (codePoint < 0x800) {
            *out++ = static_cast<extern_type>(0xC0 | (codePoint >> 6));
            followers = 1;
        } else if (codePoint < 0x10000) {
            *out++ = static_cast<extern_type>(0xE0 | (codePoint >> 12));
            followers = 2;
        } else {
            *out++ = static_cast<extern_type>(0xF0 | (codePoint >> 18));
            followers = 3;
        }
        if (followers != 0) {
            current = kContinuationPending | (followers << kPendingCountShift) | codePoint;
        }
    }

    fromNext = in;
    toNext = out;
    StoreState(state, current);
    return current == 0 ? ok : partial;
}

std::codecvt_base::result utf8cvt<1>::do_unshift(state_type& state, extern_type* to,
                                                 extern_type* toEnd, extern_type*& toNext) const {
    std::uint32_t current = LoadState(state);
    extern_type* out = to;
    if (current != 0 && (current & kContinuationPending) == 0) {
        // A high surrogate whose partner never came.
        toNext = out;
        throw utf_error(kBadCharacter);
    }
    WritePendingContinuations(current, out, toEnd);
    toNext = out;
    StoreState(state, current);
    return current == 0 ? ok : partial;
}

int utf8cvt<1>::do_length(state_type&, const extern_type* from, const extern_type* end,
                          std::size_t max) const {
    return static_cast<int>(std::min<std::size_t>(max, static_cast<std::size_t>(end - from)));
}

}  // namespace tolk::stdx
