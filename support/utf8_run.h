#pragma once

#include <cstddef>

namespace tolk::stdx {

// Where a run of well-formed UTF-8 that begins at first ends: the first byte of the first
// character in [first, last) that is malformed, cut off by last, or a byte 1A (which ends a text);
// last when there is none. Well-formed is what utf8cvt<1> decodes without an error: no overlong
// forms, no surrogates, nothing beyond U+10FFFF. Sixteen bytes are judged at a time by table
// lookups where the processor has SSSE3 (and runs of ASCII sixty-four at a time by AVX2 where it
// has that), eight ASCII bytes at a time elsewhere.
const char* FindUtf8RunEnd(const char* first, const char* last);

// The UTF-16 units that well-formed UTF-8 decodes to, zero bytes counted as the nothing they yield.
std::size_t CountUtf16Units(const char* first, const char* last);

}  // namespace tolk::stdx
