#pragma once

#include <stdexcept>

namespace tolk::stdx {

// Malformed text met by the UTF-8 conversion facet; what() names the fault.
class utf_error : public std::runtime_error {
public:
    explicit utf_error(const char* message) : std::runtime_error(message) {}
};

}  // namespace tolk::stdx
