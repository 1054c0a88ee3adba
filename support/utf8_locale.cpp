#include "support/utf8_locale.h"

#include "support/utf8cvt.h"

namespace tolk::stdx {

const std::locale utf8Locale(std::locale(), new utf8cvt<1>(0));

}  // namespace tolk::stdx
