#pragma once

#include <cwchar>
#include <locale>

#include "support/utf_error.h"

namespace tolk::stdx {

// Conversion between UTF-8 bytes (outside) and UTF-16 code units (inside, one unit per wchar_t
// whatever the width of wchar_t). The argument switches validation; only the validating variant
// exists. All progress lives in the caller's state object, so one facet serves any number of
// streams. Malformed input throws utf_error; the results are only ok and partial. When it throws,
// the "next" positions stand on the offending unit or byte, with everything before it converted.
template <int Validation>
class utf8cvt;

template <>
class utf8cvt<1> : public std::codecvt<wchar_t, char, std::mbstate_t> {
public:
    explicit utf8cvt(std::size_t refs = 0) : std::codecvt<wchar_t, char, std::mbstate_t>(refs) {}

protected:
    ~utf8cvt() override = default;

    int do_max_length() const noexcept override { return 6; }
    int do_encoding() const noexcept override { return -1; }
    result do_in(state_type& state, const extern_type* from, const extern_type* fromEnd,
                 const extern_type*& fromNext, intern_type* to, intern_type* toEnd,
                 intern_type*& toNext) const override;
    result do_out(state_type& state, const intern_type* from, const intern_type* fromEnd,
                  const intern_type*& fromNext, extern_type* to, extern_type* toEnd,
                  extern_type*& toNext) const override;
    result do_unshift(state_type& state, extern_type* to, extern_type* toEnd,
                      extern_type*& toNext) const override;
    int do_length(state_type& state, const extern_type* from, const extern_type* end,
                  std::size_t max) const override;
};

}  // namespace tolk::stdx
