#pragma once

#include <locale>

namespace tolk::stdx {

// The global locale as the module found it when loaded, with utf8cvt<1> as its wide-character
// conversion facet. Shared read-only by every registry file stream.
extern const std::locale utf8Locale;

}  // namespace tolk::stdx
