#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace fernwick::tests {

// The text of a file in resources/, each byte one unit (the scripts there are ASCII).
inline std::wstring ResourceText(const char* name) {
    std::ifstream file(std::string(FERNWICK_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    return {bytes.begin(), bytes.end()};
}

}  // namespace fernwick::tests
